#include "platform/JournalSystem.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QList>

#include <cerrno>
#include <csignal>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace
{

QByteArray readSmallFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.read(4096);
}

// The start of a process: its start time in clock ticks since boot (field 22 of /proc/<pid>/stat) and the
// boot's id, so that neither a reused id nor a reboot is taken for the same process. Empty when the
// process does not exist.
QString startToken(qint64 pid)
{
    const QByteArray stat = readSmallFile(QStringLiteral("/proc/%1/stat").arg(pid));
    // The command name in parentheses may hold spaces and parentheses of its own: count from the last ')'.
    const qsizetype nameEnd = stat.lastIndexOf(')');
    if (nameEnd < 0)
        return QString();
    const QList<QByteArray> fields = stat.mid(nameEnd + 2).split(' ');
    constexpr int StartTimeField = 22 - 3; // fields from the state (field 3) on
    if (fields.size() <= StartTimeField)
        return QString();
    QByteArray boot = readSmallFile(QStringLiteral("/proc/sys/kernel/random/boot_id")).trimmed();
    boot.replace('-', "");
    return QString::fromLatin1(fields.at(StartTimeField) + '_' + boot);
}

class PosixJournalSystem : public JournalSystem
{
  public:
    ProcessIdentity current() override
    {
        const qint64 pid = ::getpid();
        return {pid, startToken(pid)};
    }

    bool isRunning(const ProcessIdentity &identity) override
    {
        if (identity.pid <= 0)
            return false;
        const QString token = startToken(identity.pid);
        if (!token.isEmpty())
            return token == identity.started;
        // Without /proc: the id alone.
        return ::kill(pid_t(identity.pid), 0) == 0 || errno == EPERM;
    }

    bool syncData(int handle, const QString &) override
    {
#if defined(__linux__)
        return handle >= 0 && ::fdatasync(handle) == 0;
#else
        return handle >= 0 && ::fsync(handle) == 0;
#endif
    }

    bool replaceFile(const QString &from, const QString &to) override
    {
        if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
            return false;
        // The new name is on the disk once its folder is.
        const int folder = ::open(QFile::encodeName(QFileInfo(to).absolutePath()).constData(), O_RDONLY | O_DIRECTORY);
        if (folder >= 0) {
            ::fsync(folder);
            ::close(folder);
        }
        return true;
    }
};

} // namespace

std::unique_ptr<JournalSystem> createJournalSystem()
{
    return std::make_unique<PosixJournalSystem>();
}
