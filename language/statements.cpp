#include "statements.h"

#include "bytescan.h"
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

// The names the statements define, compared without regard to case, each
// with the statements that define it, in order; looked up straight from the
// text's bytes. A slot is eight bytes, so that a table of many names stays
// in the cache.
class Names
{
public:
    explicit Names(qsizetype textSize)
        : slots_(std::bit_ceil(std::size_t(std::max<qsizetype>(64, textSize / 8))))
    {}

    // Statement `statement` defines `name`; statements come in order.
    void define(std::string_view name, qsizetype statement)
    {
        const std::uint64_t hash = Hash(name);
        const std::size_t slot = find(name, hash);
        if (slots_[slot].list >= 0) {
            definers_[std::size_t(slots_[slot].list)].push_back(std::int32_t(statement));
            return;
        }
        slots_[slot] = {std::uint32_t(hash >> 32), std::int32_t(definers_.size())};
        names_.push_back(name);
        definers_.push_back({std::int32_t(statement)});
        if (2 * definers_.size() > slots_.size())
            grow();
    }

    // The statements that define `name`, in order; none when no statement does.
    std::span<const std::int32_t> definers(std::string_view name) const
    {
        const std::int32_t list = slots_[find(name, Hash(name))].list;
        return list < 0 ? std::span<const std::int32_t>() : definers_[std::size_t(list)];
    }

    // The last statement before `statement` that defines `name`, or -1.
    qsizetype latestBefore(std::string_view name, qsizetype statement) const
    {
        const std::span<const std::int32_t> list = definers(name);
        const auto after = std::lower_bound(list.begin(), list.end(), std::int32_t(statement));
        return after == list.begin() ? -1 : after[-1];
    }

private:
    struct Slot
    {
        std::uint32_t check = 0; // the hash's high half
        std::int32_t list = -1;  // -1: empty
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
    // The slot that holds `name`, or the empty one where it would go.
    std::size_t find(std::string_view name, std::uint64_t hash) const
    {
        for (std::size_t i = hash & (slots_.size() - 1);; i = (i + 1) & (slots_.size() - 1)) {
            const Slot &slot = slots_[i];
            if (slot.list < 0 || (slot.check == std::uint32_t(hash >> 32) &&
                                  Equal(names_[std::size_t(slot.list)], name)))
                return i;
        }
    }
    void grow()
    {
        slots_.assign(2 * slots_.size(), Slot{});
        for (std::size_t list = 0; list < names_.size(); ++list) {
            const std::uint64_t hash = Hash(names_[list]);
            slots_[find(names_[list], hash)] = {std::uint32_t(hash >> 32), std::int32_t(list)};
        }
    }

    std::vector<Slot> slots_; // a power of two of them
    std::vector<std::string_view> names_;
    std::vector<std::vector<std::int32_t>> definers_;
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

} // namespace

// Reads what one statement holds after another, keeping its room.
class Statements::Reader
{
public:
    Reader(QByteArrayView text) : text_(text), names_(text.size()) {}

    Names &names() { return names_; }
    // A statement whose name is several tokens (【箱顶】) is defined there first.
    void definesOddName(qsizetype statement)
    {
        if (firstOdd_ < 0)
            firstOdd_ = statement;
    }

    // Reads what statement `index` at [start, end) holds into `statement`,
    // whose form and name are known.
    void read(qsizetype index, Statement &statement);

private:
    std::string_view bytes(qsizetype start, qsizetype end) const
    {
        return std::string_view(text_.data() + start, std::size_t(end - start));
    }
    std::string_view bytes(const Token &token) const { return bytes(token.start, token.end); }
    qsizetype defined(std::string_view name) const { return names_.latestBefore(name, index_); }
    void matchBrackets(std::size_t from);
    void readReferences(std::size_t from, std::size_t to);
    void readTop(std::size_t from, std::size_t to, Statement &statement);
    // Keeps the references read in one of the blocks that never move.
    std::span<const Statement::Reference> keep();

    QByteArrayView text_;
    Names names_;
    qsizetype firstOdd_ = -1;
    qsizetype index_ = 0;   // of the statement being read
    bool oddNames_ = false; // some name of several tokens is defined before it
    std::vector<Token> tokens_;
    std::vector<qsizetype> close_; // for each ( the index of its ), or -1
    std::vector<std::size_t> open_;
    std::vector<Statement::Reference> references_;
    std::vector<std::unique_ptr<Statement::Reference[]>> blocks_;
    std::size_t blockUsed_ = 0, blockSize_ = 0;
};

std::span<const Statement::Reference> Statements::Reader::keep()
{
    if (references_.empty())
        return {};
    if (blockUsed_ + references_.size() > blockSize_) {
        blockSize_ = std::max<std::size_t>(4096, references_.size());
        blocks_.push_back(std::make_unique<Statement::Reference[]>(blockSize_));
        blockUsed_ = 0;
    }
    Statement::Reference *kept = blocks_.back().get() + blockUsed_;
    std::copy(references_.begin(), references_.end(), kept);
    blockUsed_ += references_.size();
    return {kept, references_.size()};
}

void Statements::Reader::matchBrackets(std::size_t from)
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

void Statements::Reader::readReferences(std::size_t from, std::size_t to)
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
                const qsizetype target = defined(bytes(token.start, tokens_[last - 1].end));
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
        if (const qsizetype target = defined(bytes(token)); target >= 0)
            references_.push_back({target, token.start});
    }
}

void Statements::Reader::readTop(std::size_t from, std::size_t to, Statement &statement)
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

void Statements::Reader::read(qsizetype index, Statement &statement)
{
    index_ = index;
    oddNames_ = firstOdd_ >= 0 && firstOdd_ < index;
    tokens_.clear();
    Lexer lexer = Lexer::At(text_, statement.start);
    for (Token token = lexer.next(); token.start < statement.end; token = lexer.next()) {
        if (token.kind != TokenKind::Comment)
            tokens_.push_back(token);
    }
    const auto defines = std::find_if(tokens_.cbegin(), tokens_.cend(), [](const Token &token) {
        return token.kind == TokenKind::Colon || token.kind == TokenKind::Assign;
    });
    const std::size_t from =
        defines == tokens_.cend() ? 0 : std::size_t(defines - tokens_.cbegin()) + 1;
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

    references_.clear();
    readReferences(from, to);
    statement.references = keep();
    readTop(from, to, statement);
    const std::string_view name(statement.nameBytes.data(),
                                std::size_t(statement.nameBytes.size()));
    if (alert || (statement.isOutput() && IsOneOf(name, kSignalNames)))
        statement.kind = Kind::Signal;
}

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

Statements::Statements(QByteArray text)
    : text_(std::move(text)), reader_(std::make_unique<Reader>(text_))
{
    // Where each statement starts (its first token), ends (at its ;) and what
    // stands before its first := or :, looking only at what can end it or
    // name it: comments, strings and references are passed over whole.
    statements_.reserve(std::size_t(text_.size() / 32));
    Lexer lexer(text_);
    for (;;) {
        Token token = lexer.next();
        while (token.kind == TokenKind::Comment)
            token = lexer.next();
        if (token.kind == TokenKind::End)
            break;
        if (token.kind == TokenKind::Semicolon)
            continue;
        Statement statement;
        statement.start = token.start;
        qsizetype colon = -1;
        TokenKind defines = TokenKind::End;
        for (;;) {
            if ((token.kind == TokenKind::Colon || token.kind == TokenKind::Assign) && colon < 0) {
                colon = token.start;
                defines = token.kind;
            }
            lexer.skipToMarks();
            token = lexer.next();
            if (token.kind == TokenKind::Semicolon || token.kind == TokenKind::End)
                break;
        }
        statement.end = token.start;
        if (colon >= 0) {
            // The name ends with the last token before the colon, a comment left out.
            qsizetype nameEnd = statement.start;
            bool oneName = true;
            int tokens = 0;
            Lexer name = Lexer::At(text_, statement.start);
            for (Token part = name.next(); part.start < colon; part = name.next()) {
                if (part.kind == TokenKind::Comment)
                    continue;
                nameEnd = part.end;
                oneName = oneName && part.kind == TokenKind::Name && ++tokens == 1;
            }
            statement.nameBytes =
                QByteArrayView(text_.constData() + statement.start, nameEnd - statement.start);
            statement.form = defines == TokenKind::Assign    ? Statement::Variable
                             : statement.nameBytes.isEmpty() ? Statement::UnnamedOutput
                                                             : Statement::NamedOutput;
            if (!statement.nameBytes.isEmpty()) {
                const qsizetype index = qsizetype(statements_.size());
                reader_->names().define(std::string_view(statement.nameBytes.data(),
                                                         std::size_t(statement.nameBytes.size())),
                                        index);
                if (!oneName)
                    reader_->definesOddName(index);
            }
        }
        statements_.push_back(std::move(statement));
        if (token.kind == TokenKind::End)
            break;
    }
    read_.assign(statements_.size(), false);
}

Statements::~Statements() = default;

void Statements::read(qsizetype index) const
{
    if (read_[std::size_t(index)])
        return;
    read_[std::size_t(index)] = true;
    reader_->read(index, statements_[std::size_t(index)]);
}

const Statement &Statements::operator[](qsizetype index) const
{
    read(index);
    return statements_[std::size_t(index)];
}

qsizetype Statements::at(qsizetype position) const
{
    const auto after = std::upper_bound(
        statements_.cbegin(), statements_.cend(), position,
        [](qsizetype at, const Statement &statement) { return at < statement.start; });
    return qsizetype(after - statements_.cbegin()) - 1;
}

std::vector<qsizetype> Statements::mayReferTo(qsizetype index, qsizetype &searched) const
{
    const Statement &definer = statements_[std::size_t(index)];
    const std::string_view name(definer.nameBytes.data(), std::size_t(definer.nameBytes.size()));
    if (name.empty())
        return {};
    // Up to the end of the next statement that defines the name again, which
    // may still read the name it redefines.
    const std::span<const std::int32_t> definers = reader_->names().definers(name);
    const auto next = std::upper_bound(definers.begin(), definers.end(), std::int32_t(index));
    const qsizetype end =
        next == definers.end() ? text_.size() : statements_[std::size_t(*next)].end;
    const auto *p = reinterpret_cast<const uchar *>(text_.constData());
    const uchar first = Upper(uchar(name.front()));
    const uchar firstLower = first >= 'A' && first <= 'Z' ? first + 32 : first;
    std::vector<qsizetype> found;
    searched += end - definer.end;
    const qsizetype last = end - qsizetype(name.size());
    for (qsizetype at = definer.end;
         (at = FindEitherByte(p, at, last + 1, first, firstLower)) <= last; ++at) {
        std::size_t k = 1;
        while (k < name.size() && Upper(p[at + qsizetype(k)]) == Upper(uchar(name[k])))
            ++k;
        if (k < name.size())
            continue;
        const qsizetype statement = this->at(at);
        if (found.empty() || found.back() != statement)
            found.push_back(statement);
        at = std::max(at, statements_[std::size_t(statement)].end);
    }
    return found;
}

} // namespace language
