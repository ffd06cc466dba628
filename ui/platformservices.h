#pragma once

#include <QMargins>
#include <QString>

class QUrl;
class QWidget;

namespace ui {

// Every side effect that leaves the window: message boxes, the clipboard, the
// editor and the browser. Tests swap in a fake so nothing blocks or escapes.
class PlatformServices
{
public:
    virtual ~PlatformServices() = default;
    // Modal message box, OK button only, no icon.
    virtual void showMessage(QWidget *parent, const QString &title, const QString &text) = 0;
    // The clipboard's plain text; empty when it holds no text.
    virtual QString clipboardText() const = 0;
    // Starts the user's editor on a file in the current directory and returns at once,
    // without waiting. Empty on success, otherwise what failed, for a message.
    virtual QString startEditor(const QString &fileName) = 0;
    // Opens the page in the user's browser; empty on success, otherwise what failed.
    virtual QString openInBrowser(const QUrl &url) = 0;
};

// The real thing, through Qt.
class SystemServices final : public PlatformServices
{
public:
    void showMessage(QWidget *parent, const QString &title, const QString &text) override;
    QString clipboardText() const override;
    QString startEditor(const QString &fileName) override;
    QString openInBrowser(const QUrl &url) override;
};

// The frame the platform has put around a top-level window, title bar
// included, in logical pixels; empty while it is not known yet, as on X11
// before a window manager has framed the window.
QMargins WindowFrame(const QWidget &window);

} // namespace ui
