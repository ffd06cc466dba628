#pragma once

#include "keymatcher.h"
#include "textposition.h"

#include <QChar>
#include <QList>
#include <QStringList>

#include <algorithm>
#include <string>
#include <vector>

// The matching rules written down as plainly as possible, for the fast
// matcher to be compared with: both strings become folded code points, and
// the key is looked for in the text with the standard library's search.

struct FoldedCodePoint
{
    char32_t folded;
    qsizetype start; // in UTF-16 units
};

inline std::vector<FoldedCodePoint> FoldedCodePoints(const QString &s)
{
    std::vector<FoldedCodePoint> codePoints;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const qsizetype start = i;
        char32_t codePoint = s[i].unicode();
        if (s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate()) {
            codePoint = QChar::surrogateToUcs4(s[i], s[i + 1]);
            ++i;
        }
        codePoints.push_back({QChar::toCaseFolded(codePoint), start});
    }
    return codePoints;
}

// A text folded once: its folded code points as a string, and where each
// starts in UTF-16 units.
struct FoldedText
{
    std::u32string folded;
    std::vector<qsizetype> starts;
};

inline FoldedText Fold(const QString &s)
{
    FoldedText text;
    const std::vector<FoldedCodePoint> codePoints = FoldedCodePoints(s);
    text.folded.reserve(codePoints.size());
    text.starts.reserve(codePoints.size());
    for (const FoldedCodePoint &codePoint : codePoints) {
        text.folded += codePoint.folded;
        text.starts.push_back(codePoint.start);
    }
    return text;
}

// Where `key` starts in `text`; an empty key only at the start of a text
// that is not empty.
inline QList<qsizetype> ReferenceStarts(const FoldedText &text, const QString &key)
{
    const std::u32string k = Fold(key).folded;
    if (text.folded.empty())
        return {};
    if (k.empty())
        return {0};
    QList<qsizetype> starts;
    for (std::size_t at = text.folded.find(k); at != std::u32string::npos;
         at = text.folded.find(k, at + 1))
        starts.append(text.starts[at]);
    return starts;
}

inline bool ReferenceContains(const FoldedText &text, const QString &key)
{
    return !ReferenceStarts(text, key).isEmpty();
}

inline bool ReferenceContains(const QString &text, const QString &key)
{
    return ReferenceContains(Fold(text), key);
}

// Every occurrence of every key, ordered by start and then by key.
inline QList<detect::Occurrence> ReferenceLocate(const QStringList &keys, const FoldedText &folded)
{
    QList<detect::Occurrence> occurrences;
    for (qsizetype k = 0; k < keys.size(); ++k) {
        for (qsizetype start : ReferenceStarts(folded, keys[k]))
            occurrences.append({k, start, keys[k].isEmpty() ? 0 : keys[k].size()});
    }
    std::stable_sort(occurrences.begin(), occurrences.end(),
                     [](const auto &a, const auto &b) { return a.start < b.start; });
    return occurrences;
}

inline QList<detect::Occurrence> ReferenceLocate(const QStringList &keys, const QString &text)
{
    return ReferenceLocate(keys, Fold(text));
}

// The line and column of `offset`, counted from the start of the text.
inline detect::TextPosition ReferencePosition(const QString &text, qsizetype offset)
{
    detect::TextPosition position;
    const QString before = text.left(offset);
    QString lastLine = before;
    for (qsizetype i = 0; i < before.size(); ++i) {
        if (before[i] == u'\r' || before[i] == u'\n') {
            if (before[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            ++position.line;
            lastLine = before.mid(i + 1);
        }
    }
    position.column = qsizetype(FoldedCodePoints(lastLine).size()) + 1;
    return position;
}
