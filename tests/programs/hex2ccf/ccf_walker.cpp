#include "ccf_walker.h"

#include <cstring>
#include <set>
#include <stdexcept>

#include "ccf_writer.h"

namespace kestrel::hex2ccf::test {
namespace {

struct Fault : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class Walker {
  public:
    explicit Walker(const std::vector<uint8_t>& bytes) : bytes_(bytes), owner_(bytes.size(), 0) {}

    WalkedCcf Walk() {
        WalkedCcf result;
        try {
            Header(result);
        } catch (const Fault& fault) {
            result.error = fault.what();
        }
        return result;
    }

  private:
    uint64_t U8(uint64_t at) const {
        Need(at, 1);
        return bytes_[at];
    }
    uint64_t U16(uint64_t at) const { return U8(at) << 8 | U8(at + 1); }
    uint64_t U32(uint64_t at) const { return U16(at) << 16 | U16(at + 2); }
    void Need(uint64_t at, uint64_t size) const {
        if (at + size > bytes_.size()) Fail("read past the end at " + std::to_string(at));
    }
    [[noreturn]] static void Fail(const std::string& text) { throw Fault(text); }

    // Marks [at, at + size) as one object's; an object must start at or after
    // the header, end before the CRC, and share no byte with another object.
    void Claim(uint64_t at, uint64_t size, const char* what, bool even = true) {
        if (at < ccf::kHeaderSize || at + size > crc_) {
            Fail(std::string(what) + " at " + std::to_string(at) + " lies outside the data");
        }
        if (even && at % 2 != 0) Fail(std::string(what) + " at an odd offset");
        for (uint64_t i = at; i < at + size; ++i) {
            if (owner_[i] != 0) Fail(std::string(what) + " overlaps another object");
            owner_[i] = 1;
        }
    }

    std::string String(uint64_t at) {
        if (at == 0) Fail("missing string");
        if (strings_.insert(at).second) {
            Need(at, 1);
            Claim(at, 1 + U8(at), "string", false);
        }
        const uint64_t length = U8(at);
        return std::string(reinterpret_cast<const char*>(&bytes_[at + 1]), length);
    }

    void Header(WalkedCcf& out) {
        if (bytes_.size() < ccf::kHeaderSize + 2) Fail("shorter than the header");
        if (std::memcmp(&bytes_[8], ccf::kIdent1, 8) != 0) Fail("first identifier");
        if (std::memcmp(&bytes_[32], ccf::kIdent2, 4) != 0) Fail("second identifier");
        crc_ = U32(ccf::kCrcField1);
        if (U32(ccf::kCrcField2) != crc_) Fail("the two CRC positions differ");
        if (crc_ % 2 != 0 || crc_ + 2 != bytes_.size()) Fail("the CRC is not the even-placed end");
        if (CcfCrc(bytes_.data(), crc_) != U16(crc_)) Fail("the CRC does not verify");
        if (U32(ccf::kCapabilityField) != ccf::kCapability) Fail("capability");
        if (U32(ccf::kAttributesPosField) != ccf::kAttributesOffset) Fail("attributes position");
        if (U32(ccf::kFirstHomeField) != 0 || U32(ccf::kFirstMacroField) != 0) {
            Fail("home or macro devices present");
        }
        out.version = String(U32(ccf::kVersionField));
        out.year = static_cast<int>(U16(ccf::kDateField));
        out.month = static_cast<int>(U8(ccf::kDateField + 2));
        out.day = static_cast<int>(U8(ccf::kDateField + 3));
        out.hour = static_cast<int>(U8(ccf::kDateField + 5));
        out.minute = static_cast<int>(U8(ccf::kDateField + 6));
        out.second = static_cast<int>(U8(ccf::kDateField + 7));

        const WalkedPanel macro = Panel(U32(ccf::kMacroPanelField), /*last=*/true);
        if (macro.name != ccf::kMacroPanelName || !macro.buttons.empty()) Fail("macro panel");

        const uint64_t device = U32(ccf::kFirstDeviceField);
        Claim(device, ccf::kDeviceSize, "device");
        if (U32(device) != 0) Fail("more than one device");
        out.deviceName = String(U32(device + ccf::kDeviceNameField));
        for (uint64_t field = 8; field < ccf::kDeviceFirstPanelField; field += 4) {
            if (U32(device + field) != 0) Fail("device field " + std::to_string(field) + " set");
        }
        for (uint64_t at = U32(device + ccf::kDeviceFirstPanelField); at != 0;) {
            out.panels.push_back(Panel(at, /*last=*/false));
            at = U32(at);
        }
    }

    WalkedPanel Panel(uint64_t at, bool last) {
        Need(at, ccf::kPanelFixedSize);
        const uint64_t count = U8(at + 8);
        if (U8(at + 9) != count) Fail("panel counts differ");
        if (count > static_cast<uint64_t>(ccf::kButtonsPerPanel)) Fail("panel too full");
        Claim(at, ccf::kPanelFixedSize + ccf::kChildSize * count, "panel");
        if (last && U32(at) != 0) Fail("macro panel has a next panel");
        const uint64_t name = U32(at + 4);
        if (name & 0x80000000u) Fail("hidden panel");
        WalkedPanel panel{String(name), {}};
        for (uint64_t i = 0; i < count; ++i) {
            const uint64_t child = at + ccf::kPanelFixedSize + ccf::kChildSize * i;
            if (U8(child + 8) != ccf::kChildIsButton) Fail("child is no button");
            WalkedButton button = Button(U32(child + 4));
            button.x = static_cast<int>(U16(child));
            button.y = static_cast<int>(U16(child + 2));
            if (button.x + ccf::kButtonWidth > 240 || button.y + ccf::kButtonHeight > 220) {
                Fail("button off the panel");
            }
            panel.buttons.push_back(std::move(button));
        }
        return panel;
    }

    WalkedButton Button(uint64_t at) {
        Claim(at, ccf::kButtonSize, "button");
        WalkedButton button;
        button.label = String(U32(at + 8));
        const uint64_t list = U32(at + 4);
        Claim(list, ccf::kActionListFixedSize + ccf::kActionSize, "action list");
        if (U8(list) != 1 || U8(list + 1) != 1) Fail("action list is not one action");
        if (U8(list + 2) != ccf::kActionIrCode || U32(list + 3) != 0) Fail("action is no IR code");
        const uint64_t code = U32(list + 7);
        Need(code, ccf::kIrCodeFixedSize);
        const uint64_t size = U16(code);
        if (size < ccf::kIrCodeFixedSize || size % 2 != 0) Fail("IR code size");
        Claim(code, size, "IR code");
        button.codeName = String(U32(code + 2));
        for (uint64_t w = code + ccf::kIrCodeFixedSize; w < code + size; w += 2) {
            button.words.push_back(static_cast<uint16_t>(U16(w)));
        }
        return button;
    }

    const std::vector<uint8_t>& bytes_;
    std::vector<uint8_t> owner_;
    std::set<uint64_t> strings_;
    uint64_t crc_ = 0;
};

}  // namespace

std::vector<WalkedButton> WalkedCcf::AllButtons() const {
    std::vector<WalkedButton> all;
    for (const WalkedPanel& panel : panels)
        all.insert(all.end(), panel.buttons.begin(), panel.buttons.end());
    return all;
}

WalkedCcf WalkCcf(const std::vector<uint8_t>& bytes) {
    return Walker(bytes).Walk();
}

}  // namespace kestrel::hex2ccf::test
