#include "lexer.h"

#include "utf8.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <string_view>

namespace language {

namespace {

// What a byte starts; kOperator bytes are told apart in the switch.
enum ByteClass : std::uint8_t {
    kOther,
    kSpace,
    kLetter, // and _
    kDigit,
    kBeyondAscii,
    kOperator,
};

constexpr std::array<std::uint8_t, 256> kByteClass = [] {
    std::array<std::uint8_t, 256> classes{};
    for (int b = 0; b < 256; ++b) {
        if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || b == '_')
            classes[b] = kLetter;
        else if (b >= '0' && b <= '9')
            classes[b] = kDigit;
        else if (b >= 0x80)
            classes[b] = kBeyondAscii;
    }
    for (const char c : {' ', '\t', '\r', '\n', '\v', '\f'})
        classes[uchar(c)] = kSpace;
    for (const char c : {'{', '\'', '"', '#', '/', ':', ';', ',', '.', '(',
                         ')', '+',  '-', '*', '<', '>', '=', '!', '&', '|'})
        classes[uchar(c)] = kOperator;
    return classes;
}();

inline bool IsWordByte(uchar b)
{
    return kByteClass[b] == kLetter || kByteClass[b] == kDigit;
}

// Where a skip must stop in code: what opens a comment, a string, a
// reference or a period; ClassifyBlock() is told the same.
constexpr std::array<bool, 256> kSpecialByte = [] {
    std::array<bool, 256> special{};
    for (const char c : {'{', '\'', '"', '/', '#'})
        special[uchar(c)] = true;
    return special;
}();

} // namespace

void NameStarts::add(QLatin1StringView name)
{
    Q_ASSERT(name.size() >= 3 && name.size() < 32);
    const unsigned a = unsigned((name[0].toLatin1() | 0x20) - 'a');
    const unsigned b = unsigned((name[1].toLatin1() | 0x20) - 'a');
    Q_ASSERT(a < 26 && b < 26);
    seconds_[a] |= std::uint32_t(1) << b;
    lengths_[a] |= std::uint32_t(1) << name.size();
    names_[a].push_back(name);
}

Lexer::Lexer(QByteArrayView text) : Lexer(text, 0, text.size(), false) {}

Lexer::Lexer(QByteArrayView text, qsizetype from, qsizetype to, bool inReference)
    : p_(reinterpret_cast<const uchar *>(text.data())), size_(to), at_(from),
      inReference_(inReference)
{}

Lexer Lexer::At(QByteArrayView text, qsizetype at)
{
    return Lexer(text, at, text.size(), false);
}

Lexer Lexer::InsideReference(QByteArrayView text, const Token &reference)
{
    const bool closed = reference.end - reference.start >= 2 && text[reference.end - 1] == '"';
    return Lexer(text, reference.start + 1, reference.end - (closed ? 1 : 0), true);
}

bool Lexer::afterIdeograph(qsizetype at) const
{
    return at > 0 && p_[at - 1] >= 0x80 && IsIdeograph(DecodeBefore(p_, size_, at));
}

qsizetype Lexer::wordEnd(qsizetype at) const
{
    while (at < size_) {
        if (IsWordByte(p_[at])) {
            ++at;
            continue;
        }
        int length;
        if (p_[at] < 0x80 || !IsIdeograph(DecodeAt(p_, size_, at, length)))
            break;
        at += length;
    }
    return at;
}

qsizetype Lexer::numberEnd(qsizetype at) const
{
    for (;;) {
        at = wordEnd(at);
        if (at + 1 < size_ && p_[at] == '.' && kByteClass[p_[at + 1]] == kDigit)
            at += 2;
        else
            return at;
    }
}

qsizetype Lexer::lineEnd(qsizetype at) const
{
    while (at < size_ && p_[at] != '\n' && p_[at] != '\r')
        ++at;
    return at;
}

Token Lexer::next()
{
    const uchar *const p = p_;
    const qsizetype size = size_;
    qsizetype at = at_;
    int length = 1;
    char32_t beyond = 0; // the character at `at` when it is not ASCII
    for (;;) {
        while (at < size && kByteClass[p[at]] == kSpace)
            ++at;
        if (at == size || p[at] < 0x80)
            break;
        beyond = DecodeAt(p, size, at, length);
        if (beyond != 0x3000 && beyond != 0xA0)
            break;
        at += length;
    }
    const qsizetype start = at;
    const auto token = [&](TokenKind kind, qsizetype end) {
        at_ = end;
        return Token{kind, start, end};
    };
    if (at == size)
        return token(TokenKind::End, at);
    switch (kByteClass[p[at]]) {
    case kLetter:
        return token(TokenKind::Name, wordEnd(at + 1));
    case kDigit:
        return token(TokenKind::Number, numberEnd(at + 1));
    case kBeyondAscii:
        if (IsIdeograph(beyond))
            return token(TokenKind::Name, wordEnd(at + length));
        return token(TokenKind::Other, at + length);
    case kOperator:
        break;
    default:
        return token(TokenKind::Other, at + 1);
    }
    const uchar next = at + 1 < size ? p[at + 1] : 0;
    switch (p[at]) {
    case '{': {
        if (inReference_)
            break;
        const void *close = std::memchr(p + at + 1, '}', std::size_t(size - at - 1));
        return token(TokenKind::Comment, close ? static_cast<const uchar *>(close) - p + 1 : size);
    }
    case '\'': {
        if (inReference_)
            break;
        qsizetype end = at + 1;
        while (end < size && p[end] != '\'' && p[end] != '\n' && p[end] != '\r')
            ++end;
        return token(TokenKind::String, end < size && p[end] == '\'' ? end + 1 : end);
    }
    case '"': {
        if (inReference_)
            break;
        qsizetype end = at + 1;
        while (end < size && p[end] != '"' && p[end] != '\n' && p[end] != '\r')
            ++end;
        return token(TokenKind::Reference, end < size && p[end] == '"' ? end + 1 : end);
    }
    case '#': {
        int nameLength = 1;
        if (kByteClass[next] == kLetter ||
            (next >= 0x80 && IsIdeograph(DecodeAt(p, size, at + 1, nameLength))))
            return token(TokenKind::Period, wordEnd(at + 1));
        break;
    }
    case '/':
        if (next == '/' && !inReference_)
            return token(TokenKind::Comment, lineEnd(at + 2));
        return token(TokenKind::Divide, at + 1);
    case ':':
        return next == '=' ? token(TokenKind::Assign, at + 2) : token(TokenKind::Colon, at + 1);
    case ';':
        return token(TokenKind::Semicolon, at + 1);
    case ',':
        return token(TokenKind::Comma, at + 1);
    case '.':
        return token(TokenKind::Dot, at + 1);
    case '(':
        return token(TokenKind::Open, at + 1);
    case ')':
        return token(TokenKind::Close, at + 1);
    case '+':
        return token(TokenKind::Plus, at + 1);
    case '-':
        return token(TokenKind::Minus, at + 1);
    case '*':
        return token(TokenKind::Times, at + 1);
    case '<':
        if (next == '=')
            return token(TokenKind::LessEqual, at + 2);
        if (next == '>')
            return token(TokenKind::NotEqual, at + 2);
        return token(TokenKind::Less, at + 1);
    case '>':
        return next == '=' ? token(TokenKind::GreaterEqual, at + 2)
                           : token(TokenKind::Greater, at + 1);
    case '=':
        return token(TokenKind::Equal, at + 1);
    case '!':
        if (next == '=')
            return token(TokenKind::NotEqual, at + 2);
        break;
    case '&':
        if (next == '&')
            return token(TokenKind::And, at + 2);
        break;
    case '|':
        if (next == '|')
            return token(TokenKind::Or, at + 2);
        break;
    }
    return token(TokenKind::Other, at + 1);
}

void Lexer::skip(const NameStarts &wanted)
{
    if (inReference_)
        return;
    // Kept in locals: the text's bytes could alias the members, and the
    // compiler would store and load them at every byte.
    const uchar *const p = p_;
    const qsizetype size = size_;
    qsizetype at = at_;
    // A name is looked at where it may be one that is wanted, and is not the
    // end of a longer name that Chinese begins. `at` never stands inside a word.
    const auto wantedAt = [&](qsizetype start, qsizetype end) {
        return wanted.wants(p + start, end - start) && !afterIdeograph(start);
    };
    while (size - at >= 64) {
        // The block's masks serve until `at` leaves it.
        if (at < block_ || at >= block_ + 64) {
            block_ = at;
            masks_ = ClassifyBlock<'{', '\'', '"', '/', '#'>(p + at);
        }
        const int offset = int(at - block_);
        const std::uint64_t word = masks_.word >> offset;
        const std::uint64_t specials = masks_.special >> offset;
        const int special = specials ? std::countr_zero(specials) : 64 - offset;
        // Words that start with a letter and have three bytes or more; at the
        // block's last two bytes a word may go on beyond it.
        const std::uint64_t beyond =
            offset >= 62 ? ~std::uint64_t(0) : ~std::uint64_t(0) << (62 - offset);
        std::uint64_t starts = word & ~(word << 1) & (masks_.letter >> offset) &
                               ((word >> 1) | beyond) & ((word >> 2) | beyond);
        if (special < 64)
            starts &= (std::uint64_t(1) << special) - 1;
        qsizetype next = at + special;
        for (; starts; starts &= starts - 1) {
            const qsizetype start = at + std::countr_zero(starts);
            // Most words are passed over here, before their end is looked for.
            if (size - start < 3 || !wanted.mayStart(p[start], p[start + 1]))
                continue;
            const std::uint64_t after = ~word >> (start - at);
            qsizetype end = after ? start + std::countr_zero(after) : block_ + 64;
            while (end >= block_ + 64 && end < size && IsWordByte(p[end]))
                ++end; // it goes on beyond the block
            if (wantedAt(start, end)) {
                at_ = start;
                return;
            }
            next = std::max(next, end);
        }
        // A word passed over may go on beyond the block; `at` must not
        // stop inside it.
        if (!specials && (word >> (63 - offset) & 1)) {
            while (next < size && IsWordByte(p[next]))
                ++next;
        }
        at = next;
        if (specials) {
            at_ = at;
            return;
        }
    }
    while (at < size) {
        const uchar b = p[at];
        if (kSpecialByte[b]) {
            at_ = at;
            return;
        }
        if (!IsWordByte(b)) {
            ++at;
            continue;
        }
        const qsizetype start = at;
        do
            ++at;
        while (at < size && IsWordByte(p[at]));
        if (kByteClass[b] == kLetter && b != '_' && at - start >= 3 &&
            wanted.mayStart(b, p[start + 1]) && wantedAt(start, at)) {
            at_ = start;
            return;
        }
    }
    at_ = size;
}

} // namespace language

namespace language {

void Lexer::skipToMarks()
{
    if (inReference_)
        return;
    const uchar *const p = p_;
    const qsizetype size = size_;
    qsizetype at = at_;
    constexpr auto marks = [] {
        std::array<bool, 256> marks{};
        for (const char c : {'{', '\'', '"', '/', ';', ':'})
            marks[uchar(c)] = true;
        return marks;
    }();
    // Blocks start at multiples of 64, so that each is classified once
    // however often a statement's reading comes back into it.
    for (qsizetype block = at & ~qsizetype(63); block + 64 <= size; block += 64) {
        if (block != marksBlock_) {
            marksBlock_ = block;
            marksFound_ = ClassifyBlock<'{', '\'', '"', '/', ';', ':'>(p + block).special;
        }
        const std::uint64_t found =
            at > block ? marksFound_ >> (at - block) << (at - block) : marksFound_;
        if (found) {
            at_ = block + std::countr_zero(found);
            return;
        }
        at = block + 64;
    }
    while (at < size && !marks[p[at]])
        ++at;
    at_ = at;
}

} // namespace language
