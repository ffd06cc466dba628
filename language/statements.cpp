#include "statements.h"

#include "lexer.h"

#include <QLatin1StringView>

#include <algorithm>
#include <bit>
#include <climits>
#include <string_view>
#include <utility>

namespace language {

namespace {

// A drawing function and which of its arguments are its condition: the
// first, then every `step` after it up to the `last` (from 1; 0: none).
struct Drawing
{
    QLatin1StringView name;
    int first;
    int step;
    int last;
};

// The language's drawing functions. The trading mode's functions (BUY …)
// draw a mark where their condition holds. The _FIX functions draw at a
// fixed place of the chart, not on the bars, and DRAWKLINE, DRAWBAND and
// DRAWRECTREL have no condition: all their arguments are lines.
constexpr Drawing kDrawings[] = {
    {QLatin1StringView("DRAWTEXT"), 1, 0, 1},       {QLatin1StringView("DRAWICON"), 1, 0, 1},
    {QLatin1StringView("DRAWNUMBER"), 1, 0, 1},     {QLatin1StringView("STICKLINE"), 1, 0, 1},
    {QLatin1StringView("PLOYLINE"), 1, 0, 1},       {QLatin1StringView("POLYLINE"), 1, 0, 1},
    {QLatin1StringView("DRAWSL"), 1, 0, 1},         {QLatin1StringView("DRAWBMP"), 1, 0, 1},
    {QLatin1StringView("DRAWGBK"), 1, 0, 1},        {QLatin1StringView("DRAWGBK_DIV"), 1, 0, 1},
    {QLatin1StringView("VERTLINE"), 1, 0, 1},       {QLatin1StringView("BUY"), 1, 0, 1},
    {QLatin1StringView("SELL"), 1, 0, 1},           {QLatin1StringView("BUYSHORT"), 1, 0, 1},
    {QLatin1StringView("SELLSHORT"), 1, 0, 1},      {QLatin1StringView("BUYSHORT_BUY"), 1, 0, 1},
    {QLatin1StringView("SELL_SELLSHORT"), 1, 0, 1}, {QLatin1StringView("CLOSEALLD"), 1, 0, 1},
    {QLatin1StringView("CLOSEALLK"), 1, 0, 1},      {QLatin1StringView("DRAWLINE"), 1, 2, 3},
    {QLatin1StringView("PARTLINE"), 2, 2, INT_MAX}, {QLatin1StringView("DRAWKLINE"), 0, 0, 0},
    {QLatin1StringView("DRAWBAND"), 0, 0, 0},       {QLatin1StringView("DRAWRECTREL"), 0, 0, 0},
    {QLatin1StringView("DRAWTEXT_FIX"), 0, 0, 0},   {QLatin1StringView("DRAWNUMBER_FIX"), 0, 0, 0},
};

// Functions whose value is a condition, as the language's help describes
// them: a call of one at the top of an output makes it a signal.
constexpr QLatin1StringView kConditions[] = {
    QLatin1StringView("CROSS"),   QLatin1StringView("LONGCROSS"), QLatin1StringView("EVERY"),
    QLatin1StringView("EXIST"),   QLatin1StringView("EXISTR"),    QLatin1StringView("BETWEEN"),
    QLatin1StringView("RANGE"),   QLatin1StringView("LAST"),      QLatin1StringView("NDAY"),
    QLatin1StringView("UPNDAY"),  QLatin1StringView("DOWNNDAY"),  QLatin1StringView("ISUP"),
    QLatin1StringView("ISDOWN"),  QLatin1StringView("ISEQUAL"),   QLatin1StringView("FILTER"),
    QLatin1StringView("TFILTER"), QLatin1StringView("NOT"),
};

// The outputs that are signals by their name: a selection's condition and a
// trading system's signals.
constexpr QLatin1StringView kSignalNames[] = {
    QLatin1StringView("XG"),         QLatin1StringView("ENTERLONG"), QLatin1StringView("EXITLONG"),
    QLatin1StringView("ENTERSHORT"), QLatin1StringView("EXITSHORT"),
};

inline uchar Upper(uchar b)
{
    return b >= 'a' && b <= 'z' ? b - 32 : b;
}

// Whether the bytes spell `name`, without regard to case.
bool Is(std::string_view bytes, QLatin1StringView name)
{
    if (qsizetype(bytes.size()) != name.size())
        return false;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (Upper(uchar(bytes[i])) != uchar(name[qsizetype(i)].toLatin1()))
            return false;
    }
    return true;
}

template <std::size_t N> bool IsOneOf(std::string_view bytes, const QLatin1StringView (&names)[N])
{
    return !bytes.empty() &&
           std::any_of(std::begin(names), std::end(names), [&](QLatin1StringView name) {
               return name.front().toLatin1() == Upper(uchar(bytes.front())) && Is(bytes, name);
           });
}

bool IsAlert(std::string_view bytes)
{
    constexpr std::string_view kPlaySound = "PLAYSOUND";
    if (bytes.size() <= kPlaySound.size())
        return false;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const uchar b = uchar(bytes[i]);
        if (i < kPlaySound.size() ? Upper(b) != uchar(kPlaySound[i]) : b < '0' || b > '9')
            return false;
    }
    return true;
}

// Names defined so far, compared without regard to case, each to the latest
// statement that defined it; looked up straight from the text's bytes. A
// slot is eight bytes, so that a table of many names stays in the cache.
class Definitions
{
public:
    explicit Definitions(qsizetype textSize)
        : slots_(std::bit_ceil(std::size_t(std::max<qsizetype>(64, textSize / 8))))
    {}

    qsizetype find(std::string_view name) const
    {
        const std::uint64_t hash = Hash(name);
        for (std::size_t i = hash & (slots_.size() - 1);; i = (i + 1) & (slots_.size() - 1)) {
            const Slot &slot = slots_[i];
            if (slot.statement < 0)
                return -1;
            if (slot.check == std::uint32_t(hash >> 32) &&
                Equal(names_[std::size_t(slot.statement)], name))
                return slot.statement;
        }
    }

    // Statements are defined in order, each with its name or none.
    void define(std::string_view name)
    {
        const std::int32_t statement = std::int32_t(names_.size());
        names_.push_back(name);
        if (name.empty())
            return;
        if (2 * (used_ + 1) > slots_.size())
            grow();
        place(Hash(name), statement);
    }

private:
    struct Slot
    {
        std::uint32_t check = 0;     // the hash's high half
        std::int32_t statement = -1; // -1: empty
    };

    static std::uint64_t Hash(std::string_view name)
    {
        std::uint64_t hash = 14695981039346656037ull;
        for (const char c : name)
            hash = (hash ^ Upper(uchar(c))) * 1099511628211ull;
        // Mixed, so that the low bits, which pick the slot, depend on all.
        hash = (hash ^ (hash >> 33)) * 0xff51afd7ed558ccdull;
        hash = (hash ^ (hash >> 33)) * 0xc4ceb9fe1a85ec53ull;
        return hash ^ (hash >> 33);
    }
    static bool Equal(std::string_view a, std::string_view b)
    {
        return a.size() == b.size() &&
               std::equal(a.begin(), a.end(), b.begin(),
                          [](char x, char y) { return Upper(uchar(x)) == Upper(uchar(y)); });
    }
    void place(std::uint64_t hash, std::int32_t statement)
    {
        const std::string_view name = names_[std::size_t(statement)];
        for (std::size_t i = hash & (slots_.size() - 1);; i = (i + 1) & (slots_.size() - 1)) {
            Slot &slot = slots_[i];
            if (slot.statement < 0) {
                slot = {std::uint32_t(hash >> 32), statement};
                ++used_;
                return;
            }
            if (slot.check == std::uint32_t(hash >> 32) &&
                Equal(names_[std::size_t(slot.statement)], name)) {
                slot.statement = statement; // the latest definition
                return;
            }
        }
    }
    void grow()
    {
        std::vector<Slot> old = std::exchange(slots_, std::vector<Slot>(2 * slots_.size()));
        used_ = 0;
        for (const Slot &slot : old) {
            if (slot.statement >= 0)
                place(Hash(names_[std::size_t(slot.statement)]), slot.statement);
        }
    }

    std::vector<Slot> slots_; // a power of two of them
    std::size_t used_ = 0;
    std::vector<std::string_view> names_; // of every statement
};

// Names written with more than one token (【箱顶】) are looked for in runs
// of tokens that touch, up to this many.
constexpr std::size_t kLongestName = 16;

bool OperatorWord(std::string_view bytes)
{
    if (bytes.size() < 2 || bytes.size() > 3)
        return false;
    return Is(bytes, QLatin1StringView("AND")) || Is(bytes, QLatin1StringView("OR")) ||
           Is(bytes, QLatin1StringView("NOT"));
}

bool IsOperand(TokenKind kind)
{
    switch (kind) {
    case TokenKind::Name:
    case TokenKind::Number:
    case TokenKind::String:
    case TokenKind::Reference:
    case TokenKind::Period:
    case TokenKind::Close:
        return true;
    default:
        return false;
    }
}

bool IsComparison(TokenKind kind)
{
    switch (kind) {
    case TokenKind::Less:
    case TokenKind::Greater:
    case TokenKind::LessEqual:
    case TokenKind::GreaterEqual:
    case TokenKind::Equal:
    case TokenKind::NotEqual:
        return true;
    default:
        return false;
    }
}

// Reads one statement's tokens after another, keeping its room.
class StatementReader
{
public:
    StatementReader(QByteArrayView text, const std::vector<Token> &tokens,
                    std::vector<Statement::Reference> &references)
        : text_(text), tokens_(tokens), references_(references), defined_(text.size())
    {}

    // The next statement, whose tokens are given, ended at `end`; its
    // references are appended to the reader's.
    Statement read(qsizetype end);

private:
    std::string_view bytes(qsizetype start, qsizetype end) const
    {
        return std::string_view(text_.data() + start, std::size_t(end - start));
    }
    std::string_view bytes(const Token &token) const { return bytes(token.start, token.end); }
    void matchBrackets(std::size_t from);
    void readReferences(std::size_t from, std::size_t to);
    void readTop(std::size_t from, std::size_t to, Statement &statement);

    QByteArrayView text_;
    const std::vector<Token> &tokens_;
    std::vector<Statement::Reference> &references_;
    Definitions defined_;
    bool oddNames_ = false;        // some name of several tokens is defined
    std::vector<qsizetype> close_; // for each ( the index of its ), or -1
    std::vector<std::size_t> open_;
};

void StatementReader::matchBrackets(std::size_t from)
{
    close_.assign(tokens_.size(), -1);
    open_.clear();
    for (std::size_t i = from; i < tokens_.size(); ++i) {
        if (tokens_[i].kind == TokenKind::Open) {
            open_.push_back(i);
        } else if (tokens_[i].kind == TokenKind::Close && !open_.empty()) {
            close_[open_.back()] = qsizetype(i);
            open_.pop_back();
        }
    }
}

void StatementReader::readReferences(std::size_t from, std::size_t to)
{
    const auto touching = [&](std::size_t i) {
        const TokenKind kind = tokens_[i].kind;
        return kind == TokenKind::Name || kind == TokenKind::Number || kind == TokenKind::Other;
    };
    for (std::size_t i = from; i < to; ++i) {
        const Token &token = tokens_[i];
        // A name of several tokens, where any is defined.
        if (oddNames_ && touching(i) &&
            (i == from || !touching(i - 1) || tokens_[i - 1].end != token.start)) {
            std::size_t runEnd = i + 1;
            while (runEnd < to && runEnd - i < kLongestName && touching(runEnd) &&
                   tokens_[runEnd].start == tokens_[runEnd - 1].end)
                ++runEnd;
            bool found = false;
            for (std::size_t last = runEnd; last > i + 1 && !found; --last) {
                const qsizetype target = defined_.find(bytes(token.start, tokens_[last - 1].end));
                if (target >= 0) {
                    references_.push_back({target, token.start});
                    i = last - 1;
                    found = true;
                }
            }
            if (found)
                continue;
        }
        if (token.kind != TokenKind::Name || OperatorWord(bytes(token)))
            continue;
        // A call, or another formula's output (KDJ.K), refers to nothing here.
        if ((i + 1 < to &&
             (tokens_[i + 1].kind == TokenKind::Open || tokens_[i + 1].kind == TokenKind::Dot)) ||
            (i > from && tokens_[i - 1].kind == TokenKind::Dot))
            continue;
        if (const qsizetype target = defined_.find(bytes(token)); target >= 0)
            references_.push_back({target, token.start});
    }
}

void StatementReader::readTop(std::size_t from, std::size_t to, Statement &statement)
{
    // Brackets around the whole say nothing.
    while (to - from >= 2 && tokens_[from].kind == TokenKind::Open &&
           close_[from] == qsizetype(to - 1)) {
        ++from;
        --to;
    }
    if (from == to)
        return;
    // What stands at the top, a bracket's inside passed over at once.
    bool condition = false, arithmetic = false, operand = false;
    for (std::size_t i = from; i < to; ++i) {
        const Token &token = tokens_[i];
        if (token.kind == TokenKind::Open && close_[i] >= 0 && std::size_t(close_[i]) < to) {
            i = std::size_t(close_[i]);
            operand = true;
            continue;
        }
        const bool word = token.kind == TokenKind::Name;
        if (token.kind == TokenKind::And || token.kind == TokenKind::Or ||
            IsComparison(token.kind) ||
            (word && (Is(bytes(token), QLatin1StringView("AND")) ||
                      Is(bytes(token), QLatin1StringView("OR"))))) {
            condition = true;
            operand = false;
            continue;
        }
        if (token.kind == TokenKind::Plus || token.kind == TokenKind::Times ||
            token.kind == TokenKind::Divide || (token.kind == TokenKind::Minus && operand))
            arithmetic = true;
        operand = IsOperand(token.kind) && !(word && Is(bytes(token), QLatin1StringView("NOT")));
    }
    if (condition) {
        statement.kind = Kind::Signal;
        return;
    }
    if (arithmetic)
        return;
    const std::string_view first = bytes(tokens_[from]);
    if (tokens_[from].kind == TokenKind::Name && to - from >= 3 &&
        tokens_[from + 1].kind == TokenKind::Open && close_[from + 1] == qsizetype(to - 1)) {
        if (IsOneOf(first, kConditions)) {
            statement.kind = Kind::Signal;
            return;
        }
        const auto drawing =
            std::find_if(std::begin(kDrawings), std::end(kDrawings), [&](const Drawing &d) {
                return d.name.front().toLatin1() == Upper(uchar(first.front())) &&
                       Is(first, d.name);
            });
        if (drawing == std::end(kDrawings))
            return;
        statement.drawing = drawing->name;
        // Its arguments, split where a comma stands right inside its brackets.
        int number = 1;
        qsizetype start = tokens_[from + 1].end;
        const auto add = [&](qsizetype end) {
            const bool isCondition =
                drawing->first > 0 && number >= drawing->first && number <= drawing->last &&
                (drawing->step == 0 ? number == drawing->first
                                    : (number - drawing->first) % drawing->step == 0);
            statement.arguments.push_back({start, end, isCondition ? Kind::Signal : Kind::Line});
            ++number;
        };
        for (std::size_t i = from + 2; i + 1 < to; ++i) {
            if (tokens_[i].kind == TokenKind::Open && close_[i] >= 0) {
                i = std::size_t(close_[i]);
            } else if (tokens_[i].kind == TokenKind::Comma) {
                add(tokens_[i].start);
                start = tokens_[i].end;
            }
        }
        add(tokens_[to - 1].start);
        return;
    }
    if (tokens_[from].kind == TokenKind::Name && Is(first, QLatin1StringView("NOT")))
        statement.kind = Kind::Signal;
}

Statement StatementReader::read(qsizetype end)
{
    Statement statement;
    statement.start = tokens_.front().start;
    statement.end = end;
    const auto defines = std::find_if(tokens_.cbegin(), tokens_.cend(), [](const Token &token) {
        return token.kind == TokenKind::Colon || token.kind == TokenKind::Assign;
    });
    std::size_t from = 0;
    std::string_view name;
    if (defines != tokens_.cend()) {
        from = std::size_t(defines - tokens_.cbegin()) + 1;
        if (from > 1)
            name = bytes(tokens_.front().start, defines[-1].end);
        statement.form = defines->kind == TokenKind::Assign ? Statement::Variable
                         : name.empty()                     ? Statement::UnnamedOutput
                                                            : Statement::NamedOutput;
        statement.nameBytes = QByteArrayView(name.data(), qsizetype(name.size()));
    }
    matchBrackets(from);
    // The expression ends at a comma outside its brackets; attributes follow.
    std::size_t to = from;
    for (int depth = 0; to < tokens_.size(); ++to) {
        const TokenKind kind = tokens_[to].kind;
        if (kind == TokenKind::Comma && depth == 0)
            break;
        if (kind == TokenKind::Open)
            ++depth;
        else if (kind == TokenKind::Close && depth > 0)
            --depth;
    }
    bool alert = false;
    for (std::size_t i = to; i < tokens_.size(); ++i)
        alert = alert || (tokens_[i].kind == TokenKind::Name && IsAlert(bytes(tokens_[i])));

    readReferences(from, to);
    readTop(from, to, statement);
    if (alert || (statement.isOutput() && IsOneOf(name, kSignalNames)))
        statement.kind = Kind::Signal;

    defined_.define(name);
    if (!name.empty())
        oddNames_ = oddNames_ || !(from == 2 && tokens_.front().kind == TokenKind::Name);
    return statement;
}

} // namespace

Kind Statement::kindAt(qsizetype position) const
{
    if (kind == Kind::Signal)
        return Kind::Signal;
    for (const Argument &argument : arguments) {
        if (position >= argument.start && position < argument.end)
            return argument.kind;
    }
    return Kind::Line;
}

Statements::Statements(QByteArray text) : text_(std::move(text))
{
    Lexer lexer(text_);
    std::vector<Token> tokens;
    std::vector<std::size_t> firstReference;
    statements_.reserve(std::size_t(text_.size() / 32));
    StatementReader reader(text_, tokens, references_);
    for (;;) {
        const Token token = lexer.next();
        if (token.kind == TokenKind::Comment)
            continue;
        if (token.kind != TokenKind::Semicolon && token.kind != TokenKind::End) {
            tokens.push_back(token);
            continue;
        }
        if (!tokens.empty()) {
            firstReference.push_back(references_.size());
            statements_.push_back(reader.read(token.start));
            tokens.clear();
        }
        if (token.kind == TokenKind::End)
            break;
    }
    // All statements' references lie in one array, which has stopped growing.
    firstReference.push_back(references_.size());
    for (std::size_t s = 0; s < statements_.size(); ++s) {
        statements_[s].references = std::span<const Statement::Reference>(
            references_.data() + firstReference[s], firstReference[s + 1] - firstReference[s]);
    }
}

qsizetype Statements::at(qsizetype position) const
{
    const auto after = std::upper_bound(
        statements_.cbegin(), statements_.cend(), position,
        [](qsizetype at, const Statement &statement) { return at < statement.start; });
    return qsizetype(after - statements_.cbegin()) - 1;
}

} // namespace language
