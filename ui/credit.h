#pragma once

#include <QString>
#include <QUrl>

namespace ui {

// The tool's name, as its window and message boxes show it.
QString ApplicationTitle();

// The community that provides the tool. The values are chosen when building
// (CMake cache variables CREDIT_NAME, CREDIT_URL and CREDIT_GROUP).
struct Credit
{
    QString name;
    QUrl homepage;
    QString group; // chat group number; empty when there is none

    static Credit FromBuild();

    QString caption() const;    // the window caption
    QString creditLine() const; // the one-line credit along the bottom
};

} // namespace ui
