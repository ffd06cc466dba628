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
    // An entry listed again with the same name and key is searched once, so
    // no occurrence is reported twice.
    explicit FormulaChecker(const QStringList &entries);

    // Every occurrence of every key, in text order; at one place in list order.
    QList<Finding> check(QStringView formula) const;

private:
    QList<detect::SearchKey> keys_;
    detect::KeyMatcher matcher_;
};

// "FILE:LINE:COLUMN: 发现未来函数NAME!" per finding, UTF-8, each line ended by LF.
QByteArray TextReport(const QString &file, const QList<Finding> &findings);

// One JSON object on one line: the file and its findings, or why it could not
// be checked.
QByteArray JsonReport(const QString &file, const QList<Finding> &findings);
QByteArray JsonFailure(const QString &file, const QString &reason);

} // namespace cli
