#include "keymatcher.h"

#include <gtest/gtest.h>

#include <random>

namespace {

QString Units(std::initializer_list<char16_t> units)
{
    return QString(reinterpret_cast<const QChar *>(units.begin()), qsizetype(units.size()));
}

// What the platform's search says, with an empty text containing nothing.
bool Contains(const QString &text, const QString &key)
{
    return !text.isEmpty() && text.indexOf(key, 0, Qt::CaseInsensitive) >= 0;
}

void ExpectAgreement(const QStringList &keys, const QString &text)
{
    const QList<bool> found = detect::KeyMatcher(keys).occurrences(text);
    ASSERT_EQ(found.size(), keys.size());
    for (qsizetype k = 0; k < keys.size(); ++k) {
        ASSERT_EQ(found[k], Contains(text, keys[k]))
            << "key " << k << " of " << keys.size() << ", " << keys[k].size() << " units, text "
            << text.size() << " units";
    }
}

const QString kDeseretUpper = Units({0xD801, 0xDC00}); // U+10400
const QString kDeseretLower = Units({0xD801, 0xDC28}); // U+10428, its case pair
const QString kLowHalf = Units({0xDC00});

TEST(KeyMatcher, FoldsCaseLikeThePlatform)
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
    };
    for (const auto &c : cases) {
        EXPECT_EQ(detect::KeyMatcher({c.key}).occurrences(c.text).front(), c.found)
            << c.key.toStdString() << " in " << c.text.toStdString();
        EXPECT_EQ(Contains(c.text, c.key), c.found) << c.key.toStdString();
    }
}

// At a window starting on the low half of a pair, the platform answers
// differently by key and text length; each variant must come out the same.
TEST(KeyMatcher, AgreesOnKeysStartingInsideAPair)
{
    // U+10DC00 folds to itself, a difference with 20 trailing zero bits.
    const QString pairs[] = {kDeseretUpper, kDeseretLower, Units({0xD83D, 0xDC00}),
                             Units({0xDBF7, 0xDC00})};
    for (const QString &pair : pairs) {
        for (qsizetype length : {1, 2, 6, 44, 45, 53, 54, 61, 62, 70}) {
            const QString key = pair.mid(1) + QString(length - 1, u'A');
            const QString text = pair + QString(length - 1, u'a');
            // Texts on both sides of the platform's switch from hashing to
            // Boyer-Moore at 500 units.
            for (qsizetype size : {text.size(), qsizetype(500), qsizetype(501), qsizetype(700)}) {
                ExpectAgreement({key, "a"}, text + QString(size - text.size(), u'b'));
                ExpectAgreement({key}, QString(size - key.size(), u'b') + key);
            }
        }
    }
}

// A key longer than 255 units with a pair across that edge, at every offset
// in a long text.
TEST(KeyMatcher, AgreesOnLongKeysWithAPairAtTheEdge)
{
    for (qsizetype length : {256, 300}) {
        QString key;
        for (int i = 0; i < length; ++i)
            key += QChar(u'a' + i % 7);
        key.replace(length - 256, 2, kDeseretUpper);
        QString folded = key;
        folded.replace(length - 256, 2, kDeseretLower);
        for (qsizetype offset = 0; offset < 520; ++offset) {
            const QString padding(offset, u'z');
            ExpectAgreement({key, "g"}, padding + key + QString(600, u'z'));
            ExpectAgreement({key}, padding + folded + QString(600, u'z'));
        }
    }
}

// Random keys and texts from units that stress folding and surrogates, lone
// ones included, in short texts and in texts long enough for the platform to
// switch its method.
TEST(KeyMatcher, AgreesWithThePlatformOnRandomUnits)
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
        const QString text = randomUnits(pick(4) == 0 ? 500 + pick(300) : pick(60));
        QStringList keys;
        for (int k = pick(12); k > 0; --k) {
            QString key =
                pick(2) ? text.mid(pick(text.size() + 1), 1 + pick(8)) : randomUnits(pick(5));
            if (pick(3) == 0 && !key.isEmpty())
                key[pick(key.size())] = QChar(units[pick(std::size(units))]);
            keys.append(key);
        }
        ExpectAgreement(keys, text);
    }
}

} // namespace
