#include "reading.h"

namespace detect {

bool FormulaReading::take(const Occurrence &occurrence)
{
    // Every occurrence at a function's start has been seen once one starts later.
    if (!settle(occurrence.start))
        return false;
    const language::Context context =
        reader_.contextOf(occurrence.start, occurrence.start + occurrence.length);
    if (context == language::Context::Code)
        lastInCode_ = occurrence.start;
    return sink_.found(occurrence, context);
}

bool FormulaReading::settle(qsizetype before)
{
    language::Use use;
    while (reader_.nextUse(use, before)) {
        if (!sink_.used(use, use.start != lastInCode_))
            return false;
    }
    return true;
}

} // namespace detect
