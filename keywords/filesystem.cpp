#include "filesystem.h"

#include <QFile>

#ifdef Q_OS_WIN
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <io.h>
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace keywords {

#ifdef Q_OS_WIN

std::filesystem::path NativePath(const QString &path)
{
    return std::filesystem::path(path.toStdWString());
}

QString ShownPath(const std::filesystem::path &path)
{
    return QString::fromStdWString(path.native());
}

bool IsHidden(const std::filesystem::directory_entry &entry)
{
    const DWORD attributes = GetFileAttributesW(entry.path().c_str());
    return entry.path().filename().native().starts_with(L'.') ||
           (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_HIDDEN));
}

bool StandardOutputIsTerminal()
{
    return _isatty(_fileno(stdout));
}

namespace {

// Qt's file, whose messages are the system's own on Windows.
class QtSource final : public Source
{
public:
    Kind kind() const override { return folder_ ? Folder : file_.isSequential() ? Stream : File; }
    qint64 size() const override { return file_.size(); }
    qint64 read(char *into, qint64 most) override { return file_.read(into, most); }
    QString failure() const override { return file_.errorString(); }

    QFile file_;
    bool folder_ = false;
};

} // namespace

std::unique_ptr<Source> OpenSource(const std::filesystem::path &path, QString &failure,
                                   bool &missing)
{
    auto source = std::make_unique<QtSource>();
    source->file_.setFileName(ShownPath(path));
    if (source->file_.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return source;
    // Windows opens no folder as a file; only a failure asks what is there.
    const QFileInfo info(source->file_.fileName());
    source->folder_ = info.isDir();
    if (source->folder_)
        return source;
    missing = !info.exists();
    failure = source->file_.errorString();
    return nullptr;
}

std::unique_ptr<Source> OpenStandardInput(QString &)
{
    // Through the C runtime: Qt's file takes the end of a pipe for a failure
    // ("Unknown error") on Windows.
    class StandardInput final : public Source
    {
    public:
        Kind kind() const override { return Stream; }
        qint64 size() const override { return 0; }
        qint64 read(char *into, qint64 most) override
        {
            const int got = _read(_fileno(stdin), into, unsigned(std::min<qint64>(most, 1 << 30)));
            if (got < 0)
                error_ = errno;
            return got;
        }
        QString failure() const override { return qt_error_string(error_); }

    private:
        int error_ = 0;
    };
    return std::make_unique<StandardInput>();
}

#else

std::filesystem::path NativePath(const QString &path)
{
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

QString ShownPath(const std::filesystem::path &path)
{
    return QFile::decodeName(path.c_str());
}

bool IsHidden(const std::filesystem::directory_entry &entry)
{
    return entry.path().filename().native().starts_with('.');
}

bool StandardOutputIsTerminal()
{
    return isatty(STDOUT_FILENO);
}

namespace {

// A file descriptor: one open, one fstat and as few reads as the size
// allows, which for a small file is one.
class DescriptorSource final : public Source
{
public:
    explicit DescriptorSource(int fd, bool owned) : fd_(fd), owned_(owned) {}
    ~DescriptorSource() override
    {
        if (owned_)
            ::close(fd_);
    }
    Kind kind() const override { return kind_; }
    qint64 size() const override { return size_; }
    qint64 read(char *into, qint64 most) override
    {
        for (;;) {
            const ssize_t got = ::read(fd_, into, std::size_t(most));
            if (got >= 0)
                return got;
            if (errno != EINTR) {
                failure_ = qt_error_string(errno);
                return -1;
            }
        }
    }
    QString failure() const override { return failure_; }

    // Learns what it is; false with the reason when even that fails.
    bool examine(QString &failure)
    {
        struct stat status;
        if (::fstat(fd_, &status) != 0) {
            failure = qt_error_string(errno);
            return false;
        }
        kind_ = S_ISDIR(status.st_mode) ? Folder : S_ISREG(status.st_mode) ? File : Stream;
        size_ = kind_ == File ? status.st_size : -1;
        return true;
    }

private:
    int fd_;
    bool owned_;
    Kind kind_ = Stream;
    qint64 size_ = -1;
    QString failure_;
};

} // namespace

std::unique_ptr<Source> OpenSource(const std::filesystem::path &path, QString &failure,
                                   bool &missing)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    missing = fd < 0 && errno == ENOENT;
    if (fd < 0) {
        failure = qt_error_string(errno);
        return nullptr;
    }
    auto source = std::make_unique<DescriptorSource>(fd, true);
    if (!source->examine(failure))
        return nullptr;
    return source;
}

std::unique_ptr<Source> OpenStandardInput(QString &failure)
{
    auto source = std::make_unique<DescriptorSource>(STDIN_FILENO, false);
    if (!source->examine(failure))
        return nullptr;
    return source;
}

#endif

} // namespace keywords
