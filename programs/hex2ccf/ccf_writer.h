// Writer of CCF files, the configuration files that the editors of one
// family of learning remote controls load.
//
// What is written is the grayscale layout without timers (version 1.0 of
// the format, the oldest, which every editor of the family reads):
//
//   header      72 bytes at offset 0
//   device      the one device, in the list of ordinary devices
//   panels      the empty macro panel "macro", then the device's panels of
//               up to 15 buttons each (three columns, five rows)
//   buttons     one per entry, labelled with the entry's label
//   actions     one action list per button holding one IR-code action
//   IR codes    the entry's Pronto words, named after its caption
//   strings     length byte + bytes, each distinct text stored once
//   CRC         two bytes after the data, at an even offset
//
// Every number is big-endian; objects refer to one another by absolute
// offsets from the start of the file (0 means "none"). Every object but a
// string starts at an even offset. The CRC is the CRC-16 with polynomial
// 0x1021 and start value 0 over all bytes before it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "hex_reader.h"

namespace kestrel::hex2ccf {

// The sizes and fixed values of the layout, shared with the tests that walk
// the written files.
namespace ccf {

inline constexpr size_t kHeaderSize = 72;
inline constexpr uint32_t kCapability = 0x00000001;  // version 1.0: grayscale, no timers
inline constexpr uint32_t kAttributesOffset = 60;    // where the header's attributes lie
inline constexpr char kIdent1[8] = {'@', '\xA5', 'Z', '@', '_', 'C', 'C', 'F'};
inline constexpr char kIdent2[4] = {'C', 'C', 'F', '\0'};

// Header fields (byte offsets).
inline constexpr size_t kVersionField = 0;
inline constexpr size_t kCrcField1 = 16;
inline constexpr size_t kDateField = 20;
inline constexpr size_t kCapabilityField = 36;
inline constexpr size_t kCrcField2 = 40;
inline constexpr size_t kAttributesPosField = 44;
inline constexpr size_t kFirstHomeField = 48;
inline constexpr size_t kFirstDeviceField = 52;
inline constexpr size_t kFirstMacroField = 56;
inline constexpr size_t kMacroPanelField = 64;

inline constexpr size_t kDeviceSize = 65;  // 12 pointers, reserved, 2 key names, panel, attributes
inline constexpr size_t kDeviceNameField = 4;
inline constexpr size_t kDeviceFirstPanelField = 60;
inline constexpr size_t kPanelFixedSize = 10;  // next, name, two copies of the child count
inline constexpr size_t kChildSize = 9;        // x, y, object, type
inline constexpr uint8_t kChildIsButton = 1;
inline constexpr size_t kButtonSize = 38;
inline constexpr size_t kActionListFixedSize = 2;  // two copies of the action count
inline constexpr size_t kActionSize = 9;           // type, two parameters
inline constexpr uint8_t kActionIrCode = 1;
inline constexpr size_t kIrCodeFixedSize = 6;  // size, name

inline constexpr size_t kMaxStringLength = 255;  // the length byte
// An IR code's size field is 16 bits and counts its own six bytes. Readers
// of the format take it as a signed number, so it stays below 32768.
inline constexpr size_t kMaxIrCodeWords = (0x7FFF - kIrCodeFixedSize) / 2;
// Offsets must stay below 2^31: the high bit of a panel's name offset marks
// the panel hidden.
inline constexpr uint64_t kMaxFileSize = 0x7FFFFFFF;

// The buttons of a panel: a grid on the 240 x 220 pixel panel area.
inline constexpr int kColumns = 3;
inline constexpr int kRows = 5;
inline constexpr int kButtonsPerPanel = kColumns * kRows;
inline constexpr int kButtonWidth = 72;
inline constexpr int kButtonHeight = 36;
inline constexpr int kMargin = 6;
inline constexpr int kGap = 6;
inline constexpr uint8_t kFontSize = 3;  // the 12-point font
// Gray levels 0 (black) to 3 (white): background in the high six bits (three
// copies), text in the low two.
inline constexpr uint8_t kColorUnselected = 0x57;  // white text on dark gray
inline constexpr uint8_t kColorSelected = 0xFC;    // black text on white

static_assert(kButtonsPerPanel <= 255, "a panel's child count is one byte");
static_assert(kMargin + kColumns * kButtonWidth + (kColumns - 1) * kGap <= 240);
static_assert(kMargin + kRows * kButtonHeight + (kRows - 1) * kGap <= 220);

inline constexpr const char* kVersionText = "Kestrel hex2ccf";
inline constexpr const char* kMacroPanelName = "macro";

}  // namespace ccf

// The modification time stored in the header.
struct CcfTimestamp {
    int year = 2000;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

struct CcfOptions {
    std::string deviceName;
    CcfTimestamp modified;
    // Largest file the writer may produce; tests lower it to reach the limit.
    uint64_t maxFileSize = ccf::kMaxFileSize;
};

struct CcfFile {
    std::vector<uint8_t> bytes;
    // Texts longer than a CCF text holds, shortened on the way.
    std::vector<std::string> warnings;
};

// The CCF file for the entries: one device named options.deviceName whose
// panels hold one button per entry, in order. No entries give a device
// without panels. A name, caption or label longer than a CCF text holds is
// shortened to its longest length with a warning; a code is never altered.
Result<CcfFile> BuildCcf(const std::vector<HexEntry>& entries, const CcfOptions& options);

// CRC-16, polynomial 0x1021, start value 0, no final inversion.
uint16_t CcfCrc(const uint8_t* data, size_t size);

// Name of the panel with the given number, from 1.
std::string PanelName(size_t number);

}  // namespace kestrel::hex2ccf
