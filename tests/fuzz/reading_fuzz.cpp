// Arbitrary bytes as a formula, read by the formula reader and by a plain
// reading written here character by character: every occurrence's context,
// the functions used and those a list missed must agree.
//
// An input whose first byte is 0xFF is read as pieces of formulas instead, a
// byte a piece (kPieces), so that comments, strings, references, names and
// the table's functions meet as often as they do in real formulas.

#include "pieces.h"
#include "reading_judge.h"
#include "report.h"

#include <QStringList>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <vector>

namespace {

const char *const kPieces[] = {
    "{",
    "}",
    "'",
    "\"",
    "\r",
    "\n",
    " ",
    "\t",
    "(",
    ")",
    "#",
    ";",
    ":=",
    ",",
    ".",
    "ZIG",
    "zig",
    "REFX",
    "DHIGH",
    "week",
    "WEEK",
    "MIN5",
    "DAY",
    "A",
    "B",
    "1",
    "_",
    "中",
    "波段",
    "，",
    "\xE4",
    "\xB8",
    "\xFF",
    "FLATZIG",
    "CURRBARSCOUNT",
    "C",
    "S",
    "X1",
    "\xF0\x9F\x98\x80",
    "/",
    "//",
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray text = FormulaOfPieces(data, size, kPieces);
    const std::vector<Character> chars = JudgeCharacters(text);
    const qsizetype count = qsizetype(chars.size());
    const std::vector<language::Use> expectedUses = JudgeUses(text, chars);

    // The context of an occurrence at every character, one to four
    // characters long in turn, and of every seventh to the end, asked in
    // order, with the uses taken as a scan takes them.
    language::FormulaReader reader(text);
    std::vector<language::Use> uses;
    language::Use use;
    const Character *at = chars.data();
    for (qsizetype k = 0; k < count; ++k) {
        while (reader.nextUse(use, at[k].offset))
            uses.push_back(use);
        for (const qsizetype length : {1 + k % 4, k % 7 ? 0 : count}) {
            if (length == 0)
                continue;
            const qsizetype last = std::min(count, k + length);
            const qsizetype end = last < count ? at[last].offset : text.size();
            if (reader.contextOf(at[k].offset, end) != JudgeContext(chars, k, last))
                FailAt("context", at[k].offset);
        }
    }
    while (reader.nextUse(use))
        uses.push_back(use);
    if (uses != expectedUses)
        FailAt("uses", uses.size() < expectedUses.size() ? expectedUses[uses.size()].start : -1);

    // What a list of keys found, and what it missed: a function is missed
    // where no occurrence in code starts at its start. Every other input
    // only, as this costs a scan and a second reading.
    if (size % 2)
        return 0;
    static const QStringList entries{"$ZIG", "ZIG", "#DAY", "A B", "{", "X1", "REFX"};
    detect::FormulaSearch search(QList<QStringView>(entries.cbegin(), entries.cend()));
    struct Sink final : detect::ReportSink
    {
        bool finding(const detect::Finding &finding) override
        {
            if (finding.context == language::Context::Code)
                inCode.push_back(finding.start);
            return true;
        }
        bool used(const detect::FunctionUse &use) override
        {
            (use.missed ? missed : found_).push_back(use.use);
            return true;
        }
        std::vector<qsizetype> inCode;
        std::vector<language::Use> missed, found_;
    } sink;
    search.search(text, sink, detect::Reading::Contexts);
    std::vector<language::Use> expectedMissed;
    for (const language::Use &expected : expectedUses) {
        if (std::find(sink.inCode.begin(), sink.inCode.end(), expected.start) == sink.inCode.end())
            expectedMissed.push_back(expected);
    }
    if (sink.missed != expectedMissed || sink.missed.size() + sink.found_.size() != uses.size())
        FailAt("missed", -1);
    return 0;
}
