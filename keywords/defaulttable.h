#pragma once

#include <QStringList>

namespace keywords {

// The entries written to a missing keyword file, in file order.
const QStringList &DefaultKeywordTable();

} // namespace keywords
