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

// The searched text of `entry` appended to `keys`, for keeping the keys of a
// long list in one string.
void AppendSearchKey(QStringView entry, QString &keys);

} // namespace detect
