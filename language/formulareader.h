#pragma once

#include "futurefunctions.h"

#include <QByteArrayView>

#include <cstdint>
#include <limits>
#include <vector>

namespace language {

// Where an occurrence of a keyword list's key stands in a formula.
enum class Context : std::uint8_t {
    Code,    // read as the formula's code
    Comment, // it starts inside { … }
    String,  // it starts inside ' … '
    Name,    // it starts or ends inside a longer name: DCLOSE in MYDCLOSE
};

// "code", "comment", "string", "name".
QLatin1StringView ContextId(Context context);

// A known future function written in a formula's code.
struct Use
{
    const FutureFunction *function = nullptr;
    qsizetype start = 0;  // of its name, or of the # before a period
    qsizetype length = 0; // of the name, with that #, without any bracket
    bool operator==(const Use &) const = default;
};

// Reads a formula as its language does, in one pass forward:
// - a comment runs from { to the first } after it, over lines too, or to the
//   end of the text; comments do not nest;
// - a string runs from ' to the next ', or to the end of its line;
// - double quotes hold a reference to another formula ("KDJ.K#WEEK"), up to
//   the next " or the end of the line; its text is code, in which { and '
//   open nothing;
// - the rest is code. A word is a run of letters, digits, _ and CJK
//   ideographs; one that does not start with a digit is a name, compared
//   without regard to case. A call is a name, optional spaces and "(", and
//   #NAME behind anything is a longer period.
//
// The text is UTF-8, or what the matcher reads (bytes that make no character
// stand for one each; ASCII in an overlong form is neither a letter nor a
// delimiter). Lines end with CR LF, CR or LF.
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
    // What reading on finds next: a comment, a string, or a known future
    // function; what lies between is code.
    struct Event
    {
        enum Kind : std::uint8_t { None, Use, Comment, String, End };
        Kind kind = None;
        qsizetype start = 0;
        qsizetype end = 0;
        const FutureFunction *function = nullptr;
    };
    class Lexer
    {
    public:
        explicit Lexer(QByteArrayView text);
        Event read();
        // Everything before it has been read.
        qsizetype at() const { return at_; }

    private:
        Event use(qsizetype start);
        const unsigned char *text_;
        qsizetype size_;
        qsizetype at_ = 0;
        bool inReference_ = false;
        qsizetype block_ = -64; // the 64 bytes last classified start here
        struct Masks
        {
            std::uint64_t word = 0;    // a bit for each ASCII letter, digit and _
            std::uint64_t letter = 0;  // for each letter among them
            std::uint64_t special = 0; // and for each { ' " CR LF
        } masks_;
    };

    void readEvent();
    bool endsInsideWord(qsizetype end) const;

    QByteArrayView text_;
    Lexer lexer_;
    Event region_; // the last comment or string read
    bool atEnd_ = false;
    std::vector<Use> uses_; // read, not yet handed over, from usesTaken_ on
    std::size_t usesTaken_ = 0;
};

} // namespace language
