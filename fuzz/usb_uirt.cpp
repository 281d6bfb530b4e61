// The USB-UIRT driver over arbitrary bytes: its readers of what the device
// sends (the learn stream in both forms, where a reply lies among
// unsolicited input), and the frames it makes of the same bytes taken as
// Pronto text. Input: byte 0 picks the reply's size, the mode and the
// repeat count; the rest is what the device sent, or the text.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_targets.h"
#include "generator/pronto_reader.h"
#include "learned_code.h"
#include "uirt_protocol.h"

namespace kestrel::fuzz {

int FuzzUsbUirt(const uint8_t* data, size_t size) {
    using namespace usb_uirt;
    if (size == 0) return 0;
    const std::span<const uint8_t> input(data + 1, size - 1);
    for (const ReceiveForm form : {ReceiveForm::Wideband, ReceiveForm::Raw}) {
        SignalReader reader(form);
        for (const uint8_t byte : input) {
            if (!reader.Take(byte)) continue;
            // A signal heard is a learned code the program reads back.
            const HeardSignal& signal = reader.signal();
            KESTREL_FUZZ_CHECK(signal.micros.size() <= uuirt::kMaxLearnedDurations);
            const uint32_t hz = signal.CarrierHz();
            KESTREL_FUZZ_CHECK(hz == 0 || (hz >= 10000 && hz <= 1000000));
            const std::string code = uuirt::LearnedProntoText(hz, signal.micros, 0);
            KESTREL_FUZZ_CHECK(code.empty() == signal.micros.empty());
            KESTREL_FUZZ_CHECK(code.empty() || ReadProntoCode(code).ok());
        }
    }
    // A reply is found only whole, where the mode lets it lie, and valid.
    const size_t replySize = data[0] % 2 ? kVersionReplySize : 1;
    const Mode mode = data[0] & 2 ? Mode::Uir : Mode::Wideband;
    const auto valid = [](std::span<const uint8_t> reply) {
        return reply.size() == 1 ? IsStatus(reply[0]) : VersionOf(reply).has_value();
    };
    const std::optional<size_t> at = FindReply(input, replySize, mode, valid);
    if (at) {
        KESTREL_FUZZ_CHECK(*at + replySize <= input.size());
        KESTREL_FUZZ_CHECK(mode != Mode::Uir || *at % kUirCodeSize == 0);
        KESTREL_FUZZ_CHECK(valid(input.subspan(*at, replySize)));
    }
    // A code the device takes is one frame that sums to 0, or a stream.
    const std::string_view text(reinterpret_cast<const char*>(input.data()), input.size());
    const Result<Transmission> sent = TransmissionOf(text, data[0] >> 2 & 3);
    if (sent) {
        const std::vector<uint8_t>& bytes = sent->bytes;
        KESTREL_FUZZ_CHECK(bytes.size() >= 4);
        KESTREL_FUZZ_CHECK(sent->streamed ? bytes[0] == kStreamTransmit && bytes[1] == 0xDB
                                          : bytes[0] == kDoTxRaw && ChecksumOf(bytes) == 0 &&
                                                bytes[1] == bytes.size() - 2);
        KESTREL_FUZZ_CHECK(sent->micros <= kLimits.mostSignalMillis * 1000.0);
    }
    return 0;
}

}  // namespace kestrel::fuzz

KESTREL_FUZZ_ENTRY(FuzzUsbUirt)
