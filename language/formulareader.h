#pragma once

#include "futurefunctions.h"
#include "lexer.h"

#include <QByteArrayView>

#include <cstdint>
#include <limits>
#include <vector>

namespace language {

// Where an occurrence of a keyword list's key stands in a formula.
enum class Context : std::uint8_t {
    Code,    // read as the formula's code
    Comment, // it starts inside { … } or after //
    String,  // it starts inside ' … '
    Name,    // it starts or ends inside a longer name: DCLOSE in MYDCLOSE
};

// "code", "comment", "string", "name".
QLatin1StringView ContextId(Context context);

// Reads a formula as its language does (see Lexer), in one pass forward, for
// where the occurrences of keys stand and which known future functions the
// code uses. A reference's text is code. Only comments, strings, references
// and names that may be the table's are lexed; the code between is passed
// over many bytes at a time.
class FormulaReader
{
public:
    explicit FormulaReader(QByteArrayView text);

    // The context of an occurrence of [start, end). `start` must not
    // decrease from one call to the next.
    Context contextOf(qsizetype start, qsizetype end);

    // The next known future function in code, in text order, if it starts
    // before `before`. Calls must not go back before a start given to
    // contextOf().
    bool nextUse(Use &use, qsizetype before = std::numeric_limits<qsizetype>::max());

private:
    void read();
    bool endsInsideWord(qsizetype end) const;

    QByteArrayView text_;
    Lexer lexer_;
    Token region_; // the last comment or string read
    bool atEnd_ = false;
    std::vector<Use> uses_; // read, not yet handed over, from usesTaken_ on
    std::size_t usesTaken_ = 0;
};

} // namespace language
