#include "formulareader.h"

#include "utf8.h"

namespace language {

namespace {

// Whether a character of a name (see Lexer) starts at p[i] or ends right
// before p[end].
inline bool WordCharacterAt(const uchar *p, qsizetype size, qsizetype i)
{
    const uchar b = p[i];
    if (b < 0x80)
        return (b >= '0' && b <= '9') || ((b | 0x20) >= 'a' && (b | 0x20) <= 'z') || b == '_';
    int length;
    return IsIdeograph(DecodeAt(p, size, i, length));
}

inline bool WordCharacterBefore(const uchar *p, qsizetype size, qsizetype end)
{
    return p[end - 1] < 0x80 ? WordCharacterAt(p, size, end - 1)
                             : IsIdeograph(DecodeBefore(p, size, end));
}

// Two characters of names meet at `at`.
inline bool InsideWord(const uchar *p, qsizetype size, qsizetype at)
{
    return at > 0 && at < size && WordCharacterBefore(p, size, at) && WordCharacterAt(p, size, at);
}

// Reads on to the next comment, string, reference or use; false at the end.
bool ReadOn(QByteArrayView text, Lexer &lexer, Token &region, std::vector<Use> *uses)
{
    lexer.skip(FutureFunctionStarts());
    const Token token = lexer.next();
    switch (token.kind) {
    case TokenKind::End:
        return false;
    case TokenKind::Comment:
    case TokenKind::String:
        region = token;
        return true;
    case TokenKind::Reference:
        if (uses) {
            for (Lexer inside = Lexer::InsideReference(text, token);;) {
                const Token name = inside.next();
                if (name.kind == TokenKind::End)
                    break;
                if (const Use use = UsedBy(text, name); use.function)
                    uses->push_back(use);
            }
        }
        return true;
    default:
        if (const Use use = uses ? UsedBy(text, token) : Use{}; use.function)
            uses->push_back(use);
        return true;
    }
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

FormulaReader::FormulaReader(QByteArrayView text) : text_(text), lexer_(text) {}

void FormulaReader::read()
{
    atEnd_ = !ReadOn(text_, lexer_, region_, &uses_);
}

bool FormulaReader::endsInsideWord(qsizetype end) const
{
    const auto *p = reinterpret_cast<const uchar *>(text_.data());
    if (!InsideWord(p, text_.size(), end))
        return false;
    // Two characters of names meet there; they are one name if the first is
    // in code. Only keys that run over a comment or a string get this far.
    Lexer ahead = lexer_;
    Token region = region_;
    while (ahead.at() < end && ReadOn(text_, ahead, region, nullptr)) {
    }
    return region.kind == TokenKind::End || end - 1 < region.start || end - 1 >= region.end;
}

Context FormulaReader::contextOf(qsizetype start, qsizetype end)
{
    while (lexer_.at() <= start && !atEnd_)
        read();
    if (region_.kind != TokenKind::End && start >= region_.start && start < region_.end)
        return region_.kind == TokenKind::Comment ? Context::Comment : Context::String;
    // In code, a character of a name on either side of an edge makes it one name.
    const auto *p = reinterpret_cast<const uchar *>(text_.data());
    if (InsideWord(p, text_.size(), start))
        return Context::Name;
    return end > start && endsInsideWord(end) ? Context::Name : Context::Code;
}

bool FormulaReader::nextUse(Use &use, qsizetype before)
{
    while (usesTaken_ == uses_.size() && !atEnd_ && lexer_.at() <= before)
        read();
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
