#pragma once

#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <vector>

namespace language {

// How what stands in an output reaches the user: as a signal (a condition
// that selects, trades, marks or alerts) or as a drawn line or number.
enum class Kind : std::uint8_t { Line, Signal };

// One statement of a formula, ended by ; (the last may lack it):
// NAME:=expr (a variable), NAME:expr (a named output line) or expr (an
// unnamed output: a line, or a drawing call such as DRAWTEXT), then
// attributes after top-level commas (,COLORRED ,NODRAW ,PLAYSOUND3).
struct Statement
{
    enum Form : std::uint8_t { Variable, NamedOutput, UnnamedOutput };

    // A name in the statement's expression that an earlier statement defined.
    struct Reference
    {
        qsizetype target; // that statement's index
        qsizetype at;     // where the name starts
    };
    // An argument of the drawing call the statement is.
    struct Argument
    {
        qsizetype start;
        qsizetype end;
        Kind kind;
    };

    Form form = UnnamedOutput;
    qsizetype start = 0; // its first token
    qsizetype end = 0;   // where its ; stands, or the end of the text
    // As written; empty for an unnamed output, or when nothing stands before
    // the := or the :.
    QString name;
    // The drawing call at the top of its expression, in capitals: DRAWTEXT.
    QString drawing;
    // How its expression counts where no argument of a drawing says otherwise.
    Kind kind = Kind::Line;
    std::vector<Argument> arguments;
    std::vector<Reference> references; // in text order

    bool isOutput() const { return form != Variable; }
    // How something at `position` of the statement reaches it.
    Kind kindAt(qsizetype position) const;
};

// The statements of a formula in UTF-8, in text order; comments and strings
// are not code, and a ; always ends a statement, whatever brackets are open,
// so that one broken statement never swallows the rest. What the author got
// wrong (unbalanced brackets, a missing operand, stray characters) does not
// stop the reading: a statement that cannot be read still defines its name
// and refers to the names it holds. Nothing recurses as deep as the text
// nests.
class Statements
{
public:
    explicit Statements(QByteArrayView text);

    const std::vector<Statement> &all() const { return statements_; }
    // The statement that the code at `position` belongs to; -1 before the first.
    qsizetype at(qsizetype position) const;

private:
    std::vector<Statement> statements_;
};

} // namespace language
