// What only the Windows build does, tried on the real system parts: the ANSI
// code page, Notepad, the URL handler, cmd.exe and the desktop. CTest runs it
// under Wine as a Chinese Windows (code page 936).
#include "defaulttable.h"
#include "fmtest.h"
#include "fmtestform.h"
#include "keywordfile.h"
#include "platformservices.h"
#include "startup.h"
#include "tempcwd.h"
#include "wholetext.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
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

// The file a process runs, by its full path.
QString ImageOf(DWORD id)
{
    QString image;
    if (const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id)) {
        wchar_t path[MAX_PATH];
        DWORD size = MAX_PATH;
        if (QueryFullProcessImageNameW(process, 0, path, &size))
            image = QString::fromWCharArray(path, int(size));
        CloseHandle(process);
    }
    return image;
}

// The real services, with every message taken as read at once.
class SystemServicesWithoutMessages final : public ui::PlatformServices
{
public:
    void showMessage(QWidget *, const QString &, const QString &) override {}
    QString clipboardText() const override { return system_.clipboardText(); }
    QString startEditor(const QString &fileName) override { return system_.startEditor(fileName); }
    QString openInBrowser(const QUrl &url) override { return system_.openInBrowser(url); }

private:
    ui::SystemServices system_;
};

// "编辑" in a folder where someone left a notepad.exe: the system's own
// Notepad opens code.ini by its full path, at once, and the one in the
// folder never runs.
TEST_F(OnWindows, EditStartsTheSystemsNotepadNotOneInTheWorkingFolder)
{
    WriteFile(QStringLiteral("code.ini"), "$ZIG\r\n");
    ASSERT_TRUE(QFile::copy(Built(FAKE_NOTEPAD), QStringLiteral("notepad.exe")));
    SystemServicesWithoutMessages services;
    fmTest window(services);
    window.load();
    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(window.Command2, Qt::LeftButton);
    EXPECT_LT(clock.elapsed(), 1000);

    QList<DWORD> notepads;
    ASSERT_TRUE(WaitFor([&] { return !(notepads = ChildProcesses(L"notepad.exe")).isEmpty(); }));
    wchar_t system[MAX_PATH];
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    const QString notepad = QString::fromWCharArray(system, int(length)) + "\\notepad.exe";
    EXPECT_EQ(ImageOf(notepads.first()).compare(notepad, Qt::CaseInsensitive), 0)
        << ImageOf(notepads.first()).toStdString();
    const QString path = QDir::toNativeSeparators(QDir::current().absoluteFilePath("code.ini"));
    const QString line = CommandLineOf(notepads.first());
    EXPECT_TRUE(line.endsWith(path) || line.endsWith(u'"' + path + u'"')) << line.toStdString();
    QThread::msleep(500); // time enough for the one in the folder to leave its mark
    EXPECT_FALSE(QFile::exists(QStringLiteral("notepad-ran")));
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

// The interface font of this Windows is a CJK one (scripts/wine-prefix), as
// on a Chinese Windows: the layout grows until every text shows whole.
TEST(WindowsStyle, EveryTextShowsWholeInTheInterfaceFontAndTheSelectionInTheHighlightColour)
{
    ASSERT_EQ(QApplication::style()->name(), QStringLiteral("windowsvista"));
    QWidget fmTest;
    ui::fmTestForm form;
    form.setupUi(&fmTest);
    const QString family = QFontInfo(fmTest.font()).family();
    ASSERT_TRUE(QFontDatabase::writingSystems(family).contains(QFontDatabase::SimplifiedChinese))
        << family.toStdString();
    QListWidget &list = *form.List1;
    list.addItems(keywords::DefaultKeywordTable());
    fmTest.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&fmTest));
    EXPECT_EQ(CutTexts(form), std::vector<std::string>());
    testing::Test::RecordProperty("font", family.toStdString());
    testing::Test::RecordProperty("scale", std::to_string(form.scale()));

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

// The visible top-level windows of a process: its window, and a message
// box over it.
int VisibleWindowsOf(DWORD id)
{
    struct Count
    {
        DWORD id;
        int windows;
    } count{id, 0};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto *c = reinterpret_cast<Count *>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == c->id && IsWindowVisible(window))
                ++c->windows;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count.windows;
}

// As "打开方式" starts it, with a file of a Chinese name in the code page:
// the window opens with no message over it; given two files, or an option,
// a message stands over the window.
TEST_F(OnWindows, WindowProgramOpensTheFileItIsStartedWith)
{
    WriteFile(QStringLiteral("波段.txt"), "\xB2\xA8\xB6\xCE:=ZIG(C,5);\r\n");
    const QString file = QDir::toNativeSeparators(QDir::current().absoluteFilePath("波段.txt"));
    const struct
    {
        QStringList arguments;
        int windows;
    } cases[] = {{{file}, 1}, {{file, file}, 2}, {{"-x"}, 2}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        program.setProcessEnvironment(environment);
        program.start(Built(FUTURE_CHECK_APP), c.arguments);
        ASSERT_TRUE(program.waitForStarted());
        const DWORD id = DWORD(program.processId());
        EXPECT_TRUE(WaitFor([&] { return VisibleWindowsOf(id) >= c.windows; }));
        QThread::msleep(1000); // a message that was to come has come by now
        EXPECT_EQ(VisibleWindowsOf(id), c.windows);
        program.kill();
        program.waitForFinished();
    }
}

TEST_F(OnWindows, WindowProgramWritesCodeIniAndOpensWithItsFrameCentredInTheWorkArea)
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
        RECT outer{};
        GetWindowRect(window, &outer);
        const QRect frame(QPoint(outer.left, outer.top), QPoint(outer.right - 1, outer.bottom - 1));
        const QRect work(QPoint(monitor.rcWork.left, monitor.rcWork.top),
                         QPoint(monitor.rcWork.right - 1, monitor.rcWork.bottom - 1));
        EXPECT_EQ(frame, startup::WindowPlacement(frame.size(), work));
        EXPECT_TRUE(work.contains(frame))
            << frame.x() << "," << frame.y() << " " << frame.width() << "x" << frame.height()
            << " in " << work.width() << "x" << work.height();
    }
    program.kill();
    program.waitForFinished();
}

} // namespace
