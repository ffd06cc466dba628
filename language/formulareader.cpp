#include "formulareader.h"

#include <array>
#include <bit>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace language {

namespace {

// What a byte of code may start. Bytes beyond ASCII are passed over as
// punctuation is: Chinese matters only beside a name, where it is looked at.
enum ByteClass : std::uint8_t {
    kPassedOver,
    kWordByte,
    kOpenBrace,
    kQuote,
    kDoubleQuote,
    kLineEnd,
};

constexpr std::array<std::uint8_t, 256> kByteClass = [] {
    std::array<std::uint8_t, 256> classes{};
    for (int b = 0; b < 256; ++b) {
        const bool word =
            (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '_';
        classes[b] = word ? kWordByte : kPassedOver;
    }
    classes['{'] = kOpenBrace;
    classes['\''] = kQuote;
    classes['"'] = kDoubleQuote;
    classes['\r'] = kLineEnd;
    classes['\n'] = kLineEnd;
    return classes;
}();

// Which of the 64 bytes at p are word bytes (ASCII letters, digits, _),
// which of them letters, and which may open or close something
// ({ ' " CR LF), a bit each.
inline void Classify(const unsigned char *p, std::uint64_t &wordBytes, std::uint64_t &letterBytes,
                     std::uint64_t &specialBytes)
{
    // Gathered in locals: through the references every step would go to memory.
    std::uint64_t words = 0, letters = 0, specials = 0;
#if defined(__SSE2__) || defined(_M_X64)
    const auto is = [](__m128i v, char c) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(c)); };
    const auto within = [](__m128i v, char low, char high) {
        // Bytes beyond ASCII are negative, below any bound.
        return _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8(char(low - 1))),
                             _mm_cmplt_epi8(v, _mm_set1_epi8(char(high + 1))));
    };
    for (int k = 0; k < 4; ++k) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 16 * k));
        const __m128i folded = _mm_or_si128(v, _mm_set1_epi8(0x20));
        const __m128i letter = within(folded, 'a', 'z');
        const __m128i word = _mm_or_si128(_mm_or_si128(letter, within(v, '0', '9')), is(v, '_'));
        const __m128i special =
            _mm_or_si128(_mm_or_si128(_mm_or_si128(is(v, '{'), is(v, '\'')), is(v, '"')),
                         _mm_or_si128(is(v, '\r'), is(v, '\n')));
        words |= std::uint64_t(unsigned(_mm_movemask_epi8(word))) << (16 * k);
        letters |= std::uint64_t(unsigned(_mm_movemask_epi8(letter))) << (16 * k);
        specials |= std::uint64_t(unsigned(_mm_movemask_epi8(special))) << (16 * k);
    }
#else
    for (int i = 0; i < 64; ++i) {
        const std::uint8_t c = kByteClass[p[i]];
        words |= std::uint64_t(c == kWordByte) << i;
        letters |= std::uint64_t(((p[i] | 0x20) >= 'a') && ((p[i] | 0x20) <= 'z')) << i;
        specials |= std::uint64_t(c != kWordByte && c != kPassedOver) << i;
    }
#endif
    wordBytes = words;
    letterBytes = letters;
    specialBytes = specials;
}

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

// The table's names by first letter, in capitals, and for every byte the
// lengths of the names it may start, so that most words are passed over
// after one look. Built from a table that is constant before any code runs.
struct NameIndex
{
    struct Name
    {
        QLatin1StringView name; // without the # of a period
        const FutureFunction *function;
    };

    NameIndex()
    {
        for (const FutureFunction &function : FutureFunctions()) {
            const QLatin1StringView name =
                function.writing == Writing::Period ? function.name.sliced(1) : function.name;
            const unsigned char letter = uchar(name[0].toLatin1());
            Q_ASSERT(letter >= 'A' && letter <= 'Z' && name.size() < 16);
            lengths[letter] |= std::uint16_t(1u << name.size());
            lengths[letter + 32] = lengths[letter];
            seconds[letter - 'A'] |= 1u << (name[1].toLatin1() - 'A');
            names[letter - 'A'][name.size()].push_back({name, &function});
        }
    }

    std::uint16_t lengths[256] = {};
    std::uint32_t seconds[26] = {};  // by first letter, the second letters
    std::vector<Name> names[26][16]; // by first letter and length

    // Whether a name may start with the two letters, in any case.
    bool mayStart(unsigned char first, unsigned char second) const
    {
        const unsigned letter = unsigned(Upper(second) - 'A');
        return letter < 26 && (seconds[Upper(first) - 'A'] >> letter & 1);
    }
};
const NameIndex kNames;

// The function whose name is the word, in any case; the word starts with a
// letter and is shorter than 16.
inline const FutureFunction *FunctionNamed(const unsigned char *word, qsizetype size)
{
    for (const NameIndex::Name &name : kNames.names[Upper(word[0]) - 'A'][size]) {
        qsizetype i = 1;
        while (i < size && Upper(word[i]) == uchar(name.name[i].toLatin1()))
            ++i;
        if (i == size)
            return name.function;
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

FormulaReader::Event FormulaReader::Lexer::use(qsizetype start)
{
    // A word of ASCII letters and digits lies in [start, at_); Chinese
    // before or after it makes it part of a longer name.
    const unsigned char *p = text_;
    const FutureFunction *function = FunctionNamed(p + start, at_ - start);
    if (!function || (start > 0 && p[start - 1] >= 0x80 && WordCharacterEndsAt(p, size_, start)) ||
        (at_ < size_ && p[at_] >= 0x80 && WordCharacterStartsAt(p, size_, at_)))
        return {};
    switch (function->writing) {
    case Writing::Period:
        // Without the #, YEAR and MONTH are the date functions.
        if (start > 0 && p[start - 1] == '#')
            return {Event::Use, start - 1, at_, function};
        return {};
    case Writing::Bare:
        return {Event::Use, start, at_, function};
    case Writing::Call:
        break;
    }
    qsizetype next = at_;
    while (next < size_ && (p[next] == ' ' || p[next] == '\t'))
        ++next;
    if (next < size_ && p[next] == '(')
        return {Event::Use, start, at_, function};
    return {};
}

FormulaReader::Event FormulaReader::Lexer::read()
{
    // Kept in locals: the text's bytes could alias the members, and the
    // compiler would store and load them at every byte.
    const unsigned char *const p = text_;
    const qsizetype size = size_;
    qsizetype at = at_;
    const auto done = [&](Event event) {
        at_ = at;
        return event;
    };
    // Whether the word in [start, end) is a known function used there.
    const auto lookUp = [&](qsizetype start, qsizetype end) {
        if (end - start >= 16 || !(kNames.lengths[p[start]] >> (end - start) & 1))
            return Event{};
        at_ = end;
        return use(start);
    };
    for (;;) {
        // 64 bytes at a time, from word to word up to the next special byte;
        // the block's masks serve until `at` leaves it. A word never starts
        // before `at` and ends after it here.
        while (size - at >= 64) {
            if (at < block_ || at >= block_ + 64) {
                block_ = at;
                Classify(p + at, masks_.word, masks_.letter, masks_.special);
            }
            const int offset = int(at - block_);
            const std::uint64_t word = masks_.word >> offset;
            const std::uint64_t specials = masks_.special >> offset;
            const int special = specials ? std::countr_zero(specials) : 64 - offset;
            // Names of the table start with a letter and have three or more,
            // so only such starts are looked at; at the block's last two bytes
            // the word may go on beyond it.
            const std::uint64_t beyond =
                offset >= 62 ? ~std::uint64_t(0) : ~std::uint64_t(0) << (62 - offset);
            std::uint64_t starts = word & ~(word << 1) & (masks_.letter >> offset) &
                                   ((word >> 1) | beyond) & ((word >> 2) | beyond);
            if (special < 64)
                starts &= (std::uint64_t(1) << special) - 1;
            qsizetype next = at + special;
            while (starts) {
                const int i = std::countr_zero(starts);
                starts &= starts - 1;
                if (at + i + 1 >= size || !kNames.mayStart(p[at + i], p[at + i + 1]))
                    continue;
                const std::uint64_t after = ~word >> i;
                qsizetype end = at + i + (after ? std::countr_zero(after) : 64 - offset - i);
                while (end < size && kByteClass[p[end]] == kWordByte)
                    ++end; // it goes on beyond the block
                if (const Event found = lookUp(at + i, end); found.kind == Event::Use)
                    return found;
                next = std::max(next, end);
            }
            // A word passed over may go on beyond the block; `at` must not
            // stop inside it.
            if (!specials && (word >> (63 - offset) & 1)) {
                while (next < size && kByteClass[p[next]] == kWordByte)
                    ++next;
            }
            at = next;
            if (specials)
                break;
        }
        while (at < size && kByteClass[p[at]] == kPassedOver)
            ++at;
        if (at == size)
            return done({Event::End, size, size});
        const qsizetype start = at;
        switch (kByteClass[p[at]]) {
        case kWordByte: {
            do
                ++at;
            while (at < size && kByteClass[p[at]] == kWordByte);
            if (const Event found = lookUp(start, at); found.kind == Event::Use)
                return found;
            continue;
        }
        case kOpenBrace: {
            if (inReference_)
                break;
            const void *close = std::memchr(p + at + 1, '}', std::size_t(size - at - 1));
            at = close ? static_cast<const unsigned char *>(close) - p + 1 : size;
            return done({Event::Comment, start, at});
        }
        case kQuote:
            if (inReference_)
                break;
            for (++at; at < size; ++at) {
                const unsigned char b = p[at];
                if (b == '\'') {
                    ++at;
                    break;
                }
                if (b == '\n' || b == '\r')
                    break;
            }
            return done({Event::String, start, at});
        case kDoubleQuote:
            inReference_ = !inReference_;
            break;
        case kLineEnd:
            inReference_ = false;
            break;
        }
        ++at;
    }
}

FormulaReader::FormulaReader(QByteArrayView text) : text_(text), lexer_(text) {}

void FormulaReader::readEvent()
{
    const Event event = lexer_.read();
    switch (event.kind) {
    case Event::Use:
        uses_.push_back({event.function, event.start, event.end - event.start});
        return;
    case Event::End:
        atEnd_ = true;
        return;
    default:
        region_ = event;
        return;
    }
}

bool FormulaReader::endsInsideWord(qsizetype end) const
{
    const auto *p = reinterpret_cast<const unsigned char *>(text_.data());
    if (end >= text_.size() || !WordCharacterEndsAt(p, text_.size(), end) ||
        !WordCharacterStartsAt(p, text_.size(), end))
        return false;
    // Two characters of words meet there; they are one word if the first is
    // in code. Only keys that run over a comment or a string get this far.
    Lexer ahead = lexer_;
    Event region = region_;
    while (ahead.at() < end) {
        const Event event = ahead.read();
        if (event.kind == Event::End)
            break;
        if (event.kind != Event::Use)
            region = event;
    }
    return region.kind == Event::None || end - 1 < region.start || end - 1 >= region.end;
}

Context FormulaReader::contextOf(qsizetype start, qsizetype end)
{
    while (lexer_.at() <= start && !atEnd_)
        readEvent();
    if (region_.kind != Event::None && start >= region_.start && start < region_.end)
        return region_.kind == Event::Comment ? Context::Comment : Context::String;
    const auto *p = reinterpret_cast<const unsigned char *>(text_.data());
    // In code, a word character on either side of an edge makes it one word.
    if (start > 0 && start < text_.size() && WordCharacterEndsAt(p, text_.size(), start) &&
        WordCharacterStartsAt(p, text_.size(), start))
        return Context::Name;
    return end > start && endsInsideWord(end) ? Context::Name : Context::Code;
}

bool FormulaReader::nextUse(Use &use, qsizetype before)
{
    while (usesTaken_ == uses_.size() && !atEnd_ && lexer_.at() <= before)
        readEvent();
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
