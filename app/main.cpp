#include <QCoreApplication>
#include <QTextStream>

#include "keywordfile.h"

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    if (const keywords::FileError error = keywords::EnsureKeywordFile()) {
        out << error.reason << Qt::endl;
        return 1;
    }
    out << "The window is not built yet; the keyword file is ready at "
        << keywords::KeywordFilePath() << Qt::endl;
    return 0;
}
