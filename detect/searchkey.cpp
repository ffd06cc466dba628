#include "searchkey.h"

namespace detect {

SearchKey DeriveSearchKey(const QString &entry)
{
    if (entry.startsWith(u'$')) {
        const QString name = entry.mid(1);
        return {name, name + u'('};
    }
    return {entry, entry};
}

void AppendSearchKey(QStringView entry, QString &keys)
{
    if (entry.startsWith(u'$'))
        keys.append(entry.sliced(1)).append(u'(');
    else
        keys.append(entry);
}

} // namespace detect
