#pragma once

#include <QStringView>

#include <cstdint>
#include <string>
#include <string_view>

namespace cli {

// Writes JSON text from typed values into a string, compact: nothing between
// tokens. Strings are escaped as little as JSON allows: " and \, and control
// characters (\b \f \n \r \t, else \u00XX); a surrogate that is not half of
// a pair is written \uXXXX, so the text stays UTF-8. Hex digits are lower case.
class JsonWriter
{
public:
    explicit JsonWriter(std::string &out) : out_(out) {}

    // A string's JSON text, quotes included, for writing many times.
    static std::string Quoted(QStringView text);

    JsonWriter &beginObject() { return open('{'); }
    JsonWriter &endObject() { return close('}'); }
    JsonWriter &beginArray() { return open('['); }
    JsonWriter &endArray() { return close(']'); }
    // The name of an object's next member; names are plain ASCII.
    JsonWriter &key(std::string_view name);
    JsonWriter &value(qsizetype number);
    JsonWriter &value(QStringView text) { return quoted(Quoted(text)); }
    // A string written by Quoted().
    JsonWriter &quoted(std::string_view quoted);

private:
    JsonWriter &open(char bracket);
    JsonWriter &close(char bracket);
    // A comma before all but the first value of an array or member of an object.
    void separate();

    std::string &out_;
    std::uint64_t hasItems_ = 0; // a bit for each open array or object, the innermost lowest
    bool afterKey_ = false;
};

} // namespace cli
