#include "ccf_writer.h"

#include <map>
#include <string_view>

namespace kestrel::hex2ccf {
namespace {

constexpr uint64_t Even(uint64_t size) {
    return size + (size % 2);
}

std::string LinePrefix(const HexEntry& entry) {
    return "line " + std::to_string(entry.line) + ": ";
}

// Where every object of the file goes; worked out before anything is
// written, in 64 bits so that no sum can wrap.
struct Plan {
    uint64_t device = 0;
    uint64_t macroPanel = 0;
    std::vector<uint64_t> panels;
    std::vector<uint64_t> buttons;
    std::vector<uint64_t> actionLists;
    std::vector<uint64_t> irCodes;
    std::vector<std::string_view> strings;  // in file order, each once
    std::map<std::string_view, uint64_t> stringAt;
    uint64_t crc = 0;
    uint64_t size = 0;
};

size_t PanelCount(size_t buttons) {
    return (buttons + ccf::kButtonsPerPanel - 1) / ccf::kButtonsPerPanel;
}

size_t ButtonsOnPanel(size_t panel, size_t buttons) {
    size_t first = panel * ccf::kButtonsPerPanel;
    size_t left = buttons - first;
    return left < static_cast<size_t>(ccf::kButtonsPerPanel) ? left : ccf::kButtonsPerPanel;
}

// Whether text is UTF-8 with at least one character beyond ASCII.
bool IsUtf8Beyond127(std::string_view text) {
    bool beyond = false;
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const size_t length = lead < 0x80           ? 1
                              : (lead >> 5) == 0x6  ? 2
                              : (lead >> 4) == 0xE  ? 3
                              : (lead >> 3) == 0x1E ? 4
                                                    : 0;
        if (length == 0 || i + length > text.size()) return false;
        for (size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        }
        beyond = beyond || length > 1;
        i += length;
    }
    return beyond;
}

// Shortens a text the format cannot hold to its longest length, on a
// character boundary: texts are single bytes, unless the text is UTF-8,
// whose characters are not cut in two. Returns whether it was shortened.
bool Shorten(std::string& text) {
    if (text.size() <= ccf::kMaxStringLength) return false;
    size_t end = ccf::kMaxStringLength;
    if (IsUtf8Beyond127(text)) {
        while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
            --end;
    }
    text.resize(end);
    return true;
}

std::string ShortenedWarning(const std::string& what, size_t length) {
    return what + " has " + std::to_string(length) + " characters; a CCF text holds at most " +
           std::to_string(ccf::kMaxStringLength) + ", so it was shortened";
}

// Refuses codes that the format cannot hold.
Status CheckLimits(const std::vector<HexEntry>& entries) {
    for (const HexEntry& entry : entries) {
        if (entry.words.size() > ccf::kMaxIrCodeWords) {
            return Refused(
                LinePrefix(entry) + "the code has " + std::to_string(entry.words.size()) +
                " words; a CCF IR code holds at most " + std::to_string(ccf::kMaxIrCodeWords));
        }
    }
    return {};
}

Plan MakePlan(const std::vector<HexEntry>& entries, const CcfOptions& options,
              const std::vector<std::string>& panelNames) {
    Plan plan;
    const size_t buttons = entries.size();
    uint64_t pos = ccf::kHeaderSize;
    plan.device = pos;
    pos += Even(ccf::kDeviceSize);
    plan.macroPanel = pos;
    pos += Even(ccf::kPanelFixedSize);
    for (size_t p = 0; p < panelNames.size(); ++p) {
        plan.panels.push_back(pos);
        pos += Even(ccf::kPanelFixedSize + ccf::kChildSize * ButtonsOnPanel(p, buttons));
    }
    for (size_t b = 0; b < buttons; ++b) {
        plan.buttons.push_back(pos);
        pos += Even(ccf::kButtonSize);
    }
    for (size_t b = 0; b < buttons; ++b) {
        plan.actionLists.push_back(pos);
        pos += Even(ccf::kActionListFixedSize + ccf::kActionSize);
    }
    for (const HexEntry& entry : entries) {
        plan.irCodes.push_back(pos);
        pos += ccf::kIrCodeFixedSize + 2 * static_cast<uint64_t>(entry.words.size());
    }
    auto addString = [&](std::string_view text) {
        if (plan.stringAt.count(text) != 0) return;
        plan.stringAt[text] = pos;
        plan.strings.push_back(text);
        pos += 1 + text.size();
    };
    addString(ccf::kVersionText);
    addString(options.deviceName);
    addString(ccf::kMacroPanelName);
    for (const std::string& name : panelNames)
        addString(name);
    for (const HexEntry& entry : entries) {
        addString(entry.label);
        addString(entry.caption);
    }
    plan.crc = Even(pos);
    plan.size = plan.crc + 2;
    return plan;
}

// Appends big-endian numbers; At() says where the next byte goes.
class Sink {
  public:
    explicit Sink(std::vector<uint8_t>& out) : out_(out) {}
    uint64_t At() const { return out_.size(); }
    void U8(uint64_t v) { out_.push_back(static_cast<uint8_t>(v & 0xFF)); }
    void U16(uint64_t v) {
        U8(v >> 8);
        U8(v);
    }
    void U32(uint64_t v) {
        U16(v >> 16);
        U16(v);
    }
    void Bytes(const char* data, size_t size) { out_.insert(out_.end(), data, data + size); }
    void Zeros(size_t count) { out_.insert(out_.end(), count, 0); }
    void PadEven() {
        if (out_.size() % 2 != 0) U8(0);
    }

  private:
    std::vector<uint8_t>& out_;
};

void WriteHeader(Sink& out, const Plan& plan, const CcfOptions& options) {
    const CcfTimestamp& t = options.modified;
    out.U32(plan.stringAt.at(ccf::kVersionText));  // version text
    out.U32(0);                                    // reserved
    out.Bytes(ccf::kIdent1, sizeof ccf::kIdent1);
    out.U32(plan.crc);
    out.U16(static_cast<uint64_t>(t.year));
    out.U8(static_cast<uint64_t>(t.month));
    out.U8(static_cast<uint64_t>(t.day));
    out.U8(0);  // reserved
    out.U8(static_cast<uint64_t>(t.hour));
    out.U8(static_cast<uint64_t>(t.minute));
    out.U8(static_cast<uint64_t>(t.second));
    out.U32(0);  // reserved
    out.Bytes(ccf::kIdent2, sizeof ccf::kIdent2);
    out.U32(ccf::kCapability);
    out.U32(plan.crc);
    out.U32(ccf::kAttributesOffset);
    out.U32(0);            // first home device: none
    out.U32(plan.device);  // first ordinary device
    out.U32(0);            // first macro: none
    out.U32(0);            // attributes: nothing read-only
    out.U32(plan.macroPanel);
    out.U32(0);  // reserved
}

void WriteDevice(Sink& out, const Plan& plan, const CcfOptions& options) {
    out.U32(0);  // next device: none
    out.U32(plan.stringAt.at(options.deviceName));
    out.Zeros(2 * 4);  // icons: none
    out.Zeros(8 * 4);  // device action and the seven hard keys: none
    out.U32(0);        // reserved
    out.Zeros(2 * 4);  // names of the left and right keys: none
    out.U32(plan.panels.empty() ? 0 : plan.panels.front());
    out.U8(0);  // attributes
}

void WritePanel(Sink& out, uint64_t next, uint64_t name, size_t firstButton, size_t count,
                const Plan& plan) {
    out.U32(next);
    out.U32(name);
    out.U8(count);
    out.U8(count);
    for (size_t i = 0; i < count; ++i) {
        const int column = static_cast<int>(i % ccf::kColumns);
        const int row = static_cast<int>(i / ccf::kColumns);
        out.U16(static_cast<uint64_t>(ccf::kMargin + column * (ccf::kButtonWidth + ccf::kGap)));
        out.U16(static_cast<uint64_t>(ccf::kMargin + row * (ccf::kButtonHeight + ccf::kGap)));
        out.U32(plan.buttons[firstButton + i]);
        out.U8(ccf::kChildIsButton);
    }
}

void WriteButton(Sink& out, uint64_t actionList, uint64_t label) {
    out.U16(ccf::kButtonWidth);
    out.U16(ccf::kButtonHeight);
    out.U32(actionList);
    out.U32(label);
    out.U32(0);  // id tag: none
    out.U8(ccf::kFontSize);
    out.U8(0);                      // reserved
    out.Zeros(4 * 4);               // icons: none, the button is drawn in its colours
    out.U8(ccf::kColorUnselected);  // inactive
    out.U8(ccf::kColorSelected);
    out.U8(ccf::kColorUnselected);  // active
    out.U8(ccf::kColorSelected);
}

void WriteActionList(Sink& out, uint64_t irCode) {
    out.U8(1);
    out.U8(1);
    out.U8(ccf::kActionIrCode);
    out.U32(0);
    out.U32(irCode);
}

void WriteIrCode(Sink& out, uint64_t name, const std::vector<uint16_t>& words) {
    out.U16(ccf::kIrCodeFixedSize + 2 * words.size());
    out.U32(name);
    for (uint16_t word : words)
        out.U16(word);
}

}  // namespace

std::string PanelName(size_t number) {
    return "Page " + std::to_string(number);
}

uint16_t CcfCrc(const uint8_t* data, size_t size) {
    uint16_t crc = 0;
    for (size_t i = 0; i < size; ++i) {
        crc = static_cast<uint16_t>(crc ^ (data[i] << 8));
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x8000) ? static_cast<uint16_t>((crc << 1) ^ 0x1021)
                                 : static_cast<uint16_t>(crc << 1);
        }
    }
    return crc;
}

Result<CcfFile> BuildCcf(const std::vector<HexEntry>& original, const CcfOptions& given) {
    if (const Status fits = CheckLimits(original); !fits) return Refused(fits.reason());
    CcfFile result;

    // Texts too long for the format are shortened, never a code.
    CcfOptions options = given;
    std::vector<HexEntry> entries = original;
    const size_t nameLength = options.deviceName.size();
    if (Shorten(options.deviceName)) {
        result.warnings.push_back(
            ShortenedWarning("the device name taken from the output file's name", nameLength));
    }
    for (HexEntry& entry : entries) {
        const size_t captionLength = entry.caption.size();
        const size_t labelLength = entry.label.size();
        if (Shorten(entry.caption)) {
            result.warnings.push_back(LinePrefix(entry) +
                                      ShortenedWarning("the caption", captionLength));
        }
        if (Shorten(entry.label)) {
            result.warnings.push_back(LinePrefix(entry) +
                                      ShortenedWarning("the button label", labelLength));
        }
    }

    std::vector<std::string> panelNames;
    for (size_t p = 0; p < PanelCount(entries.size()); ++p)
        panelNames.push_back(PanelName(p + 1));
    const Plan plan = MakePlan(entries, options, panelNames);
    if (plan.size > options.maxFileSize) {
        return Refused("the " + std::to_string(entries.size()) + " buttons would make a file of " +
                       std::to_string(plan.size) + " bytes; a CCF file's offsets reach only " +
                       std::to_string(options.maxFileSize) + " bytes");
    }

    std::vector<uint8_t>& bytes = result.bytes;
    bytes.reserve(static_cast<size_t>(plan.size));
    Sink out(bytes);
    // Each object must land where the plan put it; a difference is a fault
    // of this writer, reported rather than written.
    bool placed = true;
    auto expect = [&](uint64_t planned) {
        out.PadEven();
        placed = placed && out.At() == planned;
    };

    WriteHeader(out, plan, options);
    expect(plan.device);
    WriteDevice(out, plan, options);
    expect(plan.macroPanel);
    WritePanel(out, 0, plan.stringAt.at(ccf::kMacroPanelName), 0, 0, plan);
    for (size_t p = 0; p < plan.panels.size(); ++p) {
        expect(plan.panels[p]);
        const uint64_t next = p + 1 < plan.panels.size() ? plan.panels[p + 1] : 0;
        WritePanel(out, next, plan.stringAt.at(panelNames[p]), p * ccf::kButtonsPerPanel,
                   ButtonsOnPanel(p, entries.size()), plan);
    }
    for (size_t b = 0; b < entries.size(); ++b) {
        expect(plan.buttons[b]);
        WriteButton(out, plan.actionLists[b], plan.stringAt.at(entries[b].label));
    }
    for (size_t b = 0; b < entries.size(); ++b) {
        expect(plan.actionLists[b]);
        WriteActionList(out, plan.irCodes[b]);
    }
    for (size_t b = 0; b < entries.size(); ++b) {
        expect(plan.irCodes[b]);
        WriteIrCode(out, plan.stringAt.at(entries[b].caption), entries[b].words);
    }
    for (std::string_view text : plan.strings) {
        placed = placed && out.At() == plan.stringAt.at(text);
        out.U8(text.size());
        out.Bytes(text.data(), text.size());
    }
    expect(plan.crc);
    if (!placed) return Refused("internal error: the CCF layout came out different from its plan");
    out.U16(CcfCrc(bytes.data(), bytes.size()));
    return result;
}

}  // namespace kestrel::hex2ccf
