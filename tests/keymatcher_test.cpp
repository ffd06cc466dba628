#include "keymatcher.h"
#include "matchtext.h"
#include "referencematch.h"
#include "textposition.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using detect::KeyMatcher;
using detect::Occurrence;

QString Units(std::initializer_list<char16_t> units)
{
    return QString(reinterpret_cast<const QChar *>(units.begin()), qsizetype(units.size()));
}

const QString kDeseretUpper = Units({0xD801, 0xDC00}); // U+10400
const QString kDeseretLower = Units({0xD801, 0xDC28}); // U+10428, its case pair
const QString kHighHalf = Units({0xD801});
const QString kLowHalf = Units({0xDC00});

TEST(KeyMatcher, ComparesFoldedCodePoints)
{
    struct
    {
        QString key, text;
        bool found;
    } cases[] = {
        {"zig(", "X:=ZIG(C)", true},
        {"ΣΑ", "σα", true},
        {"ς", "Σ", true},
        {"k", "\u212A", true}, // Kelvin sign folds to k
        {"S", "\u017F", true}, // long s folds to s
        {"A", "Ａ", false},
        {"Ａ", "ａ", true},
        {kDeseretUpper, "x" + kDeseretLower, true},
        {"", "x", true},
        {"", "", false},
        {"x", "", false},
        // Halves of a pair are not code points of the text...
        {kLowHalf, kDeseretUpper, false},
        {kHighHalf, kDeseretUpper + "x", false},
        {"x" + kHighHalf, "x" + kDeseretUpper, false},
        // ...but lone surrogates are, and fold to themselves.
        {kLowHalf, "a" + kLowHalf + "b", true},
        {kHighHalf + "b", "a" + kHighHalf + "B", true},
        {kLowHalf + kHighHalf, kLowHalf + kDeseretUpper, false},
        {kLowHalf + kDeseretLower, kLowHalf + kDeseretUpper, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.key.toStdString() + " in " + c.text.toStdString());
        EXPECT_EQ(KeyMatcher(QStringList{c.key}).found(c.text).front(), c.found);
        EXPECT_EQ(ReferenceContains(c.text, c.key), c.found);
    }
}

TEST(KeyMatcher, LocatesOverlappingOccurrencesInTextOrder)
{
    const QString text = "A:=FLATZIG(C);aaa" + kDeseretLower + "zig(";
    const QStringList keys{"ZIG(", "FLATZIG(", "aa", "", kDeseretUpper + "ZIG("};
    const QList<Occurrence> expected{
        {3, 0, 0}, {1, 3, 8}, {0, 7, 4}, {2, 14, 2}, {2, 15, 2}, {4, 17, 6}, {0, 19, 4},
    };
    EXPECT_EQ(KeyMatcher(keys).locate(text), expected);
    EXPECT_EQ(ReferenceLocate(keys, text), expected);
    EXPECT_TRUE(KeyMatcher(keys).locate(QString()).isEmpty());
    EXPECT_EQ(KeyMatcher(keys).locate(text, 3), expected.first(3)); // those that end first
}

// The checker takes the occurrences as they stream out, far more of them
// than the scan holds back at once; among those that start at one place, a
// key still comes before its own prefix listed after it.
TEST(KeyMatcher, StreamsOccurrencesInTheOrderOfLocate)
{
    struct Collected final : detect::OccurrenceSink
    {
        bool take(const Occurrence &occurrence) override
        {
            occurrences.append(occurrence);
            return true;
        }
        QList<Occurrence> occurrences;
    } collected;
    const QStringList keys{"ab", "a", ""};
    const QString text = QString("ab").repeated(5000);
    KeyMatcher(keys).streamInUtf8(detect::MatchableText(text), collected);
    EXPECT_EQ(collected.occurrences, ReferenceLocate(keys, text));
}

// Random keys and texts from units that stress folding and surrogates, lone
// ones included: which keys occur, and where, as the plain rules say.
TEST(KeyMatcher, AgreesWithThePlainRulesOnRandomUnits)
{
    const char16_t units[] = {u'a',   u'A',   u'k',   0x212A, 0x03C3, 0x03A3, 0x03C2,
                              0xFF21, 0xD801, 0xDC00, 0xDC28, 0xD83D, 0xDFFF, u'('};
    std::mt19937 random(7);
    const auto pick = [&](qsizetype n) {
        return qsizetype(std::uniform_int_distribution<qsizetype>(0, n - 1)(random));
    };
    const auto randomUnits = [&](qsizetype size) {
        QString s(size, Qt::Uninitialized);
        for (QChar &c : s)
            c = QChar(units[pick(std::size(units))]);
        return s;
    };
    for (int n = 0; n < 3000; ++n) {
        const QString text = randomUnits(pick(60));
        QStringList keys;
        for (int k = pick(12); k > 0; --k) {
            QString key =
                pick(2) ? text.mid(pick(text.size() + 1), 1 + pick(8)) : randomUnits(pick(5));
            if (pick(3) == 0 && !key.isEmpty())
                key[pick(key.size())] = QChar(units[pick(std::size(units))]);
            keys.append(key);
        }
        const KeyMatcher matcher(keys);
        const QList<Occurrence> occurrences = matcher.locate(text);
        ASSERT_EQ(occurrences, ReferenceLocate(keys, text)) << "case " << n;
        const QList<bool> found = matcher.found(text);
        for (qsizetype k = 0; k < keys.size(); ++k) {
            const bool located = std::any_of(occurrences.begin(), occurrences.end(),
                                             [&](const Occurrence &o) { return o.key == k; });
            ASSERT_EQ(found[k], located) << "case " << n << ", key " << k;
        }
    }
}

// On well-formed text the rules are the platform's own case-insensitive search.
TEST(KeyMatcher, AgreesWithThePlatformOnWellFormedText)
{
    const QString pieces[] = {"a",  "A",  "k",           "\u212A",      "σ", "Σ", "ς",
                              "Ａ", "ａ", kDeseretUpper, kDeseretLower, "(", "中"};
    std::mt19937 random(11);
    const auto pick = [&](int n) { return std::uniform_int_distribution<>(0, n - 1)(random); };
    const auto randomText = [&](int count) {
        QString s;
        for (int i = 0; i < count; ++i)
            s += pieces[pick(std::size(pieces))];
        return s;
    };
    for (int n = 0; n < 3000; ++n) {
        const QString text = randomText(1 + pick(40));
        QStringList keys;
        for (int k = 1 + pick(6); k > 0; --k)
            keys.append(randomText(1 + pick(4)));
        const QList<bool> found = KeyMatcher(keys).found(text);
        for (qsizetype k = 0; k < keys.size(); ++k)
            ASSERT_EQ(found[k], text.indexOf(keys[k], 0, Qt::CaseInsensitive) >= 0) << n;
    }
}

TEST(PositionCounter, CountsLinesAndCodePoints)
{
    const QString text = "ab\r\n中" + kDeseretUpper + "x\ry\n\nz\r\n";
    const struct
    {
        qsizetype offset, line, column;
    } cases[] = {
        {0, 1, 1}, {2, 1, 3}, {3, 2, 1},  {4, 2, 1},  {5, 2, 2},  {7, 2, 3},
        {8, 2, 4}, {9, 3, 1}, {11, 4, 1}, {12, 5, 1}, {13, 5, 2}, {15, 6, 1},
    };
    const QByteArray bytes = detect::MatchableText(text);
    detect::PositionCounter counter(bytes);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.offset);
        const detect::TextPosition expected{c.line, c.column};
        EXPECT_EQ(counter.at(detect::MatchableText(text.left(c.offset)).size()), expected);
        EXPECT_EQ(ReferencePosition(text, c.offset), expected);
    }

    // Long stretches are counted many bytes at once: lines longer than such
    // a stretch, CR LF across its edges, and more than 255 stretches between
    // two places.
    const QString block = text + QString(40, u'中') + "\r" + QString(33, u'a');
    const QString longText =
        block.repeated(120) + (QString(15, u'a') + "\n").repeated(300) + QString(5000, u'b');
    const QByteArray longBytes = detect::MatchableText(longText);
    detect::PositionCounter longCounter(longBytes);
    for (const qsizetype offset : {qsizetype(0), qsizetype(17), qsizetype(100), qsizetype(5000),
                                   qsizetype(5001), longText.size() - 5001, longText.size()}) {
        SCOPED_TRACE(offset);
        EXPECT_EQ(longCounter.at(detect::MatchableText(QStringView(longText).first(offset)).size()),
                  ReferencePosition(longText, offset));
    }
}

} // namespace
