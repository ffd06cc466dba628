#pragma once

#include "fmtestform.h"

#include <QWidget>

// The main window: the controls come from fmTestForm, the actions live here.
class fmTest : public QWidget, public ui::fmTestForm
{
    Q_OBJECT

public:
    explicit fmTest(QWidget *parent = nullptr);

    // Fills the keyword list; run once after the window is built, before it is shown.
    void load();
};
