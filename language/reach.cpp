#include "reach.h"

#include <algorithm>

namespace language {

namespace {

// The steps that counting outputs beyond the listed may take for one
// formula. Only formulas built so that tens of thousands of statements each
// reach tens of thousands of outputs by many ways get that far; their
// counts are then as far as the steps went.
constexpr qsizetype kCountSteps = 20'000'000;

// Looking for the statements that refer to a name goes through the text
// after it; beyond this many times the text, reading every statement at once
// costs less.
constexpr qsizetype kSearchesOfTheText = 8;

constexpr std::uint8_t kFollowed = 1;
constexpr std::uint8_t kSignal = 2; // it reaches some output as a signal
constexpr std::uint8_t kAny = 4;    // it reaches some output

Kind Stronger(Kind a, Kind b)
{
    return a == Kind::Signal || b == Kind::Signal ? Kind::Signal : Kind::Line;
}

} // namespace

Reach::Reach(QByteArray text, Finding finding)
    : statements_(std::move(text)), countSteps_(kCountSteps)
{
    const std::size_t count = std::size_t(statements_.size());
    dependentsAt_.assign(count, Span{});
    first_.assign(count, Span{});
    flags_.assign(count, 0);
    if (finding == Finding::AllAtOnce)
        readAll();
}

std::span<const Reach::Edge> Reach::dependents(qsizetype statement) const
{
    Span &at = dependentsAt_[std::size_t(statement)];
    if (at.start < 0 && !allRead_ && searched_ > kSearchesOfTheText * statements_.textSize())
        readAll();
    if (at.start < 0) {
        // Those whose text holds the name, read to see whether they refer to it.
        at.start = std::int32_t(edges_.size());
        for (const qsizetype u : statements_.mayReferTo(statement, searched_)) {
            const Statement &referring = statements_[u];
            for (const Statement::Reference &reference : referring.references) {
                if (reference.target != statement)
                    continue;
                const Kind kind =
                    referring.isOutput() ? referring.kindAt(reference.at) : Kind::Line;
                if (edges_.size() > std::size_t(at.start) && edges_.back().to == u)
                    edges_.back().kind = Stronger(edges_.back().kind, kind);
                else
                    edges_.push_back({std::int32_t(u), kind});
            }
        }
        at.size = std::int32_t(edges_.size()) - at.start;
    }
    return std::span(edges_).subspan(std::size_t(at.start), std::size_t(at.size));
}

void Reach::readAll() const
{
    allRead_ = true;
    // Each statement's dependents not yet found, once each however often it
    // refers: counted, then filled in, in text order.
    const std::size_t count = std::size_t(statements_.size());
    std::vector<std::int32_t> from(count + 1, 0);
    std::vector<std::int32_t> last(count, -1); // the last statement that referred to it
    const auto missing = [&](qsizetype t) { return dependentsAt_[std::size_t(t)].start < 0; };
    for (std::size_t u = 0; u < count; ++u) {
        for (const Statement::Reference &reference : statements_[qsizetype(u)].references) {
            const std::size_t t = std::size_t(reference.target);
            if (missing(reference.target) && last[t] != std::int32_t(u)) {
                last[t] = std::int32_t(u);
                ++from[t + 1];
            }
        }
    }
    for (std::size_t t = 0; t < count; ++t)
        from[t + 1] += from[t];
    const std::size_t base = edges_.size();
    edges_.resize(base + std::size_t(from[count]));
    std::vector<std::int32_t> filled(from.begin(), from.end() - 1);
    for (std::size_t u = 0; u < count; ++u) {
        const Statement &statement = statements_[qsizetype(u)];
        for (const Statement::Reference &reference : statement.references) {
            const std::size_t t = std::size_t(reference.target);
            if (!missing(reference.target))
                continue;
            const Kind kind = statement.isOutput() ? statement.kindAt(reference.at) : Kind::Line;
            Edge *previous =
                filled[t] > from[t] ? &edges_[base + std::size_t(filled[t] - 1)] : nullptr;
            if (previous && previous->to == std::int32_t(u))
                previous->kind = Stronger(previous->kind, kind);
            else
                edges_[base + std::size_t(filled[t]++)] = {std::int32_t(u), kind};
        }
    }
    // Compacted, since a statement referred to twice by one has one edge.
    std::size_t kept = base;
    for (std::size_t t = 0; t < count; ++t) {
        if (!missing(qsizetype(t)))
            continue;
        const std::size_t begin = base + std::size_t(from[t]), end = base + std::size_t(filled[t]);
        dependentsAt_[t] = {std::int32_t(kept), std::int32_t(end - begin)};
        kept =
            std::copy(edges_.begin() + std::ptrdiff_t(begin), edges_.begin() + std::ptrdiff_t(end),
                      edges_.begin() + std::ptrdiff_t(kept)) -
            edges_.begin();
    }
    edges_.resize(kept);
}

void Reach::follow(qsizetype statement) const
{
    if (flags_[std::size_t(statement)] & kFollowed)
        return;
    // Those that refer to a statement first, each once, without recursing.
    std::vector<std::pair<qsizetype, std::size_t>> stack{{statement, 0}};
    std::vector<Entry> list;
    while (!stack.empty()) {
        const auto [t, next] = stack.back();
        const std::span<const Edge> edges = dependents(t);
        if (next < edges.size()) {
            ++stack.back().second;
            if (!(flags_[std::size_t(edges[next].to)] & kFollowed))
                stack.push_back({edges[next].to, 0});
            continue;
        }
        stack.pop_back();
        if (flags_[std::size_t(t)] & kFollowed)
            continue;

        std::uint8_t flags = kFollowed;
        for (const Edge &edge : edges) {
            const bool output = statements_[edge.to].isOutput();
            const std::uint8_t reached = flags_[std::size_t(edge.to)];
            if (output || (reached & kAny))
                flags |= kAny;
            if ((output && edge.kind == Kind::Signal) || (reached & kSignal))
                flags |= kSignal;
        }
        flags_[std::size_t(t)] = flags;

        list.clear();
        const auto merge = [&](Entry entry) {
            const auto at = std::lower_bound(
                list.begin(), list.end(), entry.output,
                [](const Entry &listed, std::int32_t output) { return listed.output < output; });
            if (at != list.end() && at->output == entry.output) {
                at->kind = Stronger(at->kind, entry.kind);
                if (entry.distance < at->distance) {
                    at->distance = entry.distance;
                    at->next = entry.next;
                }
                return;
            }
            if (qsizetype(list.size()) == kListed && at == list.end())
                return;
            list.insert(at, entry);
            if (qsizetype(list.size()) > kListed)
                list.pop_back();
        };
        // Those that refer to it come later, in text order, and reach only
        // outputs after themselves: once the list is full, the rest cannot
        // change it. A statement's first outputs are among the first of
        // those that refer to it.
        for (const Edge &edge : edges) {
            if (qsizetype(list.size()) == kListed && edge.to > list.back().output)
                break;
            if (statements_[edge.to].isOutput())
                merge({edge.to, 1, edge.to, edge.kind});
            for (const Entry &entry : first(edge.to))
                merge({entry.output, entry.distance + 1, edge.to, entry.kind});
        }
        first_[std::size_t(t)] = {std::int32_t(entries_.size()), std::int32_t(list.size())};
        entries_.insert(entries_.end(), list.begin(), list.end());
    }
}

qsizetype Reach::count(qsizetype statement) const
{
    const auto listed = [&](qsizetype s) { return qsizetype(first_[std::size_t(s)].size); };
    if (listed(statement) < kListed)
        return listed(statement);
    if (counts_.empty())
        counts_.assign(first_.size(), -1);
    // Down a chain of statements each referred to by one alone, counts add up.
    std::vector<qsizetype> chain;
    qsizetype end = statement;
    while (counts_[std::size_t(end)] < 0 && listed(end) == kListed && dependents(end).size() == 1) {
        chain.push_back(end);
        end = dependents(end).front().to;
    }
    qsizetype counted = counts_[std::size_t(end)];
    if (counted < 0 && listed(end) < kListed) {
        counted = listed(end);
    } else if (counted < 0) {
        // Every statement that it reaches, once.
        std::vector<bool> seen(first_.size(), false);
        std::vector<qsizetype> waiting{end};
        counted = 0;
        while (!waiting.empty() && countSteps_ > 0) {
            const qsizetype s = waiting.back();
            waiting.pop_back();
            for (const Edge &edge : dependents(s)) {
                --countSteps_;
                if (seen[std::size_t(edge.to)])
                    continue;
                seen[std::size_t(edge.to)] = true;
                counted += statements_[edge.to].isOutput();
                waiting.push_back(edge.to);
            }
        }
        counted = std::max(counted, qsizetype(kListed));
    }
    counts_[std::size_t(end)] = counted;
    for (auto link = chain.rbegin(); link != chain.rend(); ++link) {
        counted += statements_[dependents(*link).front().to].isOutput();
        counts_[std::size_t(*link)] = counted;
    }
    return counted;
}

std::pair<bool, bool> Reach::anyAndSignal(qsizetype position) const
{
    const qsizetype s = statements_.at(position);
    if (s < 0)
        return {false, false};
    follow(s);
    const Statement &statement = statements_[s];
    const std::uint8_t flags = flags_[std::size_t(s)];
    return {statement.isOutput() || (flags & kAny),
            (statement.isOutput() && statement.kindAt(position) == Kind::Signal) ||
                (flags & kSignal)};
}

Reach::OfUse Reach::of(qsizetype position, qsizetype most) const
{
    OfUse use;
    use.statement = statements_.at(position);
    if (use.statement < 0)
        return use;
    follow(use.statement);
    const Statement &statement = statements_[use.statement];
    const std::uint8_t flags = flags_[std::size_t(use.statement)];
    qsizetype total = count(use.statement);
    if (statement.isOutput()) {
        const Kind kind = statement.kindAt(position);
        use.outputs.append({use.statement, kind});
        use.signal = kind == Kind::Signal;
        use.any = true;
        ++total;
    }
    use.signal = use.signal || (flags & kSignal);
    use.any = use.any || (flags & kAny);
    for (const Entry &entry : first(use.statement)) {
        if (use.outputs.size() >= most)
            break;
        use.outputs.append({entry.output, entry.kind});
    }
    use.outputs.resize(std::min(use.outputs.size(), most));
    use.more = total - use.outputs.size();
    return use;
}

QStringList Reach::via(qsizetype from, qsizetype to, qsizetype most, qsizetype *more) const
{
    QStringList names;
    if (more)
        *more = 0;
    follow(from);
    for (qsizetype at = from; at != to;) {
        const std::span<const Entry> list = first(at);
        const auto entry = std::find_if(list.begin(), list.end(),
                                        [&](const Entry &listed) { return listed.output == to; });
        if (entry == list.end())
            return {};
        if (names.size() == most) {
            // The names from here on are as many as the statements on the way.
            if (more)
                *more = entry->distance;
            break;
        }
        names.append(statements_[at].name());
        at = entry->next;
    }
    return names;
}

std::vector<Reach::Reached> Reach::reachedFrom(const QList<qsizetype> &positions) const
{
    const std::size_t count = std::size_t(statements_.size());
    std::vector<Reached> reached(count, Reached::No);
    std::vector<bool> from(count, false);
    const auto reach = [&](qsizetype s, Kind kind) {
        if (!statements_[s].isOutput())
            return;
        Reached &r = reached[std::size_t(s)];
        r = kind == Kind::Signal ? Reached::Signal : r == Reached::No ? Reached::Line : r;
    };
    for (const qsizetype position : positions) {
        const qsizetype s = statements_.at(position);
        if (s < 0)
            continue;
        from[std::size_t(s)] = true;
        reach(s, statements_[s].kindAt(position));
    }
    for (std::size_t t = 0; t < count; ++t) {
        if (!from[t])
            continue;
        for (const Edge &edge : dependents(qsizetype(t))) {
            from[std::size_t(edge.to)] = true;
            reach(edge.to, edge.kind);
        }
    }
    return reached;
}

QLatin1StringView VerdictId(Verdict verdict)
{
    switch (verdict) {
    case Verdict::None:
        return QLatin1StringView("none");
    case Verdict::Unused:
        return QLatin1StringView("unused");
    case Verdict::Line:
        break;
    case Verdict::Signal:
        return QLatin1StringView("signal");
    }
    return QLatin1StringView("line");
}

} // namespace language
