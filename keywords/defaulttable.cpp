#include "defaulttable.h"

namespace keywords {

const QStringList &DefaultKeywordTable()
{
    static const QStringList table = {
        QStringLiteral("$ZIG"),      QStringLiteral("$PEAK"),       QStringLiteral("$PEAKBARS"),
        QStringLiteral("$TROUGH"),   QStringLiteral("$TROUGHBARS"), QStringLiteral("$FLATZIG"),
        QStringLiteral("$FLATZIGA"), QStringLiteral("$PEAKA"),      QStringLiteral("$PEAKBARSA"),
        QStringLiteral("$TROUGHA"),  QStringLiteral("$ZIGA"),       QStringLiteral("$FFT"),
        QStringLiteral("$BACKSET"),  QStringLiteral("$WINNER"),     QStringLiteral("$LWINNER"),
        QStringLiteral("$COST"),     QStringLiteral("$DYNAINFO"),   QStringLiteral("$FINANCE"),
        QStringLiteral("#YEAR"),     QStringLiteral("#MONTH"),      QStringLiteral("#WEEK"),
        QStringLiteral("CAPITAL"),   QStringLiteral("DCLOSE"),      QStringLiteral("DOPEN"),
        QStringLiteral("DLOW"),      QStringLiteral("DVOL"),
    };
    return table;
}

} // namespace keywords
