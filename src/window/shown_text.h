// Texts from device files may be megabytes long (a name, a range bound, a
// remote code). Qt lays a text out whole every time a list, a label or a
// message box measures it, which takes seconds for such a text and would
// freeze the window at every click. The window therefore shows a long text
// shortened; the core keeps and uses the whole text.
#pragma once

#include <QString>
#include <string>

namespace kestrel {

// Characters of a text the window shows at most.
inline constexpr size_t kShownLength = 1000;

// The first kShownLength characters of a Latin-1 text, with "..." when the
// text was longer.
inline QString ShownText(const std::string& text) {
    if (text.size() <= kShownLength) return QString::fromLatin1(text);
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(kShownLength)) +
           QStringLiteral("...");
}

// A message shortened in the middle, so that its end (what went wrong)
// stays readable.
inline QString ShownMessage(const std::string& text) {
    constexpr size_t kTail = 200;
    if (text.size() <= kShownLength + kTail) return QString::fromLatin1(text);
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(kShownLength)) +
           QStringLiteral("...") +
           QString::fromLatin1(text.data() + text.size() - kTail, static_cast<qsizetype>(kTail));
}

}  // namespace kestrel
