#include "platformservices.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QGuiApplication>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>
#include <QWidget>
#include <QWindow>

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace ui {

namespace {

#ifdef Q_OS_WIN
// The system's own Notepad, by its full path: a bare name is looked for in
// the program's folder and the current one first, and the current one is
// where the user keeps code.ini, perhaps unpacked from someone else's pack.
QString SystemNotepad()
{
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    const QString system = length > 0 && length < MAX_PATH
                               ? QString::fromWCharArray(folder, int(length))
                               : qEnvironmentVariable("SystemRoot") + QStringLiteral("\\System32");
    return QDir::toNativeSeparators(system + QStringLiteral("/notepad.exe"));
}
#endif

} // namespace

void SystemServices::showMessage(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
    // File names and reasons go into these texts; never let them read as markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

QString SystemServices::clipboardText() const
{
    return QGuiApplication::clipboard()->text();
}

QString SystemServices::startEditor(const QString &fileName)
{
    const QString path = QDir::current().absoluteFilePath(fileName);
    QProcess process;
#if defined(Q_OS_WIN)
    process.setProgram(SystemNotepad());
    process.setArguments({QDir::toNativeSeparators(path)});
#elif defined(Q_OS_MACOS)
    process.setProgram(QStringLiteral("open"));
    process.setArguments({QStringLiteral("-t"), path});
#else
    process.setProgram(QStringLiteral("xdg-open"));
    process.setArguments({path});
#endif
    process.setWorkingDirectory(QDir::currentPath());
    if (process.startDetached())
        return {};
    return QStringLiteral("无法启动编辑器 %1 打开 %2：%3")
        .arg(process.program(), QDir::toNativeSeparators(path), process.errorString());
}

QMargins WindowFrame(const QWidget &window)
{
    const QWindow *handle = window.windowHandle();
    if (!handle)
        return {};
#ifdef Q_OS_WIN
    // Qt leaves out of the frame what Windows 10 keeps as invisible resize
    // borders; Wine draws them. The window's own rectangles hold what it takes.
    if (const auto hwnd = HWND(window.internalWinId())) {
        RECT outer, client;
        POINT origin{0, 0};
        if (GetWindowRect(hwnd, &outer) && GetClientRect(hwnd, &client) &&
            ClientToScreen(hwnd, &origin)) {
            const QMargins native(origin.x - outer.left, origin.y - outer.top,
                                  outer.right - origin.x - client.right,
                                  outer.bottom - origin.y - client.bottom);
            return native / handle->devicePixelRatio();
        }
    }
#endif
    return handle->frameMargins();
}

QString SystemServices::openInBrowser(const QUrl &url)
{
    if (QDesktopServices::openUrl(url))
        return {};
    return QStringLiteral("无法在浏览器中打开 %1").arg(url.toDisplayString());
}

} // namespace ui
