#pragma once

#include "reach.h"
#include "textposition.h"

#include <QList>
#include <QStringList>

#include <memory>
#include <vector>

namespace detect {

// Where each statement of a formula starts: its line and column.
class StatementPlaces
{
public:
    StatementPlaces(QByteArrayView text, const language::Statements &statements);
    TextPosition of(qsizetype statement) const { return places_[std::size_t(statement)]; }

private:
    std::vector<TextPosition> places_;
};

// What a formula's statements reach, and where each stands.
struct FormulaReach
{
    FormulaReach(QByteArrayView text, std::shared_ptr<const language::Reach> reach)
        : reach(std::move(reach)), places(text, this->reach->statements())
    {}
    std::shared_ptr<const language::Reach> reach;
    StatementPlaces places;
};

// How an output is named to the user: by its name, else by its drawing
// function (DRAWTEXT), else as "第N行的输出".
QString OutputLabel(const language::Statement &output, TextPosition place);

// What uses reach, in words: "影响信号：XG（第5行，经 A、B）" and
// "影响画线：MA1（第3行）", each output once (as a signal where any use reaches
// it so), at most five of each, then "…"; or "没有影响任何输出".
QStringList ReachInWords(const language::Reach &reach, const QList<language::Reach::OfUse> &uses,
                         const StatementPlaces &places);

} // namespace detect
