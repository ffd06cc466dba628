#include "reading_judge.h"

#include <cctype>

// The formula as plain rules read it: a character at a time, the byte
// offset where each starts, whether it belongs to a word, and whether it is
// code.
static char32_t Decode(const QByteArray &text, qsizetype i, int &length)
{
    const auto lead = uchar(text[i]);
    length = 1;
    if (lead < 0x80)
        return lead;
    const int more = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
    if (lead < 0xC0 || lead > 0xF4 || i + more >= text.size())
        return 0xFFFD;
    char32_t codePoint = lead & (0x3F >> more);
    for (int k = 1; k <= more; ++k) {
        const auto next = uchar(text[i + k]);
        if ((next & 0xC0) != 0x80)
            return 0xFFFD;
        codePoint = codePoint << 6 | (next & 0x3F);
    }
    length = more + 1;
    return codePoint;
}

std::vector<Character> JudgeCharacters(const QByteArray &text)
{
    enum { Code, Comment, LineComment, String, Reference } state = Code;
    std::vector<Character> characters;
    characters.reserve(std::size_t(text.size()));
    for (qsizetype i = 0; i < text.size();) {
        int length;
        char32_t c = Decode(text, i, length);
        // ASCII written in more bytes than one (an overlong form) is neither
        // a letter nor a delimiter.
        if (length > 1 && c < 0x80)
            c = 0xFFFD;
        const bool word = (c < 0x80 && (std::isalnum(int(c)) || c == '_')) ||
                          (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) ||
                          (c >= 0xF900 && c <= 0xFAFF) || (c >= 0x20000 && c <= 0x3134F);
        const bool lineEnd = c == '\r' || c == '\n';
        language::Context region = language::Context::Code;
        switch (state) {
        case Code:
            if (c == '{')
                state = Comment;
            else if (c == '\'')
                state = String;
            else if (c == '"')
                state = Reference;
            else if (c == '/' && i + 1 < text.size() && text[i + 1] == '/')
                state = LineComment;
            if (state == Comment || state == LineComment)
                region = language::Context::Comment;
            if (state == String)
                region = language::Context::String;
            break;
        case Comment:
            region = language::Context::Comment;
            if (c == '}')
                state = Code;
            break;
        case LineComment:
            if (lineEnd)
                state = Code;
            else
                region = language::Context::Comment;
            break;
        case String:
            if (!lineEnd)
                region = language::Context::String;
            if (c == '\'' || lineEnd)
                state = Code;
            break;
        case Reference:
            if (c == '"' || lineEnd)
                state = Code;
            break;
        }
        const bool code = region == language::Context::Code;
        characters.push_back({i, c, word && code, code, region});
        i += length;
    }
    return characters;
}

// Between characters k - 1 and k. Plain pointers: the vector's checked
// access would be compiled with coverage feedback, in the fuzz target.
static bool WordEdge(const Character *chars, qsizetype count, qsizetype k)
{
    return k > 0 && k < count && chars[k - 1].word && chars[k].word;
}

language::Context JudgeContext(const std::vector<Character> &characters, qsizetype first,
                               qsizetype last)
{
    const Character *chars = characters.data();
    const qsizetype count = qsizetype(characters.size());
    language::Context context = chars[first].region;
    if (context == language::Context::Code &&
        (WordEdge(chars, count, first) || (WordEdge(chars, count, last) && chars[last - 1].code)))
        context = language::Context::Name;
    return context;
}

static bool IsSpace(char32_t c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' ||
           c == 0x3000 || c == 0xA0;
}

// Whether after the name ending at character k there stand, in code, "(",
// a first argument of 4096 bytes at most, ",", "-", a number and ")".
static bool NegativePeriodAfter(const std::vector<Character> &characters, qsizetype count,
                                qsizetype k)
{
    const Character *chars = characters.data();
    while (k < count && (chars[k].codePoint == ' ' || chars[k].codePoint == '\t'))
        ++k;
    if (k == count || chars[k].codePoint != '(')
        return false;
    const qsizetype from = chars[k].offset + 1;
    // What stands in code, spaces and comments passed over.
    const auto skip = [&](qsizetype i) {
        while (i < count && (!chars[i].code || IsSpace(chars[i].codePoint)))
            ++i;
        return i;
    };
    int depth = 0;
    bool inReference = false;
    qsizetype i = k + 1;
    for (;; ++i) {
        i = skip(i);
        if (i == count)
            return false;
        const char32_t c = chars[i].codePoint;
        const bool startsToken = !chars[i].word || i == 0 || !chars[i - 1].word;
        if (startsToken && !inReference && chars[i].offset - from > 4096)
            return false;
        if (c == '"' || (inReference && (c == '\r' || c == '\n'))) {
            inReference = c == '"' && !inReference;
            continue;
        }
        if (inReference)
            continue;
        if (c == ';' || (c == ')' && depth == 0))
            return false;
        if (c == ',' && depth == 0)
            break;
        depth += c == '(' ? 1 : c == ')' ? -1 : 0;
    }
    i = skip(i + 1);
    if (i == count || chars[i].codePoint != '-')
        return false;
    i = skip(i + 1);
    if (i == count || chars[i].codePoint < '0' || chars[i].codePoint > '9')
        return false;
    for (++i; i < count;) {
        if (chars[i].word && chars[i].code)
            ++i;
        else if (chars[i].codePoint == '.' && i + 1 < count && chars[i + 1].codePoint >= '0' &&
                 chars[i + 1].codePoint <= '9')
            i += 2;
        else
            break;
    }
    i = skip(i);
    return i < count && chars[i].codePoint == ')';
}

std::vector<language::Use> JudgeUses(const QByteArray &text,
                                     const std::vector<Character> &characters)
{
    const Character *chars = characters.data();
    const qsizetype count = qsizetype(characters.size());
    const auto wordEdge = [&](qsizetype k) { return WordEdge(chars, count, k); };
    std::vector<language::Use> expectedUses;
    for (qsizetype k = 0; k < count; ++k) {
        if (!chars[k].word || wordEdge(k) || chars[k].codePoint >= 0x80 ||
            std::isdigit(int(chars[k].codePoint)))
            continue;
        qsizetype end = k;
        QString name;
        while (end < count && chars[end].word && (end == k || wordEdge(end))) {
            name += QChar(char16_t(chars[end].codePoint < 0x10000 ? chars[end].codePoint : 0xFFFD));
            ++end;
        }
        const qsizetype endOffset = end < count ? chars[end].offset : text.size();
        const bool afterHash = k > 0 && chars[k - 1].codePoint == '#';
        const language::FutureFunction *period =
            afterHash ? language::FindFutureFunction(u'#' + name) : nullptr;
        const language::FutureFunction *function = language::FindFutureFunction(name);
        if (period && period->writing == language::Writing::Period) {
            expectedUses.push_back({period, chars[k - 1].offset, endOffset - chars[k - 1].offset});
            continue;
        }
        if (!function) {
            // REF(X,-N), REFV(X,-N)
            for (const language::FutureFunction &f : language::FutureFunctions()) {
                if (f.writing == language::Writing::NegativePeriod &&
                    name.compare(f.name, Qt::CaseInsensitive) == 0 &&
                    NegativePeriodAfter(characters, count, end))
                    function = &f;
            }
            if (function) {
                expectedUses.push_back({function, chars[k].offset, endOffset - chars[k].offset});
                continue;
            }
        }
        if (!function || function->writing == language::Writing::Period ||
            function->writing == language::Writing::NegativePeriod)
            continue;
        qsizetype next = end;
        while (next < count && (chars[next].codePoint == ' ' || chars[next].codePoint == '\t'))
            ++next;
        if (function->writing == language::Writing::Bare ||
            (next < count && chars[next].codePoint == '('))
            expectedUses.push_back({function, chars[k].offset, endOffset - chars[k].offset});
    }

    return expectedUses;
}
