#include "credit.h"

#include "buildinfo.h"

namespace ui {

QString ApplicationTitle()
{
    return QStringLiteral("未来函数检测");
}

Credit Credit::FromBuild()
{
    return {QString::fromUtf8(FUTURECHECK_CREDIT_NAME),
            QUrl(QString::fromUtf8(FUTURECHECK_CREDIT_URL)),
            QString::fromUtf8(FUTURECHECK_CREDIT_GROUP)};
}

QString Credit::caption() const
{
    QString text = QStringLiteral("%1 V%2 - 由%3提供")
                       .arg(ApplicationTitle(), QStringLiteral(FUTURECHECK_VERSION), name);
    if (!group.isEmpty())
        text += QStringLiteral("，交流群 %1").arg(group);
    return text;
}

QString Credit::creditLine() const
{
    QString text = QStringLiteral("%1  主页 %2").arg(name, homepage.toString(QUrl::PrettyDecoded));
    if (!group.isEmpty())
        text += QStringLiteral("  交流群 %1").arg(group);
    return text;
}

} // namespace ui
