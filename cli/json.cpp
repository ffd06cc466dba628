#include "json.h"

#include <QChar>

#include <charconv>

namespace cli {

std::string JsonWriter::Quoted(QStringView text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(std::size_t(text.size()) + 2);
    out += '"';
    const auto escaped = [&](char32_t unit) {
        out += "\\u";
        for (int shift = 12; shift >= 0; shift -= 4)
            out += kHex[unit >> shift & 0xF];
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        switch (unit) {
        case u'"':
            out += "\\\"";
            continue;
        case u'\\':
            out += "\\\\";
            continue;
        case u'\b':
            out += "\\b";
            continue;
        case u'\f':
            out += "\\f";
            continue;
        case u'\n':
            out += "\\n";
            continue;
        case u'\r':
            out += "\\r";
            continue;
        case u'\t':
            out += "\\t";
            continue;
        }
        char32_t c = unit;
        if (c < 0x20) {
            escaped(c);
            continue;
        }
        if (QChar::isSurrogate(unit)) {
            if (!QChar::isHighSurrogate(unit) || i + 1 == text.size() ||
                !text[i + 1].isLowSurrogate()) {
                escaped(c);
                continue;
            }
            c = QChar::surrogateToUcs4(unit, text[++i].unicode());
        }
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | c >> 6);
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | c >> 12);
            out += char(0x80 | (c >> 6 & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | c >> 18);
            out += char(0x80 | (c >> 12 & 0x3F));
            out += char(0x80 | (c >> 6 & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    out += '"';
    return out;
}

void JsonWriter::separate()
{
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (hasItems_ & 1)
        out_ += ',';
    hasItems_ |= 1;
}

JsonWriter &JsonWriter::open(char bracket)
{
    separate();
    out_ += bracket;
    hasItems_ <<= 1;
    return *this;
}

JsonWriter &JsonWriter::close(char bracket)
{
    out_ += bracket;
    hasItems_ >>= 1;
    return *this;
}

JsonWriter &JsonWriter::key(std::string_view name)
{
    separate();
    out_ += '"';
    out_ += name;
    out_ += "\":";
    afterKey_ = true;
    return *this;
}

JsonWriter &JsonWriter::value(qsizetype number)
{
    separate();
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    out_.append(digits, std::size_t(end - digits));
    return *this;
}

JsonWriter &JsonWriter::quoted(std::string_view quoted)
{
    separate();
    out_ += quoted;
    return *this;
}

} // namespace cli
