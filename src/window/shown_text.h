// How the window turns the core's bytes into what it shows.
//
// The core keeps texts as the bytes it read. A device file that is valid
// UTF-8 as a whole is shown as UTF-8, any other as Latin-1 (the catalogue
// says which); a file name or a message is read the same way by itself.
// What the user types is taken as Latin-1 (the window refuses characters
// beyond it), and the bytes a code is made from never change with the
// reading.
//
// Texts from device files may be megabytes long (a name, a range bound, a
// remote code). Qt lays a text out whole every time a list, a label or a
// message box measures it, which takes seconds for such a text and would
// freeze the window at every click. Lists and labels therefore show a long
// text shortened; the core keeps and uses the whole text, and the code box
// always shows its code whole.
#pragma once

#include <QString>
#include <string>
#include <string_view>

#include "util/text.h"

namespace kestrel {

enum class Reading { Latin1, Utf8 };

// Bytes of a text shown beyond this many are cut off in lists and labels.
inline constexpr size_t kShownLength = 1000;

// The reading of a text by itself: UTF-8 when it is valid UTF-8 as a whole.
inline Reading ReadingOf(std::string_view bytes) {
    return IsValidUtf8(bytes) ? Reading::Utf8 : Reading::Latin1;
}

inline QString Decoded(std::string_view bytes, Reading reading) {
    const auto size = static_cast<qsizetype>(bytes.size());
    return reading == Reading::Utf8 ? QString::fromUtf8(bytes.data(), size)
                                    : QString::fromLatin1(bytes.data(), size);
}

// The first kShownLength bytes of a text (never half a UTF-8 character),
// with "..." when the text was longer.
inline QString ShownText(std::string_view text, Reading reading) {
    if (text.size() <= kShownLength) return Decoded(text, reading);
    size_t end = kShownLength;
    while (reading == Reading::Utf8 && end > 0 &&
           (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return Decoded(text.substr(0, end), reading) + QStringLiteral("...");
}

// A message, read by itself, shortened in the middle so that its end (what
// went wrong) stays readable.
inline QString ShownMessage(const std::string& text) {
    constexpr size_t kTail = 200;
    const Reading reading = ReadingOf(text);
    if (text.size() <= kShownLength + kTail) return Decoded(text, reading);
    size_t tail = text.size() - kTail;
    while (reading == Reading::Utf8 && (static_cast<unsigned char>(text[tail]) & 0xC0) == 0x80)
        ++tail;
    return ShownText(std::string_view(text).substr(0, kShownLength + 1), reading) +
           Decoded(std::string_view(text).substr(tail), reading);
}

// The first character of text that Latin-1 cannot hold; 0 when there is none.
inline char32_t FirstBeyondLatin1(const QString& text) {
    for (const char32_t c : text.toUcs4()) {
        if (c > 0xFF) return c;
    }
    return 0;
}

}  // namespace kestrel
