#pragma once

#include "fmtestform.h"
#include "scan.h"

#include <QWidget>

class FindingsInFormula;

namespace ui {
class PlatformServices;
}

// The main window: the controls come from fmTestForm, the actions live here.
// Every side effect outside the window goes through `services`, which must
// outlive the window.
class fmTest : public QWidget, public ui::fmTestForm
{
    Q_OBJECT

public:
    explicit fmTest(ui::PlatformServices &services, QWidget *parent = nullptr);

    // Fills the keyword list; run once after the window is built, before it is shown.
    void load();

    // Opens the formula file the program was started with: `arguments` are
    // those after the program's own name, one file or none. More than one,
    // or an option, is refused with a message and the formula stays empty.
    void openArguments(const QStringList &arguments);

    // What "检测" has scanned with, for what it costs.
    const detect::Scanner &scanner() const { return scanner_; }

private:
    void detect();
    void clearFormula();
    void pasteFormula();
    void reloadKeywords();
    void editKeywords();
    void openHomepage();

    void showKeywords(const QStringList &entries);
    void tell(const QString &text);

    ui::PlatformServices &services_;
    FindingsInFormula *findings_;
    detect::Scanner scanner_;
};
