// Arbitrary bytes as the content of the keyword file, through the reader.

#include "keywordfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace keywords;

namespace {

void Require(bool holds, const char *what)
{
    if (holds)
        return;
    std::fprintf(stderr, "keyword file fuzz: %s\n", what);
    std::abort();
}

// Loads `bytes` as code.ini through the real file, in a directory of its own,
// since the reader only looks in the current directory. The fuzzer's own
// current directory is left as it was: corpus and crash paths are relative.
QStringList LoadFromFile(const QByteArray &bytes)
{
    static const QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    Require(dir.isValid() && QDir::setCurrent(dir.path()), "no scratch directory");
    QFile file(QString::fromLatin1(kKeywordFileName));
    QFile::remove(file.fileName());
    Require(file.open(QIODevice::WriteOnly | QIODevice::NewOnly), "cannot write code.ini");
    Require(file.write(bytes) == bytes.size(), "cannot write code.ini");
    file.close();
    QStringList loaded;
    Require(!LoadKeywordList(loaded), "code.ini does not load");
    QDir::setCurrent(previous);
    return loaded;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // Not copied, so a read past the end is a sanitizer report.
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const QStringList entries = ParseKeywordFile(bytes);

    QByteArray rewritten = "\xEF\xBB\xBF";
    for (const QString &entry : entries) {
        Require(!entry.contains(u'\r') && !entry.contains(u'\n'), "an entry holds a line end");
        rewritten += entry.toUtf8() + "\r\n";
    }
    Require(ParseKeywordFile(rewritten) == entries, "entries change when written and read again");

    // The file costs more than the parse, and how it is read does not depend
    // on what it holds: every eighth input, and the first, so that a single
    // input run again takes this path too.
    static unsigned inputs = 0;
    if (inputs++ % 8 == 0)
        Require(LoadFromFile(bytes) == entries, "the file reads otherwise than its bytes");
    return 0;
}
