// Writes GB18030's characters of two bytes as the library decodes them, for
// the checker's own decoding (keywords/textfile.cpp): a C++ initializer of
// one UTF-16 unit per pair, lead byte 0x81 to 0xFE, trail byte 0x40 to 0xFE
// without 0x7F, in that order. Where the library is missing or decodes any
// pair otherwise than as one character beyond ASCII, it writes a single 0,
// and the checker leaves every such file to the library.
#include <QFile>
#include <QStringDecoder>

#include <algorithm>

int main(int argc, char *argv[])
{
    if (argc != 2)
        return 2;
    QByteArray pairs;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail != 0x7F)
                pairs.append(char(lead)).append(char(trail));
        }
    }
    QStringDecoder gb18030("GB18030");
    const QString text = gb18030.isValid() ? gb18030(pairs) : QString();
    const bool single =
        text.size() == pairs.size() / 2 && std::none_of(text.begin(), text.end(), [](QChar unit) {
            return unit.unicode() < 0x80 || unit.isSurrogate() ||
                   unit == QChar::ReplacementCharacter;
        });
    QByteArray table = "// Made by make_gb18030_table from the library's GB18030 decoder.\n";
    if (!single)
        table += "0\n";
    for (qsizetype i = 0; single && i < text.size(); ++i)
        table += "0x" + QByteArray::number(text[i].unicode(), 16) + (i % 12 == 11 ? ",\n" : ", ");
    QFile file(QString::fromLocal8Bit(argv[1]));
    return file.open(QIODevice::WriteOnly) && file.write(table + '\n') == table.size() + 1 ? 0 : 1;
}
