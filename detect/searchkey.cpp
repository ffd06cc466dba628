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

} // namespace detect
