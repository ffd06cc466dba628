#pragma once

#include <QByteArray>
#include <QLatin1StringView>
#include <QString>

#include <cstdint>
#include <memory>
#include <span>
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
    // As written, in the text's UTF-8; empty for an unnamed output, or when
    // nothing stands before the := or the :.
    QByteArrayView nameBytes;
    // The drawing call at the top of its expression, in capitals: DRAWTEXT.
    QLatin1StringView drawing;
    // How its expression counts where no argument of a drawing says otherwise.
    Kind kind = Kind::Line;
    std::vector<Argument> arguments;
    std::span<const Reference> references; // in text order

    bool isOutput() const { return form != Variable; }
    QString name() const { return QString::fromUtf8(nameBytes); }
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
//
// Where each statement stands, its form and its name are found at once, in a
// pass that looks only at what ends statements and names them; what a
// statement holds (its references, its kind, its drawing) is read when it is
// first asked for, so that following a few uses costs a few statements.
class Statements
{
public:
    explicit Statements(QByteArray text);
    ~Statements();
    Statements(const Statements &) = delete;

    qsizetype size() const { return qsizetype(statements_.size()); }
    qsizetype textSize() const { return text_.size(); }
    const Statement &operator[](qsizetype index) const;
    // Where it stands, its form and its name, without reading what it holds.
    const Statement &outline(qsizetype index) const { return statements_[std::size_t(index)]; }
    // The statement that the code at `position` belongs to; -1 before the first.
    qsizetype at(qsizetype position) const;

    // The statements after `index` that may refer to the name it defines,
    // up to the next that defines that name again: those whose text holds
    // it, each once, in order. Adds the bytes looked through to `searched`.
    std::vector<qsizetype> mayReferTo(qsizetype index, qsizetype &searched) const;

private:
    class Reader;
    void read(qsizetype index) const;

    const QByteArray text_; // which the statements' names view
    mutable std::vector<Statement> statements_;
    mutable std::vector<bool> read_;
    std::unique_ptr<Reader> reader_;
};

} // namespace language
