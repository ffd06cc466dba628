// Arbitrary bytes as a formula, its statements read and followed: what every
// token of code reaches must be what a slow, obvious search over the
// statements finds (reach_judge.cpp), and every reference must be the
// latest earlier definition of its name.
//
// An input whose first byte is 0xFF is read as pieces of formulas instead, a
// byte a piece (kPieces), so that definitions, outputs, drawings and
// conditions meet as often as in real formulas.

#include "lexer.h"
#include "pieces.h"
#include "reach.h"
#include "reach_judge.h"

#include <cstdint>

namespace {

const char *const kPieces[] = {
    "A",        "B",          "C",           "xg",        "XG",        "ENTERLONG",
    ":=",       ":",          ";",           ";",         ",",         "(",
    ")",        ">",          "=",           "+",         "-",         "*",
    " AND ",    " OR ",       "NOT",         "NOT(",      "&&",        "||",
    "ZIG(C,5)", "REFX(",      "DRAWTEXT(",   "DRAWLINE(", "PARTLINE(", "DRAWTEXT_FIX(",
    "CROSS(",   "STICKLINE(", "'x'",         "{c}",       "KDJ.K",     "\"KDJ.K\"",
    "#WEEK",    ",NODRAW",    ",PLAYSOUND2", "\n",        " ",         "1",
    "【",       "】",         "箱",          "\xFF",      "//c\n",
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray text = FormulaOfPieces(data, size, kPieces);
    // Found name by name as asked, and all at once, against the plain search.
    for (const auto finding :
         {language::Reach::Finding::AsAsked, language::Reach::Finding::AllAtOnce}) {
        const language::Reach reach(text, finding);
        const JudgedReach judged(reach.statements());
        language::Lexer lexer(text);
        for (language::Token token = lexer.next(); token.kind != language::TokenKind::End;
             token = lexer.next()) {
            if (token.kind == language::TokenKind::Comment)
                continue;
            const language::Reach::OfUse use = reach.of(token.start, language::Reach::kListed);
            if (!judged.agrees(use, token.start, reach))
                FailAt("what a use reaches", token.start);
        }
        if (!JudgeReferences(text, reach.statements()))
            FailAt("a reference that is not the latest definition before it", -1);
    }
    return 0;
}
