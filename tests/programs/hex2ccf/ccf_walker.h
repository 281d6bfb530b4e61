// A strict reader of the CCF files hex2ccf writes, for the tests: it follows
// every offset from the header, checks that each object lies wholly inside
// the data, that no two objects overlap, that the counts agree and that the
// CRC verifies, and returns what it found.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kestrel::hex2ccf::test {

struct WalkedButton {
    int x = 0;
    int y = 0;
    std::string label;
    std::string codeName;
    std::vector<uint16_t> words;
};

struct WalkedPanel {
    std::string name;
    std::vector<WalkedButton> buttons;
};

struct WalkedCcf {
    std::string error;  // the first fault found; empty when the file is sound
    std::string version;
    std::string deviceName;
    std::vector<WalkedPanel> panels;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;

    std::vector<WalkedButton> AllButtons() const;
};

WalkedCcf WalkCcf(const std::vector<uint8_t>& bytes);

}  // namespace kestrel::hex2ccf::test
