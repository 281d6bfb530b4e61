#include "util/substring_index.h"

#include <algorithm>
#include <utility>

#include "util/text.h"

namespace kestrel {
namespace {

// The bytes a key holds.
constexpr size_t kPiece = 8;

uint64_t Byte(std::string_view text, size_t at) {
    return at < text.size() ? static_cast<unsigned char>(text[at]) : 0;
}
// The kPiece bytes from at as one number, the first byte highest.
uint64_t Key(std::string_view text, size_t at) {
    uint64_t key = 0;
    for (size_t i = 0; i < kPiece; ++i)
        key = key << 8 | Byte(text, at + i);
    return key;
}

}  // namespace

SubstringIndex::SubstringIndex(std::string_view text) : text_(UpperCase(text)) {
    std::vector<std::pair<uint64_t, uint32_t>> keyed;
    keyed.reserve(text_.size());
    uint64_t key = Key(text_, 0);
    for (size_t at = 0; at < text_.size(); ++at) {
        keyed.emplace_back(key, static_cast<uint32_t>(at));
        key = key << 8 | Byte(text_, at + kPiece);
    }
    std::sort(keyed.begin(), keyed.end());
    keys_.reserve(keyed.size());
    positions_.reserve(keyed.size());
    for (const auto& [sortKey, at] : keyed) {
        keys_.push_back(sortKey);
        positions_.push_back(at);
    }
}

bool SubstringIndex::Contains(std::string_view text) const {
    const std::string word = UpperCase(text);
    if (word.empty()) return true;
    if (word.size() > text_.size()) return false;
    if (word.size() <= kPiece) {
        // Only the last few positions of the text can match through the
        // 0s past its end.
        for (const uint32_t at : Run(word)) {
            if (at + word.size() <= text_.size()) return true;
        }
        return false;
    }
    size_t offset = 0;
    std::span<const uint32_t> rarest = Run(std::string_view(word).substr(0, kPiece));
    for (size_t at = kPiece; at < word.size() && !rarest.empty(); at += kPiece) {
        const size_t piece = std::min(at, word.size() - kPiece);
        const std::span<const uint32_t> run = Run(std::string_view(word).substr(piece, kPiece));
        if (run.size() < rarest.size()) {
            rarest = run;
            offset = piece;
        }
    }
    for (const uint32_t at : rarest) {
        if (at >= offset && std::string_view(text_).substr(at - offset, word.size()) == word)
            return true;
    }
    return false;
}

std::span<const uint32_t> SubstringIndex::Run(std::string_view piece) const {
    const uint64_t low = Key(piece, 0);
    const uint64_t high = piece.size() >= kPiece ? low : low | ~uint64_t{0} >> (8 * piece.size());
    const auto first = std::lower_bound(keys_.begin(), keys_.end(), low);
    const auto last = std::upper_bound(first, keys_.end(), high);
    return std::span<const uint32_t>(positions_)
        .subspan(static_cast<size_t>(first - keys_.begin()), static_cast<size_t>(last - first));
}

}  // namespace kestrel
