#include "matchtext.h"

#include <QChar>

namespace detect {

QByteArray MatchableText(QStringView text)
{
    QByteArray bytes(text.size() * 3, Qt::Uninitialized);
    auto *out = reinterpret_cast<uchar *>(bytes.data());
    const char16_t *units = text.utf16();
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t unit = units[i];
        if (unit < 0x80) {
            *out++ = uchar(unit);
        } else if (unit < 0x800) {
            *out++ = uchar(0xC0 | unit >> 6);
            *out++ = uchar(0x80 | (unit & 0x3F));
        } else if (QChar::isHighSurrogate(unit) && i + 1 < size &&
                   QChar::isLowSurrogate(units[i + 1])) {
            const char32_t codePoint = QChar::surrogateToUcs4(unit, units[++i]);
            *out++ = uchar(0xF0 | codePoint >> 18);
            *out++ = uchar(0x80 | (codePoint >> 12 & 0x3F));
            *out++ = uchar(0x80 | (codePoint >> 6 & 0x3F));
            *out++ = uchar(0x80 | (codePoint & 0x3F));
        } else {
            *out++ = uchar(0xE0 | unit >> 12);
            *out++ = uchar(0x80 | (unit >> 6 & 0x3F));
            *out++ = uchar(0x80 | (unit & 0x3F));
        }
    }
    bytes.truncate(out - reinterpret_cast<uchar *>(bytes.data()));
    return bytes;
}

} // namespace detect
