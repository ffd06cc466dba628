// Writes the command-line checker's benchmark inputs into the folder given:
// code.ini (the largest list, UTF-8, CR LF), formula.txt (its 1 MiB formula,
// UTF-8), keys.txt (the same keys as a grep -F pattern file), small/, 1,000
// formulas of 4 KiB, default-keys.txt (the default table's keys as a pattern
// file), and overlap/: 100 entries a, aa, ... in code.ini over 200,000 A's in
// A.txt, whose occurrences far outnumber its characters.
//
// mixed/: 1,000 formulas of about 6 KB with about 27 findings each, as users
// keep them: u000.txt to u499.txt in UTF-8, g000.txt to g499.txt in GB18030,
// as editors save them in the Chinese ANSI code page.
//
// shapes/: formulas of about a megabyte built to make following what their
// future functions reach slow (see tests/reachshapes.h), 1.txt to 5.txt.
#include "benchinputs.h"
#include "defaulttable.h"
#include "keywordfile.h"
#include "reachshapes.h"
#include "searchkey.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>

#include <cstdio>

namespace {

bool WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush())
        return true;
    std::fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(file.errorString()));
    return false;
}

// The formula of `size` characters, its lines rotated to start at `first`,
// so that the files differ.
QString RotatedFormula(qsizetype size, qsizetype first)
{
    const QStringList lines = FormulaOfSize(size).split(u'\n');
    QString text;
    for (qsizetype i = 0; i < lines.size(); ++i)
        text += lines[(i + first) % lines.size()] + u'\n';
    return text;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    const LargeInput &large = Large();
    const auto patterns = [](const QStringList &entries) {
        QByteArray keys;
        for (const QString &entry : entries)
            keys += detect::DeriveSearchKey(entry).key.toUtf8() + '\n';
        return keys;
    };
    QStringList overlapping;
    for (int n = 1; n <= 100; ++n)
        overlapping.append(QString(n, u'a'));
    bool written =
        WriteFile(folder.filePath("code.ini"), keywords::FormatKeywordFile(large.entries)) &&
        WriteFile(folder.filePath("formula.txt"), large.formula.toUtf8()) &&
        WriteFile(folder.filePath("keys.txt"), patterns(large.entries)) &&
        WriteFile(folder.filePath("default-keys.txt"), patterns(keywords::DefaultKeywordTable())) &&
        folder.mkpath("overlap") &&
        WriteFile(folder.filePath("overlap/code.ini"), keywords::FormatKeywordFile(overlapping)) &&
        WriteFile(folder.filePath("overlap/A.txt"), QByteArray(200000, 'A')) &&
        folder.mkpath("small");
    const QByteArray small = FormulaOfSize(4096).toUtf8();
    for (int i = 0; written && i < 1000; ++i)
        written = WriteFile(
            folder.filePath(QStringLiteral("small/%1.txt").arg(i, 4, 10, QChar(u'0'))), small);
    written = written && folder.mkpath("mixed");
    QStringEncoder gb18030("GB18030");
    for (int i = 0; written && i < 500; ++i) {
        const QString formula = RotatedFormula(5600, i);
        const QString number = QStringLiteral("%1.txt").arg(i, 3, 10, QChar(u'0'));
        written = WriteFile(folder.filePath("mixed/u" + number), formula.toUtf8()) &&
                  WriteFile(folder.filePath("mixed/g" + number), gb18030(formula));
    }
    written = written && folder.mkpath("shapes");
    const QList<ReachShape> shapes = ReachShapes();
    for (qsizetype i = 0; written && i < shapes.size(); ++i)
        written = WriteFile(folder.filePath(QStringLiteral("shapes/%1.txt").arg(i + 1)),
                            shapes[i].formula);
    return written ? 0 : 1;
}
