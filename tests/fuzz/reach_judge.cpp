#include "reach_judge.h"

#include "lexer.h"

#include <QString>

#include <deque>

using language::Kind;
using language::Statement;
using language::Token;
using language::TokenKind;

bool JudgeReferences(const QByteArray &text, const language::Statements &statements)
{
    // The statements as ; splits the tokens of code.
    std::vector<std::vector<Token>> split(1);
    language::Lexer lexer(text);
    for (Token token = lexer.next();; token = lexer.next()) {
        if (token.kind == TokenKind::Comment)
            continue;
        if (token.kind == TokenKind::Semicolon || token.kind == TokenKind::End) {
            if (!split.back().empty())
                split.emplace_back();
            if (token.kind == TokenKind::End)
                break;
            continue;
        }
        split.back().push_back(token);
    }
    split.pop_back();
    if (qsizetype(split.size()) != statements.size())
        return false;
    const auto word = [&](const Token &token) {
        return QString::fromUtf8(text.sliced(token.start, token.end - token.start)).toUpper();
    };
    QStringList names; // of the statements, by the one token before := or :
    bool odd = false;
    for (const std::vector<Token> &tokens : split) {
        const bool defines =
            tokens.size() > 1 && tokens[0].kind == TokenKind::Name &&
            (tokens[1].kind == TokenKind::Colon || tokens[1].kind == TokenKind::Assign);
        names.append(defines ? word(tokens[0]) : QString());
        std::size_t colon = 0;
        while (colon < tokens.size() && tokens[colon].kind != TokenKind::Colon &&
               tokens[colon].kind != TokenKind::Assign)
            ++colon;
        odd = odd || (colon > 0 && colon < tokens.size() && !defines);
    }
    if (odd)
        return true; // names of several tokens are for the reader to find in runs
    for (std::size_t i = 0; i < split.size(); ++i) {
        const std::vector<Token> &tokens = split[i];
        if (tokens.front().start != statements[qsizetype(i)].start)
            return false;
        std::size_t from = 0;
        while (from < tokens.size() && tokens[from].kind != TokenKind::Colon &&
               tokens[from].kind != TokenKind::Assign)
            ++from;
        from = from == tokens.size() ? 0 : from + 1;
        std::vector<Statement::Reference> expected;
        for (std::size_t k = from, depth = 0; k < tokens.size(); ++k) {
            const TokenKind kind = tokens[k].kind;
            if (kind == TokenKind::Comma && depth == 0)
                break;
            if (kind == TokenKind::Open)
                ++depth;
            if (kind == TokenKind::Close && depth > 0)
                --depth;
            if (kind != TokenKind::Name)
                continue;
            const QString name = word(tokens[k]);
            const bool call = k + 1 < tokens.size() && (tokens[k + 1].kind == TokenKind::Open ||
                                                        tokens[k + 1].kind == TokenKind::Dot);
            if (name == "AND" || name == "OR" || name == "NOT" || call ||
                (k > from && tokens[k - 1].kind == TokenKind::Dot))
                continue;
            for (qsizetype j = qsizetype(i) - 1; j >= 0; --j) {
                if (names[j] == name) {
                    expected.push_back({j, tokens[k].start});
                    break;
                }
            }
        }
        const std::span<const Statement::Reference> given = statements[qsizetype(i)].references;
        if (given.size() != expected.size())
            return false;
        for (std::size_t r = 0; r < given.size(); ++r) {
            if (given[r].target != expected[r].target || given[r].at != expected[r].at)
                return false;
        }
    }
    return true;
}

JudgedReach::JudgedReach(const language::Statements &statements) : statements_(statements)
{
    const std::size_t count = std::size_t(statements.size());
    distance_.assign(count, std::vector<int>(count, -1));
    for (std::size_t from = 0; from < count; ++from) {
        std::deque<std::size_t> waiting{from};
        distance_[from][from] = 0;
        while (!waiting.empty()) {
            const std::size_t s = waiting.front();
            waiting.pop_front();
            for (std::size_t u = s + 1; u < count; ++u) {
                for (const Statement::Reference &reference : statements[qsizetype(u)].references) {
                    if (std::size_t(reference.target) == s && distance_[from][u] < 0) {
                        distance_[from][u] = distance_[from][s] + 1;
                        waiting.push_back(u);
                    }
                }
            }
        }
    }
}

bool JudgedReach::agrees(const language::Reach::OfUse &use, qsizetype position,
                         const language::Reach &reach) const
{
    qsizetype s = -1;
    for (qsizetype i = 0; i < statements_.size() && statements_.outline(i).start <= position; ++i)
        s = i;
    if (use.statement != s)
        return false;
    if (s < 0)
        return use.outputs.isEmpty() && !use.any;
    // Every output it reaches, in text order, a signal where any way in is.
    QList<language::Reach::Output> expected;
    const std::vector<int> &distance = distance_[std::size_t(s)];
    for (std::size_t o = std::size_t(s); o < std::size_t(statements_.size()); ++o) {
        const Statement &output = statements_[qsizetype(o)];
        if (!output.isOutput() || distance[o] < 0)
            continue;
        Kind kind = Kind::Line;
        if (o == std::size_t(s)) {
            kind = output.kindAt(position);
        } else {
            for (const Statement::Reference &reference : output.references) {
                if (distance[std::size_t(reference.target)] >= 0 &&
                    output.kindAt(reference.at) == Kind::Signal)
                    kind = Kind::Signal;
            }
        }
        expected.append({qsizetype(o), kind});
    }
    bool signal = false;
    for (const language::Reach::Output &output : expected)
        signal = signal || output.kind == Kind::Signal;
    if (use.signal != signal || use.any != !expected.isEmpty() ||
        use.outputs != expected.mid(0, language::Reach::kListed) ||
        use.more != expected.size() - use.outputs.size())
        return false;
    // A shortest way to each, through definitions of the names given.
    for (const language::Reach::Output &output : use.outputs) {
        const QStringList via = reach.via(s, output.statement, 1000);
        if (via.size() != distance[std::size_t(output.statement)] ||
            (!via.isEmpty() && via.front() != statements_[s].name()))
            return false;
    }
    return true;
}
