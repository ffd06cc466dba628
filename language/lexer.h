#pragma once

#include "bytescan.h"

#include <QByteArrayView>
#include <QLatin1StringView>

#include <cstdint>
#include <vector>

namespace language {

enum class TokenKind : std::uint8_t {
    End,
    Name,   // a letter, _ or CJK ideograph, then those and digits: C, MA5, 买点
    Number, // a digit, then word characters, and a point before a digit: 5, 0.5
    String, // '…' to the next ', or to the end of its line
    Comment, // {…} to the first }, over lines, or to the end of the text; // to the end of its line
    Reference, // "…" to the next ", or to the end of its line: another formula's output
    Period,    // #NAME behind a price or an output: a longer period
    Assign,    // :=
    Colon,
    Semicolon,
    Comma,
    Dot,
    Open,  // (
    Close, // )
    Plus,
    Minus,
    Times,
    Divide,
    Less,
    Greater,
    LessEqual,
    GreaterEqual,
    Equal,
    NotEqual, // != or <>
    And,      // &&
    Or,       // ||
    Other,    // any other character
};

// A token and the bytes [start, end) of the text it stands on.
struct Token
{
    TokenKind kind = TokenKind::End;
    qsizetype start = 0;
    qsizetype end = 0;
    bool operator==(const Token &) const = default;
};

// The names a skip stops at, in any case. Names of three to 31 letters are
// looked for; most words are passed over after a look at their first two
// letters and their length.
class NameStarts
{
public:
    // In capitals, and kept by reference: the names outlive the skips.
    void add(QLatin1StringView name);
    bool mayStart(uchar first, uchar second) const
    {
        const unsigned a = unsigned((first | 0x20) - 'a'), b = unsigned((second | 0x20) - 'a');
        return a < 26 && b < 26 && (seconds_[a] >> b & 1);
    }
    // Of a word that mayStart.
    bool wants(const uchar *word, qsizetype length) const
    {
        const unsigned a = unsigned((word[0] | 0x20) - 'a');
        if (length >= 32 || !(lengths_[a] >> length & 1))
            return false;
        for (const QLatin1StringView name : names_[a]) {
            if (name.size() == length && SameLetters(name, word))
                return true;
        }
        return false;
    }

private:
    static bool SameLetters(QLatin1StringView name, const uchar *word)
    {
        for (qsizetype i = 0; i < name.size(); ++i) {
            const uchar b = word[i];
            if ((b >= 'a' && b <= 'z' ? b - 32 : b) != uchar(name[i].toLatin1()))
                return false;
        }
        return true;
    }

    std::uint32_t seconds_[26] = {}; // by first letter, the second letters
    std::uint32_t lengths_[26] = {}; // by first letter, the lengths
    std::vector<QLatin1StringView> names_[26];
};

// Reads a formula as its language writes it, a token at a time, from the
// start of UTF-8 text (see utf8.h). Spaces, tabs, line ends, the ideographic
// and the no-break space stand between tokens.
class Lexer
{
public:
    explicit Lexer(QByteArrayView text);
    // From a place of `text` where a token of code starts.
    static Lexer At(QByteArrayView text, qsizetype at);
    // The code inside a reference token of `text`, where { ' and // open nothing.
    static Lexer InsideReference(QByteArrayView text, const Token &reference);

    Token next();

    // Passes over code that holds no comment, string, reference, period and
    // no name that `wanted` may start, 64 bytes at a time: the next token is
    // then one of those, or what starts at a / (a division or a comment), or
    // the end. Does nothing inside a reference.
    void skip(const NameStarts &wanted);

    // Passes over code up to the next ; or : or what opens a comment, a
    // string or a reference, 64 bytes at a time: what a statement's end and
    // name are found by. Does nothing inside a reference.
    void skipToMarks();

    // Everything before it has been read.
    qsizetype at() const { return at_; }

private:
    Lexer(QByteArrayView text, qsizetype from, qsizetype to, bool inReference);
    qsizetype wordEnd(qsizetype at) const;
    qsizetype numberEnd(qsizetype at) const;
    qsizetype lineEnd(qsizetype at) const;
    bool afterIdeograph(qsizetype at) const;

    const uchar *p_;
    qsizetype size_;
    qsizetype at_;
    bool inReference_;
    qsizetype block_ = -64; // the 64 bytes last classified start here
    BlockMasks masks_;
    qsizetype marksBlock_ = -1; // the block of 64 whose marks skipToMarks() found last
    std::uint64_t marksFound_ = 0;
};

} // namespace language
