#pragma once

#include "keymatcher.h"
#include "searchkey.h"
#include "textposition.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

namespace cli {

// One occurrence of an entry's key in a formula.
struct Finding
{
    detect::SearchKey key;
    detect::TextPosition position;
};

// Finds the entries of one keyword list in any number of formulas: the
// matcher is built once, and each formula costs one pass.
class FormulaChecker
{
public:
    explicit FormulaChecker(const QStringList &entries);

    // Every occurrence of every entry's key, in text order; at one place in
    // list order. An entry listed more than once is reported once.
    QList<Finding> check(QStringView formula) const;

private:
    QStringList entries_;
    detect::KeyMatcher matcher_;
};

// "FILE:LINE:COLUMN: 发现未来函数NAME!" per finding, UTF-8, each line ended by LF.
QByteArray TextReport(const QString &file, const QList<Finding> &findings);

// One JSON object on one line: the file and its findings, or why it could not
// be checked.
QByteArray JsonReport(const QString &file, const QList<Finding> &findings);
QByteArray JsonFailure(const QString &file, const QString &reason);

} // namespace cli
