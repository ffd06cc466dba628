#include "reachwords.h"

#include <QHash>

#include <algorithm>

namespace detect {

namespace {

constexpr qsizetype kMostNamed = 5;    // outputs of each kind
constexpr qsizetype kMostOnTheWay = 5; // definitions between a use and an output

} // namespace

StatementPlaces::StatementPlaces(QByteArrayView text, const language::Statements &statements)
{
    PositionCounter positions(text);
    places_.reserve(std::size_t(statements.size()));
    for (qsizetype s = 0; s < statements.size(); ++s)
        places_.push_back(positions.at(statements.outline(s).start));
}

QString OutputLabel(const language::Statement &output, TextPosition place)
{
    if (!output.nameBytes.isEmpty())
        return output.name();
    if (!output.drawing.isEmpty())
        return output.drawing;
    return QStringLiteral("第%1行的输出").arg(place.line);
}

QStringList ReachInWords(const language::Reach &reach, const QList<language::Reach::OfUse> &uses,
                         const StatementPlaces &places)
{
    // Each output once, in text order, with the first use that reaches it.
    struct Reached
    {
        qsizetype output;
        language::Kind kind;
        qsizetype from;
    };
    QList<Reached> reached;
    QHash<qsizetype, qsizetype> at;
    bool more = false;
    for (const language::Reach::OfUse &use : uses) {
        more = more || use.more > 0;
        for (const language::Reach::Output &output : use.outputs) {
            const auto known = at.constFind(output.statement);
            if (known == at.constEnd()) {
                at.insert(output.statement, reached.size());
                reached.append({output.statement, output.kind, use.statement});
            } else if (output.kind == language::Kind::Signal) {
                reached[*known].kind = language::Kind::Signal;
            }
        }
    }
    if (reached.isEmpty())
        return {QStringLiteral("没有影响任何输出")};
    std::sort(reached.begin(), reached.end(),
              [](const Reached &a, const Reached &b) { return a.output < b.output; });

    QStringList lines;
    for (const language::Kind kind : {language::Kind::Signal, language::Kind::Line}) {
        QStringList named;
        qsizetype ofKind = 0;
        for (const Reached &r : std::as_const(reached)) {
            if (r.kind != kind || ++ofKind > kMostNamed)
                continue;
            const language::Statement &output = reach.statements()[r.output];
            const TextPosition place = places.of(r.output);
            const QString label = OutputLabel(output, place);
            QStringList details;
            if (!output.nameBytes.isEmpty() || !output.drawing.isEmpty())
                details.append(QStringLiteral("第%1行").arg(place.line));
            qsizetype cut = 0;
            const QStringList via = reach.via(r.from, r.output, kMostOnTheWay, &cut);
            if (!via.isEmpty()) {
                details.append(QStringLiteral("经 ") + via.join(u'、') +
                               (cut > 0 ? QStringLiteral("…") : QString()));
            }
            named.append(details.isEmpty()
                             ? label
                             : label + u'（' + details.join(QStringLiteral("，")) + u'）');
        }
        if (named.isEmpty())
            continue;
        lines.append((kind == language::Kind::Signal ? QStringLiteral("影响信号：")
                                                     : QStringLiteral("影响画线：")) +
                     named.join(u'、') +
                     (ofKind > kMostNamed || more ? QStringLiteral("…") : QString()));
    }
    return lines;
}

} // namespace detect
