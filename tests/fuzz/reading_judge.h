#pragma once

#include "formulareader.h"

#include <QByteArray>

#include <vector>

// The plain rules of reading a formula, a character at a time, for
// fuzz_reading to judge the reader by. Built without coverage feedback, so
// that the fuzzer is steered by the code under test.

struct Character
{
    qsizetype offset;
    char32_t codePoint;
    bool word; // a word character in code
    bool code;
    language::Context region; // Code, Comment or String
};

std::vector<Character> JudgeCharacters(const QByteArray &text);
// The context of an occurrence of the characters [first, last).
language::Context JudgeContext(const std::vector<Character> &characters, qsizetype first,
                               qsizetype last);
// The functions of the table the formula uses, in text order.
std::vector<language::Use> JudgeUses(const QByteArray &text,
                                     const std::vector<Character> &characters);
