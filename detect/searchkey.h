#pragma once

#include <QString>

namespace detect {

// What a keyword entry is reported as, and what is searched for.
struct SearchKey
{
    QString displayName;
    QString key;
    bool operator==(const SearchKey &) const = default;
};

// "$NAME" stands for a call: it is shown as NAME and searched as "NAME(".
// Any other entry is shown and searched as written.
SearchKey DeriveSearchKey(const QString &entry);

} // namespace detect
