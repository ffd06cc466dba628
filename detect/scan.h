#pragma once

#include "views.h"

namespace detect {

// Tests every entry of the list against the formula and writes one finding
// line per entry found (the last found on top) in red, or the nothing-found
// message in black; leaves nothing selected.
void ScanFormula(KeywordListView &list, const FormulaTextView &formula, ResultTextView &result);

} // namespace detect
