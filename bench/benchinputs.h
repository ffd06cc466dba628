#pragma once

#include <QString>
#include <QStringList>

// A realistic formula repeated and cut to exactly `size` characters.
QString FormulaOfSize(qsizetype size);

struct LargeInput
{
    QStringList entries;
    QString formula;
};

// The largest list the tool is built for over a 1 MiB formula, with a few
// hundred findings; made once.
const LargeInput &Large();
