#pragma once

#include "reach.h"

#include <QByteArray>

#include <vector>

// The plain rules of what a formula's uses reach, for fuzz_reach to judge the
// reader of statements and its reach by; built without coverage feedback, so
// that the fuzzer is steered by the code under test.

// Whether every statement is where ; splits the code, and refers, by each
// name of a single token in its expression, to the latest earlier statement
// that defines that name.
bool JudgeReferences(const QByteArray &text, const language::Statements &statements);

// What each statement reaches, by a search from it over the references.
class JudgedReach
{
public:
    explicit JudgedReach(const language::Statements &statements);
    // Whether `use`, of the code at `position`, says what the search does.
    bool agrees(const language::Reach::OfUse &use, qsizetype position,
                const language::Reach &reach) const;

private:
    const language::Statements &statements_;
    std::vector<std::vector<int>> distance_; // from each statement to each, -1 where none
};
