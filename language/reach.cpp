#include "reach.h"

#include <algorithm>

namespace language {

namespace {

// The steps that counting outputs beyond the listed may take for one
// formula. Only formulas built so that tens of thousands of statements each
// reach tens of thousands of outputs by many ways get that far; their
// counts are then as far as the steps went.
constexpr qsizetype kCountSteps = 20'000'000;

Kind Stronger(Kind a, Kind b)
{
    return a == Kind::Signal || b == Kind::Signal ? Kind::Signal : Kind::Line;
}

} // namespace

Reach::Reach(QByteArray text) : statements_(std::move(text)), budget_(kCountSteps)
{
    const std::vector<Statement> &all = statements_.all();
    const std::size_t count = all.size();
    // Each statement's dependents, once each however often it refers: counted,
    // then filled in, in text order.
    std::vector<std::int32_t> last(count, -1); // the last statement that referred to it
    dependentsFrom_.assign(count + 1, 0);
    for (std::size_t u = 0; u < count; ++u) {
        for (const Statement::Reference &reference : all[u].references) {
            if (last[std::size_t(reference.target)] != std::int32_t(u)) {
                last[std::size_t(reference.target)] = std::int32_t(u);
                ++dependentsFrom_[std::size_t(reference.target) + 1];
            }
        }
    }
    for (std::size_t t = 0; t < count; ++t)
        dependentsFrom_[t + 1] += dependentsFrom_[t];
    dependents_.resize(std::size_t(dependentsFrom_[count]));
    std::vector<std::int32_t> filled(dependentsFrom_.begin(), dependentsFrom_.end() - 1);
    for (std::size_t u = 0; u < count; ++u) {
        const Statement &statement = all[u];
        for (const Statement::Reference &reference : statement.references) {
            const std::size_t t = std::size_t(reference.target);
            const Kind kind = statement.isOutput() ? statement.kindAt(reference.at) : Kind::Line;
            if (filled[t] > dependentsFrom_[t] &&
                dependents_[std::size_t(filled[t] - 1)].to == std::int32_t(u)) {
                Edge &edge = dependents_[std::size_t(filled[t] - 1)];
                edge.kind = Stronger(edge.kind, kind);
            } else {
                dependents_[std::size_t(filled[t]++)] = {std::int32_t(u), kind};
            }
        }
    }

    first_.assign(count, {0, 0});
    signal_.assign(count, false);
    any_.assign(count, false);
    std::vector<Entry> list;
    for (qsizetype t = qsizetype(count) - 1; t >= 0; --t) {
        bool signal = false, any = false;
        for (const Edge &edge : dependents(t)) {
            const bool output = all[std::size_t(edge.to)].isOutput();
            any = any || output || any_[std::size_t(edge.to)];
            signal =
                signal || (output && edge.kind == Kind::Signal) || signal_[std::size_t(edge.to)];
        }
        signal_[std::size_t(t)] = signal;
        any_[std::size_t(t)] = any;

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
        // change it.
        for (const Edge &edge : dependents(t)) {
            if (qsizetype(list.size()) == kListed && edge.to > list.back().output)
                break;
            if (all[std::size_t(edge.to)].isOutput())
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
    const auto listed = [&](qsizetype s) { return qsizetype(first_[std::size_t(s)].second); };
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
        while (!waiting.empty() && budget_ > 0) {
            const qsizetype s = waiting.back();
            waiting.pop_back();
            for (const Edge &edge : dependents(s)) {
                --budget_;
                if (seen[std::size_t(edge.to)])
                    continue;
                seen[std::size_t(edge.to)] = true;
                counted += statements_.all()[std::size_t(edge.to)].isOutput();
                waiting.push_back(edge.to);
            }
        }
        counted = std::max(counted, qsizetype(kListed));
    }
    counts_[std::size_t(end)] = counted;
    for (auto link = chain.rbegin(); link != chain.rend(); ++link) {
        const qsizetype next = dependents(*link).front().to;
        counted += statements_.all()[std::size_t(next)].isOutput();
        counts_[std::size_t(*link)] = counted;
    }
    return counted;
}

std::pair<bool, bool> Reach::anyAndSignal(qsizetype position) const
{
    const qsizetype s = statements_.at(position);
    if (s < 0)
        return {false, false};
    const Statement &statement = statements_.all()[std::size_t(s)];
    return {statement.isOutput() || any_[std::size_t(s)],
            (statement.isOutput() && statement.kindAt(position) == Kind::Signal) ||
                signal_[std::size_t(s)]};
}

Reach::OfUse Reach::of(qsizetype position, qsizetype most) const
{
    OfUse use;
    use.statement = statements_.at(position);
    if (use.statement < 0)
        return use;
    const std::size_t s = std::size_t(use.statement);
    const Statement &statement = statements_.all()[s];
    qsizetype total = count(use.statement);
    if (statement.isOutput()) {
        const Kind kind = statement.kindAt(position);
        use.outputs.append({use.statement, kind});
        use.signal = kind == Kind::Signal;
        use.any = true;
        ++total;
    }
    use.signal = use.signal || signal_[s];
    use.any = use.any || any_[s];
    for (const Entry &entry : first(use.statement)) {
        if (use.outputs.size() >= most)
            break;
        use.outputs.append({entry.output, entry.kind});
    }
    use.outputs.resize(std::min(use.outputs.size(), most));
    use.more = total - use.outputs.size();
    return use;
}

QStringList Reach::via(qsizetype from, qsizetype to) const
{
    QStringList names;
    for (qsizetype at = from; at != to;) {
        const std::span<const Entry> list = first(at);
        const auto entry = std::find_if(list.begin(), list.end(),
                                        [&](const Entry &listed) { return listed.output == to; });
        if (entry == list.end())
            return {};
        names.append(statements_.all()[std::size_t(at)].name());
        at = entry->next;
    }
    return names;
}

std::vector<Reach::Reached> Reach::reachedFrom(const QList<qsizetype> &positions) const
{
    const std::vector<Statement> &all = statements_.all();
    std::vector<Reached> reached(all.size(), Reached::No);
    std::vector<bool> from(all.size(), false);
    const auto reach = [&](qsizetype s, Kind kind) {
        if (!all[std::size_t(s)].isOutput())
            return;
        Reached &r = reached[std::size_t(s)];
        r = kind == Kind::Signal ? Reached::Signal : r == Reached::No ? Reached::Line : r;
    };
    for (const qsizetype position : positions) {
        const qsizetype s = statements_.at(position);
        if (s < 0)
            continue;
        from[std::size_t(s)] = true;
        reach(s, all[std::size_t(s)].kindAt(position));
    }
    for (std::size_t t = 0; t < all.size(); ++t) {
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
