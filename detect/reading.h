#pragma once

#include "formulareader.h"
#include "keymatcher.h"

#include <limits>

namespace detect {

// Takes what reading the formula makes of a scan's occurrences, in text order.
class ReadingSink
{
public:
    virtual ~ReadingSink() = default;
    // An occurrence of a key, with where it stands; false ends the scan.
    virtual bool found(const Occurrence &occurrence, language::Context context) = 0;
    // A known future function in code, in text order among the
    // occurrences; `missed` when no occurrence in code begins at its start.
    virtual bool used(const language::Use &use, bool missed) = 0;
};

// Reads the formula as its language does while the scan hands over the
// occurrences of its keys, ordered by start, in the same UTF-8 text; then
// finish() hands over the functions used after the last one.
class FormulaReading final : public OccurrenceSink
{
public:
    FormulaReading(QByteArrayView text, ReadingSink &sink) : reader_(text), sink_(sink) {}

    bool take(const Occurrence &occurrence) override;
    // The functions used that start before `before`: a scan cut short
    // knows nothing of what the list found beyond it.
    bool finish(qsizetype before = std::numeric_limits<qsizetype>::max()) { return settle(before); }

private:
    bool settle(qsizetype before);

    language::FormulaReader reader_;
    ReadingSink &sink_;
    qsizetype lastInCode_ = -1; // where the last occurrence in code started
};

} // namespace detect
