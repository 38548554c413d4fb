#include "ScriptFile.h"

#include "Errors.h"
#include "ScriptTable.h"

#include <QFile>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

constexpr char kSeparator = '|';
constexpr char kEndOfFile = 0x1A;

// The texts the application-wide error box shows for a failed file operation.
QString fileErrorText(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("File not found");
    case ENAMETOOLONG:
    case EINVAL:
        return QStringLiteral("Invalid filename");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("Too many open files");
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return QStringLiteral("File access denied");
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("Disk full");
    default:
        return QStringLiteral("I/O error %1").arg(error);
    }
}

[[noreturn]] void throwFileError(int error)
{
    throw FileError(fileErrorText(error));
}

// The path in the file system's encoding; a name the system cannot take is rejected up front.
QByteArray nativePath(const QString &path)
{
    QByteArray native = QFile::encodeName(path);
    if (native.isEmpty() || native.contains('\0'))
        throwFileError(EINVAL);
    return native;
}

class FileDescriptor
{
  public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;

    int get() const { return m_fd; }
    // Closes now so that a failing close (a late write error) can be reported.
    int close()
    {
        const int result = ::close(m_fd);
        m_fd = -1;
        return result;
    }

  private:
    int m_fd;
};

// Removes the temporary file unless the save went through.
class TemporaryFile
{
  public:
    TemporaryFile(QByteArray path, int fd) : m_path(std::move(path)), m_fd(fd) {}
    ~TemporaryFile()
    {
        if (!m_kept)
            ::unlink(m_path.constData());
    }
    TemporaryFile(const TemporaryFile &) = delete;
    TemporaryFile &operator=(const TemporaryFile &) = delete;

    const QByteArray &path() const { return m_path; }
    FileDescriptor &fd() { return m_fd; }
    void keep() { m_kept = true; }

  private:
    QByteArray m_path;
    FileDescriptor m_fd;
    bool m_kept = false;
};

QByteArray folderOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

// Created with 0666 so that the umask gives a new file its usual permissions.
TemporaryFile createTemporaryBeside(const QByteArray &target)
{
    static std::atomic<unsigned> counter{0};
    const QByteArray folder = folderOf(target);
    for (int attempt = 0;; ++attempt) {
        const QByteArray name = folder + "/.tapsmith-" + QByteArray::number(qint64(::getpid())) + '-' +
                                QByteArray::number(counter++) + ".tmp";
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0)
            return TemporaryFile(name, fd);
        if (errno != EEXIST || attempt > 100)
            throwFileError(errno);
    }
}

void writeAll(int fd, const char *data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            throwFileError(errno);
        }
        data += written;
        size -= std::size_t(written);
    }
}

// Writes the lines through one buffer, so a million rows cost a few dozen system calls.
class LineWriter
{
  public:
    explicit LineWriter(int fd) : m_fd(fd) { m_buffer.reserve(Capacity); }

    void append(QByteArrayView bytes)
    {
        if (m_buffer.size() + std::size_t(bytes.size()) > Capacity)
            flush();
        if (std::size_t(bytes.size()) > Capacity) {
            writeAll(m_fd, bytes.data(), std::size_t(bytes.size()));
            return;
        }
        m_buffer.insert(m_buffer.end(), bytes.data(), bytes.data() + bytes.size());
    }

    void flush()
    {
        writeAll(m_fd, m_buffer.data(), m_buffer.size());
        m_buffer.clear();
    }

  private:
    static constexpr std::size_t Capacity = 1u << 20;
    int m_fd;
    std::vector<char> m_buffer;
};

void writeLines(int fd, const ScriptTable &table)
{
    LineWriter writer(fd);
    for (int row = 1; row < table.rows(); ++row) {
        writer.append(table.action(row));
        writer.append(QByteArrayView("|", 1));
        writer.append(table.parameters(row));
        writer.append(QByteArrayView("\r\n", 2));
    }
    writer.flush();
}

// What a replaced file had: its permissions and owner carry over to the new one.
struct ExistingTarget {
    bool exists = false;
    struct stat status {
    };
};

ExistingTarget inspectTarget(const QByteArray &target)
{
    ExistingTarget existing;
    if (::stat(target.constData(), &existing.status) != 0) {
        if (errno == ENOENT)
            return existing;
        throwFileError(errno);
    }
    existing.exists = true;
    if (S_ISDIR(existing.status.st_mode))
        throwFileError(EISDIR);
    // The rename would replace a read-only file without asking; refuse as a plain write would.
    if (::access(target.constData(), W_OK) != 0)
        throwFileError(errno);
    return existing;
}

// A symbolic link is kept and the file it points to is replaced.
QByteArray resolveLink(const QByteArray &path)
{
    struct stat status {
    };
    if (::lstat(path.constData(), &status) != 0 || !S_ISLNK(status.st_mode))
        return path;
    char *resolved = ::realpath(path.constData(), nullptr);
    if (!resolved)
        return path;
    QByteArray result(resolved);
    ::free(resolved);
    return result;
}

struct ReadResult {
    std::vector<char> bytes;
    int error = 0;
};

ReadResult readWholeFile(int fd, std::size_t sizeHint)
{
    ReadResult result;
    result.bytes.resize(std::max<std::size_t>(sizeHint + 1, 4096));
    std::size_t used = 0;
    for (;;) {
        if (used == result.bytes.size())
            result.bytes.resize(result.bytes.size() * 2);
        const ssize_t got = ::read(fd, result.bytes.data() + used, result.bytes.size() - used);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            result.error = errno;
            break;
        }
        if (got == 0)
            break;
        used += std::size_t(got);
    }
    result.bytes.resize(used);
    return result;
}

// Fills rows from the file's bytes. A line ends at LF; every CR inside it goes (CR LF ends a line,
// a lone CR is dropped); 0x1A ends the file at the start of a line and the line anywhere else.
void loadLines(const char *begin, const char *end, ScriptTable &table)
{
    const std::size_t lineCount = std::size_t(std::count(begin, end, '\n')) + 1;
    table.reserve(int(std::min<std::size_t>(lineCount + 2, INT_MAX)), std::size_t(end - begin));

    std::vector<char> scratch;
    int lines = 0;
    const char *p = begin;
    while (p < end) {
        if (*p == kEndOfFile)
            break;
        const auto *newline = static_cast<const char *>(std::memchr(p, '\n', std::size_t(end - p)));
        const char *lineEnd = newline ? newline : end;
        const char *next = newline ? newline + 1 : end;
        if (const auto *stop = static_cast<const char *>(std::memchr(p, kEndOfFile, std::size_t(lineEnd - p))))
            lineEnd = stop;
        if (lineEnd > p && lineEnd[-1] == '\r')
            --lineEnd;

        QByteArrayView line(p, lineEnd - p);
        if (line.contains('\r')) {
            scratch.clear();
            std::copy_if(p, lineEnd, std::back_inserter(scratch), [](char c) { return c != '\r'; });
            line = QByteArrayView(scratch.data(), qsizetype(scratch.size()));
        }
        const qsizetype separator = line.indexOf(kSeparator);
        if (separator < 0)
            table.appendToLastRow(QByteArrayView(), line);
        else
            table.appendToLastRow(line.first(separator), line.sliced(separator + 1));
        ++lines;
        p = next;
    }
    // Appending leaves an open row after the last line; the file's own rows are all there is.
    if (lines > 0)
        table.setRows(lines + 1);
    table.squeeze();
}

} // namespace

QString scriptSavePath(const QString &chosenPath)
{
    return chosenPath.contains(QLatin1String(".tpx")) ? chosenPath : chosenPath + QLatin1String(".tpx");
}

void saveScript(const ScriptTable &table, const QString &path)
{
    const QByteArray target = resolveLink(nativePath(path));
    const ExistingTarget existing = inspectTarget(target);

    if (existing.exists && !S_ISREG(existing.status.st_mode)) {
        // A device or pipe is written to, never replaced by a renamed regular file.
        FileDescriptor device(::open(target.constData(), O_WRONLY | O_TRUNC | O_CLOEXEC));
        if (device.get() < 0)
            throwFileError(errno);
        writeLines(device.get(), table);
        if (device.close() != 0)
            throwFileError(errno);
        return;
    }

    TemporaryFile temporary = createTemporaryBeside(target);
    const int fd = temporary.fd().get();
    if (existing.exists) {
        if (existing.status.st_uid != ::geteuid() || existing.status.st_gid != ::getegid()) {
            // Only possible for a privileged user or a shared group; otherwise the new owner stands.
            [[maybe_unused]] const int ignored = ::fchown(fd, existing.status.st_uid, existing.status.st_gid);
        }
        // After the owner change, which may clear the set-id bits.
        if (::fchmod(fd, existing.status.st_mode & 07777) != 0)
            throwFileError(errno);
    }

    writeLines(fd, table);
    if (::fsync(fd) != 0)
        throwFileError(errno);
    if (temporary.fd().close() != 0)
        throwFileError(errno);
    if (::rename(temporary.path().constData(), target.constData()) != 0)
        throwFileError(errno);
    temporary.keep();

    // Make the rename itself durable; the data is safe either way, so a failure here is not reported.
    const FileDescriptor folder(::open(folderOf(target).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0)
        ::fsync(folder.get());
}

void openScript(const QString &path, ScriptTable &table)
{
    const QByteArray native = nativePath(path);
    const FileDescriptor file(::open(native.constData(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0)
        throwFileError(errno);
    struct stat status {
    };
    if (::fstat(file.get(), &status) != 0)
        throwFileError(errno);
    if (S_ISDIR(status.st_mode))
        throwFileError(EISDIR);

    ReadResult content = readWholeFile(file.get(), S_ISREG(status.st_mode) ? std::size_t(status.st_size) : 0);
    const char *begin = content.bytes.data();
    const char *end = begin + content.bytes.size();
    if (content.error != 0) {
        // Keep the lines that arrived whole; a torn last line is not a row of the file.
        const char *lastNewline = end;
        while (lastNewline > begin && lastNewline[-1] != '\n')
            --lastNewline;
        end = lastNewline;
    }

    {
        ScriptTable::BulkChange change(table);
        table.setRows(2);
        table.clearRow(1);
        loadLines(begin, end, table);
    }
    if (content.error != 0)
        throwFileError(content.error);
}
