#pragma once

#include "defaulttable.h"
#include "fmtestform.h"

#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>

#include <string>
#include <vector>

// The texts of a shown window that do not show whole, with what cuts them:
// each caption, the credit line, and each entry of the default keyword
// table, which the list must hold. A text is whole when the rect it is drawn
// in lies inside its control's room for text, and no control stacked above
// covers any of it.
inline std::vector<std::string> CutTexts(const ui::fmTestForm &f)
{
    std::vector<std::string> cut;
    const auto check = [&](const QWidget *control, const QString &text, Qt::Alignment alignment,
                           const QRect &room, const QString &name) {
        const QFontMetrics metrics = control->fontMetrics();
        const QRect drawn = QStyle::alignedRect(
            Qt::LeftToRight, alignment, {metrics.horizontalAdvance(text), metrics.height()}, room);
        const std::string what = name.toStdString() + " \"" + text.toStdString() + "\" at " +
                                 std::to_string(drawn.width()) + "x" +
                                 std::to_string(drawn.height());
        if (!room.contains(drawn))
            cut.push_back(what + " is larger than its room of " + std::to_string(room.width()) +
                          "x" + std::to_string(room.height()));
        const QObjectList &siblings = control->parentWidget()->children();
        for (qsizetype i = siblings.indexOf(control) + 1; i < siblings.size(); ++i) {
            const auto *above = qobject_cast<const QWidget *>(siblings[i]);
            if (above && above->isVisible() &&
                above->geometry().intersects(drawn.translated(control->pos())))
                cut.push_back(what + " lies under " + above->objectName().toStdString());
        }
    };

    for (const QLabel *label : {f.Label1, f.Label4, f.Label5})
        check(label, label->text(), label->alignment(), label->contentsRect(), label->objectName());
    for (const QPushButton *button : {f.CMD2, f.Command2, f.Command4, f.Command5, f.btnTest}) {
        QStyleOptionButton option;
        option.initFrom(button);
        const QRect room =
            button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        check(button, button->text(), Qt::AlignCenter, room, button->objectName());
    }
    // QLineEdit keeps 2 pixels beside its text.
    check(f.txtMy, f.txtMy->text(), Qt::AlignLeft | Qt::AlignVCenter,
          f.txtMy->contentsRect().adjusted(2, 0, -2, 0), f.txtMy->objectName());

    const QListWidget &list = *f.List1;
    const QStringList &table = keywords::DefaultKeywordTable();
    if (list.count() < table.size() || list.item(int(table.size()) - 1)->text() != table.last())
        cut.push_back("List1 does not hold the default table");
    if (list.verticalScrollBar()->isVisible())
        cut.push_back("List1 scrolls");
    // Item views keep this much beside an entry's text, and shorten it with
    // "…" where that leaves too little.
    const int margin = list.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &list) + 1;
    for (int row = 0; row < list.count() && row < table.size(); ++row) {
        const QRect rect = list.visualItemRect(list.item(row));
        const QRect room =
            rect.intersected(list.viewport()->rect()).adjusted(margin, 0, -margin, 0);
        check(list.viewport(), list.item(row)->text(), Qt::AlignLeft | Qt::AlignVCenter, room,
              list.objectName());
    }
    return cut;
}
