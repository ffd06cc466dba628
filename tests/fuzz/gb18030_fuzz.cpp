// Arbitrary bytes as a formula file that is no UTF-8, decoded for the checker
// straight into UTF-8 (keywords::TextAsUtf8), against ICU's GB18030 through
// Qt's decoder: both must give the same text, each byte that cannot be
// decoded U+FFFD, a character cut off at the end too.

#include "textfile.h"

#include <QStringDecoder>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    // What TextAsUtf8 reads otherwise, with byte-order marks and UTF-8.
    if (bytes.isValidUtf8() || bytes.startsWith("\xEF\xBB\xBF") || bytes.startsWith("\xFF\xFE") ||
        bytes.startsWith("\xFE\xFF"))
        return 0;
    // The decoder keeps a character that the bytes leave open; a line end
    // after them closes it, and is dropped again.
    QString expected = QStringDecoder("GB18030")(bytes + '\n');
    expected.chop(1);
    if (keywords::TextAsUtf8(bytes) != expected.toUtf8()) {
        std::fprintf(stderr, "gb18030 fuzz: %lld bytes decode otherwise than ICU's\n",
                     static_cast<long long>(size));
        std::abort();
    }
    return 0;
}
