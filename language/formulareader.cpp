#include "formulareader.h"

#include <array>
#include <cstring>

namespace language {

namespace {

enum ByteClass : std::uint8_t {
    kPlain,
    kWordByte,
    kOpenBrace,
    kQuote,
    kDoubleQuote,
    kLineEnd,
    kNonAscii,
};

constexpr std::array<std::uint8_t, 256> kByteClass = [] {
    std::array<std::uint8_t, 256> classes{};
    for (int b = 0; b < 256; ++b) {
        const bool word =
            (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '_';
        classes[b] = b >= 0x80 ? kNonAscii : word ? kWordByte : kPlain;
    }
    classes['{'] = kOpenBrace;
    classes['\''] = kQuote;
    classes['"'] = kDoubleQuote;
    classes['\r'] = kLineEnd;
    classes['\n'] = kLineEnd;
    return classes;
}();

inline bool IsContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// The code point whose bytes start at p[i], not ASCII, and how many bytes it
// takes; a byte that starts no whole sequence is one of its own, as the
// matcher reads it.
inline char32_t DecodeAt(const unsigned char *p, qsizetype size, qsizetype i, int &length)
{
    const unsigned char lead = p[i];
    const int more = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
    length = 1;
    if (lead < 0xC0 || lead > 0xF4 || size - i <= more)
        return 0xFFFD;
    char32_t codePoint = lead & (0x3F >> more);
    for (int k = 1; k <= more; ++k) {
        if (!IsContinuation(p[i + k]))
            return 0xFFFD;
        codePoint = codePoint << 6 | (p[i + k] & 0x3F);
    }
    length = more + 1;
    return codePoint;
}

// The CJK ideographs that names may hold: the unified blocks and their
// extensions, and the compatibility ones.
inline bool IsIdeograph(char32_t c)
{
    return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0x20000 && c <= 0x3134F);
}

// Whether a character of a word starts at p[i].
inline bool WordCharacterStartsAt(const unsigned char *p, qsizetype size, qsizetype i)
{
    if (p[i] < 0x80)
        return kByteClass[p[i]] == kWordByte;
    int length;
    return IsIdeograph(DecodeAt(p, size, i, length));
}

// Whether a character of a word ends right before p[end].
inline bool WordCharacterEndsAt(const unsigned char *p, qsizetype size, qsizetype end)
{
    if (p[end - 1] < 0x80)
        return kByteClass[p[end - 1]] == kWordByte;
    qsizetype lead = end - 1;
    while (lead > 0 && end - lead < 4 && IsContinuation(p[lead]))
        --lead;
    int length;
    const char32_t c = DecodeAt(p, size, lead, length);
    return lead + length == end && IsIdeograph(c);
}

inline unsigned char Upper(unsigned char b)
{
    return b >= 'a' && b <= 'z' ? b - 32 : b;
}

// The table's names by first letter, and which lengths occur under each, so
// that most words are passed over after one look.
struct NameIndex
{
    std::uint16_t lengths[26] = {};
    std::vector<const FutureFunction *> names[26];
};

const NameIndex &Names()
{
    static const NameIndex index = [] {
        NameIndex built;
        for (const FutureFunction &function : FutureFunctions()) {
            const QLatin1StringView name =
                function.writing == Writing::Period ? function.name.sliced(1) : function.name;
            const int letter = name[0].toLatin1() - 'A';
            Q_ASSERT(letter >= 0 && letter < 26 && name.size() < 16);
            built.lengths[letter] |= std::uint16_t(1u << name.size());
            built.names[letter].push_back(&function);
        }
        return built;
    }();
    return index;
}

const FutureFunction *FunctionNamed(const unsigned char *word, qsizetype size)
{
    const int letter = Upper(word[0]) - 'A';
    if (letter < 0 || letter >= 26 || size >= 16)
        return nullptr;
    const NameIndex &index = Names();
    if (!(index.lengths[letter] >> size & 1))
        return nullptr;
    for (const FutureFunction *function : index.names[letter]) {
        const QLatin1StringView name =
            function->writing == Writing::Period ? function->name.sliced(1) : function->name;
        if (name.size() != size)
            continue;
        qsizetype i = 0;
        while (i < size && Upper(word[i]) == uchar(name[i].toLatin1()))
            ++i;
        if (i == size)
            return function;
    }
    return nullptr;
}

} // namespace

QLatin1StringView ContextId(Context context)
{
    switch (context) {
    case Context::Code:
        return QLatin1StringView("code");
    case Context::Comment:
        return QLatin1StringView("comment");
    case Context::String:
        return QLatin1StringView("string");
    case Context::Name:
        break;
    }
    return QLatin1StringView("name");
}

FormulaReader::Lexer::Lexer(QByteArrayView text)
    : text_(reinterpret_cast<const unsigned char *>(text.data())), size_(text.size())
{}

FormulaReader::Stretch FormulaReader::Lexer::word(qsizetype start)
{
    while (at_ < size_) {
        const unsigned char b = text_[at_];
        if (b < 0x80) {
            if (kByteClass[b] != kWordByte)
                break;
            ++at_;
            continue;
        }
        int length;
        if (!IsIdeograph(DecodeAt(text_, size_, at_, length)))
            break;
        at_ += length;
    }
    return {Stretch::Word, start, at_};
}

FormulaReader::Stretch FormulaReader::Lexer::read()
{
    const unsigned char *p = text_;
    while (at_ < size_) {
        const qsizetype start = at_;
        switch (kByteClass[p[at_]]) {
        case kPlain:
            ++at_;
            continue;
        case kWordByte:
            return word(start);
        case kNonAscii: {
            int length;
            if (IsIdeograph(DecodeAt(p, size_, at_, length)))
                return word(start);
            at_ += length;
            continue;
        }
        case kOpenBrace: {
            if (inReference_)
                break;
            const void *close = std::memchr(p + at_ + 1, '}', std::size_t(size_ - at_ - 1));
            at_ = close ? static_cast<const unsigned char *>(close) - p + 1 : size_;
            return {Stretch::Comment, start, at_};
        }
        case kQuote:
            if (inReference_)
                break;
            for (++at_; at_ < size_; ++at_) {
                const unsigned char b = p[at_];
                if (b == '\'') {
                    ++at_;
                    break;
                }
                if (b == '\n' || b == '\r')
                    break;
            }
            return {Stretch::String, start, at_};
        case kDoubleQuote:
            inReference_ = !inReference_;
            break;
        case kLineEnd:
            inReference_ = false;
            break;
        }
        ++at_;
    }
    return {Stretch::End, size_, size_};
}

FormulaReader::FormulaReader(QByteArrayView text) : text_(text), lexer_(text) {}

void FormulaReader::readStretch()
{
    current_ = lexer_.read();
    if (current_.kind == Stretch::Word)
        noteUse(current_);
}

void FormulaReader::noteUse(const Stretch &word)
{
    const auto *p = reinterpret_cast<const unsigned char *>(text_.data());
    const qsizetype size = word.end - word.start;
    if (size < 3) // no name of the table is shorter
        return;
    const FutureFunction *function = FunctionNamed(p + word.start, size);
    if (!function)
        return;
    const bool afterHash = word.start > 0 && p[word.start - 1] == '#';
    switch (function->writing) {
    case Writing::Period:
        // Without the #, YEAR and MONTH are the date functions.
        if (afterHash)
            uses_.push_back({function, word.start - 1, size + 1});
        return;
    case Writing::Bare:
        uses_.push_back({function, word.start, size});
        return;
    case Writing::Call: {
        qsizetype at = word.end;
        while (at < text_.size() && (p[at] == ' ' || p[at] == '\t'))
            ++at;
        if (at < text_.size() && p[at] == '(')
            uses_.push_back({function, word.start, size});
        return;
    }
    }
}

bool FormulaReader::endsInsideWord(qsizetype end) const
{
    const auto *p = reinterpret_cast<const unsigned char *>(text_.data());
    if (end <= 0 || end >= text_.size() || !WordCharacterEndsAt(p, text_.size(), end) ||
        !WordCharacterStartsAt(p, text_.size(), end))
        return false;
    // Two characters of words meet there; they are one word if the first is
    // in code. Only keys that run over a comment or a string get this far.
    Stretch stretch = current_;
    Lexer ahead = lexer_;
    while (stretch.end < end && stretch.kind != Stretch::End)
        stretch = ahead.read();
    return stretch.kind == Stretch::Word && stretch.start < end && end < stretch.end;
}

Context FormulaReader::contextOf(qsizetype start, qsizetype end)
{
    while (current_.end <= start && current_.kind != Stretch::End)
        readStretch();
    if (start >= current_.start && start < current_.end) {
        switch (current_.kind) {
        case Stretch::Comment:
            return Context::Comment;
        case Stretch::String:
            return Context::String;
        case Stretch::Word:
            if (start > current_.start)
                return Context::Name;
            if (end <= current_.end)
                return end > start && end < current_.end ? Context::Name : Context::Code;
            break;
        default:
            break;
        }
    }
    return end > start && endsInsideWord(end) ? Context::Name : Context::Code;
}

bool FormulaReader::nextUse(Use &use, qsizetype before)
{
    while (usesTaken_ == uses_.size() && current_.kind != Stretch::End && current_.end <= before)
        readStretch();
    if (usesTaken_ == uses_.size() || uses_[usesTaken_].start >= before)
        return false;
    use = uses_[usesTaken_++];
    if (usesTaken_ == uses_.size()) {
        uses_.clear();
        usesTaken_ = 0;
    }
    return true;
}

} // namespace language
