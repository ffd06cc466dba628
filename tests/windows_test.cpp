// What only the Windows build does, tried on the real system parts: the ANSI
// code page, Notepad, the URL handler, cmd.exe and the desktop. CTest runs it
// under Wine as a Chinese Windows (code page 936).
#include "defaulttable.h"
#include "fmtestform.h"
#include "keywordfile.h"
#include "platformservices.h"
#include "startup.h"
#include "tempcwd.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScrollBar>
#include <QSettings>
#include <QStyle>
#include <QTest>
#include <QThread>
#include <QUrl>

#include <windows.h>
#include <winternl.h>

#include <tlhelp32.h>

#include <functional>

namespace {

// A program of the build. Under Wine the build's Unix paths lie on drive Z:,
// while the tests' current folders are on C:.
QString Built(const char *path)
{
    const QString built = QString::fromUtf8(path);
    return QDir::toNativeSeparators(built.startsWith(u'/') ? QStringLiteral("Z:") + built : built);
}

bool WaitFor(const std::function<bool()> &done, int ms = 20000)
{
    const QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(50);
    }
    return true;
}

// The children this process started that run `exe`.
QList<DWORD> ChildProcesses(const wchar_t *exe)
{
    QList<DWORD> ids;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ParentProcessID == GetCurrentProcessId() && !_wcsicmp(entry.szExeFile, exe))
            ids.append(entry.th32ProcessID);
    }
    CloseHandle(snapshot);
    return ids;
}

// Another process's command line, read from its process block.
QString CommandLineOf(DWORD id)
{
    const HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id);
    if (!process)
        return {};
    QString line;
    PROCESS_BASIC_INFORMATION basic{};
    PEB peb{};
    RTL_USER_PROCESS_PARAMETERS parameters{};
    if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic,
                                  nullptr) == 0 &&
        ReadProcessMemory(process, basic.PebBaseAddress, &peb, sizeof peb, nullptr) &&
        ReadProcessMemory(process, peb.ProcessParameters, &parameters, sizeof parameters,
                          nullptr)) {
        std::wstring text(parameters.CommandLine.Length / sizeof(wchar_t), L'\0');
        if (ReadProcessMemory(process, parameters.CommandLine.Buffer, text.data(),
                              parameters.CommandLine.Length, nullptr))
            line = QString::fromStdWString(text);
    }
    CloseHandle(process);
    return line;
}

void End(DWORD id)
{
    if (const HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id)) {
        TerminateProcess(process, 0);
        WaitForSingleObject(process, 5000);
        CloseHandle(process);
    }
}

// A visible top-level window of the process, with its caption.
HWND VisibleWindowOf(DWORD id, QString *caption = nullptr)
{
    struct Search
    {
        DWORD id;
        HWND found;
    } search{id, nullptr};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto *s = reinterpret_cast<Search *>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner != s->id || !IsWindowVisible(window) || GetWindow(window, GW_OWNER))
                return TRUE;
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    if (search.found && caption) {
        wchar_t text[256] = {};
        GetWindowTextW(search.found, text, 256);
        *caption = QString::fromWCharArray(text);
    }
    return search.found;
}

class OnWindows : public InTempDir
{};

TEST_F(OnWindows, KeywordFileInTheAnsiCodePageIsReadThroughIt)
{
    ASSERT_EQ(GetACP(), 936u) << "the Windows tests run as a Chinese system";
    // "涨停" and "波段" in code page 936: neither UTF-8 nor marked as anything.
    // Windows itself would drop the bytes it cannot decode, a byte that is
    // no character and a first half with nothing after it.
    WriteFile(QStringLiteral("code.ini"),
              "$ZIG\r\n\xD5\xC7\xCD\xA3\r\n$\xB2\xA8\xB6\xCE\r\nA\xFF\r\n\xB2");
    QStringList entries;
    ASSERT_FALSE(keywords::LoadKeywordList(entries));
    EXPECT_EQ(entries, QStringList({"$ZIG", "涨停", "$波段", "A\uFFFD", "\uFFFD"}));
}

TEST_F(OnWindows, EditStartsNotepadOnTheAbsolutePathAndReturnsAtOnce)
{
    WriteFile(QStringLiteral("code.ini"), "$ZIG\r\n");
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(ui::SystemServices().startEditor(QStringLiteral("code.ini")), QString());
    EXPECT_LT(clock.elapsed(), 1000);

    QList<DWORD> notepads;
    ASSERT_TRUE(WaitFor([&] { return !(notepads = ChildProcesses(L"notepad.exe")).isEmpty(); }));
    const QString path = QDir::toNativeSeparators(QDir::current().absoluteFilePath("code.ini"));
    const QString line = CommandLineOf(notepads.first());
    EXPECT_TRUE(line.endsWith(path) || line.endsWith(u'"' + path + u'"')) << line.toStdString();
    for (DWORD id : notepads)
        End(id);
}

// Points the system's handler for https pages at `command` while it lives.
class HttpsHandler
{
public:
    explicit HttpsHandler(const QString &command)
    {
        previous_ = key_.value(QStringLiteral("."));
        key_.setValue(QStringLiteral("."), command);
        key_.sync();
    }
    ~HttpsHandler()
    {
        if (previous_.isValid())
            key_.setValue(QStringLiteral("."), previous_);
        else
            key_.remove(QStringLiteral("."));
    }

private:
    QSettings key_{QStringLiteral("HKEY_CLASSES_ROOT\\https\\shell\\open\\command"),
                   QSettings::NativeFormat};
    QVariant previous_;
};

TEST_F(OnWindows, CreditPageOpensThroughTheSystemsHandlerOrSaysWhyNot)
{
    const QUrl page(QStringLiteral("https://example.org/future-check"));
    const QString record = QDir::toNativeSeparators(QDir::current().absoluteFilePath("opened"));
    {
        const HttpsHandler handler(QStringLiteral("cmd.exe /c echo %1>\"%2\"").arg("%1", record));
        EXPECT_EQ(ui::SystemServices().openInBrowser(page), QString());
        ASSERT_TRUE(WaitFor([&] { return QFileInfo(record).size() > 0; }));
        EXPECT_EQ(ReadFile(record).trimmed(), page.toEncoded());
    }
    {
        const HttpsHandler handler(QStringLiteral("C:\\no\\such\\browser.exe \"%1\""));
        EXPECT_EQ(ui::SystemServices().openInBrowser(page),
                  QStringLiteral("无法在浏览器中打开 https://example.org/future-check"));
    }
}

TEST(WindowsStyle, KeywordListShowsTheDefaultTableWholeAndItsSelectionInTheHighlightColour)
{
    ASSERT_EQ(QApplication::style()->name(), QStringLiteral("windowsvista"));
    QWidget fmTest;
    ui::fmTestForm form;
    form.setupUi(&fmTest);
    QListWidget &list = *form.List1;
    list.addItems(keywords::DefaultKeywordTable());
    fmTest.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&fmTest));
    EXPECT_FALSE(list.verticalScrollBar()->isVisible());
    EXPECT_LT(list.fontMetrics().horizontalAdvance(QStringLiteral("$TROUGHBARS")),
              list.viewport()->width() - 8);

    list.setCurrentRow(4);
    form.txtCode->setFocus();
    ASSERT_FALSE(list.hasFocus());
    const QImage drawn = list.viewport()->grab().toImage();
    const QRect row = list.visualItemRect(list.item(4));
    const qreal scale = drawn.devicePixelRatio();
    EXPECT_EQ(drawn.pixelColor(QPoint(row.right() - 2, row.center().y()) * scale),
              list.palette().color(QPalette::Active, QPalette::Highlight));
}

struct Outcome
{
    int status = -1;
    QByteArray out;
};

// As a user types it in a console: cmd.exe leaves the wildcards to the program.
Outcome RunInCmd(const QString &arguments)
{
    QProcess process;
    process.setProgram(QStringLiteral("cmd.exe"));
    process.setNativeArguments(
        QStringLiteral("/c \"\"%1\" %2\"").arg(Built(FUTURE_CHECK_CLI), arguments));
    process.start();
    EXPECT_TRUE(process.waitForFinished(60000));
    return {process.exitCode(), process.readAllStandardOutput()};
}

TEST_F(OnWindows, CheckerInCmdReadsTheCodePageExpandsWildcardsAndWritesUtf8)
{
    WriteFile(QStringLiteral("波段.txt"), "\xB2\xA8\xB6\xCE:=ZIG(C,5);\r\n");
    WriteFile(QStringLiteral("均线.txt"), "MA(C,5);\r\n");
    const QByteArray finding = QStringLiteral("波段.txt:1:5: 发现未来函数ZIG!\n").toUtf8();

    const Outcome all = RunInCmd(QStringLiteral("*.txt"));
    EXPECT_EQ(all.status, 1);
    EXPECT_EQ(all.out, finding);
    const Outcome clean = RunInCmd(QStringLiteral("均*.txt"));
    EXPECT_EQ(clean.status, 0);
    EXPECT_EQ(clean.out, QByteArray());
    const Outcome missing = RunInCmd(QStringLiteral("gone.txt 波段.txt"));
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.out, finding);
}

TEST_F(OnWindows, WindowProgramWritesCodeIniAndOpensCentredInTheWorkArea)
{
    // The test display keeps a strip for a taskbar, as a desktop does.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
    ASSERT_NE(QRect(QPoint(monitor.rcWork.left, monitor.rcWork.top),
                    QPoint(monitor.rcWork.right - 1, monitor.rcWork.bottom - 1)),
              QRect(QPoint(monitor.rcMonitor.left, monitor.rcMonitor.top),
                    QPoint(monitor.rcMonitor.right - 1, monitor.rcMonitor.bottom - 1)))
        << "no work area set aside on this display";

    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM")); // the real Windows platform
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(QDir::currentPath());
    program.start(Built(FUTURE_CHECK_APP));
    ASSERT_TRUE(program.waitForStarted());
    const DWORD id = DWORD(program.processId());

    QString caption;
    HWND window = nullptr;
    EXPECT_TRUE(WaitFor([&] { return (window = VisibleWindowOf(id, &caption)) != nullptr; }));
    EXPECT_TRUE(QFile::exists(QStringLiteral("code.ini")));
    EXPECT_TRUE(caption.startsWith(QStringLiteral("未来函数检测"))) << caption.toStdString();
    if (window) {
        RECT client{};
        GetClientRect(window, &client);
        POINT topLeft{0, 0};
        ClientToScreen(window, &topLeft);
        const QRect work(QPoint(monitor.rcWork.left, monitor.rcWork.top),
                         QPoint(monitor.rcWork.right - 1, monitor.rcWork.bottom - 1));
        const QSize size(client.right, client.bottom);
        EXPECT_EQ(QRect(QPoint(topLeft.x, topLeft.y), size), startup::WindowPlacement(size, work));
    }
    program.kill();
    program.waitForFinished();
}

} // namespace
