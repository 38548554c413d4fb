#include "platform/SystemFileSystem.h"

#include <QFile>

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

class PosixFileSystem : public FileSystem
{
  public:
    FileFailure lastFailure() const override
    {
        const int error = errno;
        switch (error) {
        case ENOENT:
        case ENOTDIR:
            return {FileFailure::NotFound, error};
        case ENAMETOOLONG:
        case EINVAL:
            return {FileFailure::InvalidName, error};
        case EMFILE:
        case ENFILE:
            return {FileFailure::TooManyOpenFiles, error};
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
        case ETXTBSY:
            return {FileFailure::AccessDenied, error};
        case ENOSPC:
        case EDQUOT:
            return {FileFailure::DiskFull, error};
        default:
            return {FileFailure::Other, error};
        }
    }

    void copyOwner(int handle, const QString &original) override
    {
        struct stat status {
        };
        if (handle < 0 || ::stat(QFile::encodeName(original).constData(), &status) != 0)
            return;
        if (status.st_uid == ::geteuid() && status.st_gid == ::getegid())
            return;
        // Only possible for a privileged user or a shared group; otherwise the new owner stands. Qt sets
        // the permissions again afterwards, as a change of owner may clear the set-id bits.
        [[maybe_unused]] const int ignored = ::fchown(handle, status.st_uid, status.st_gid);
    }

    bool openDeviceForWriting(QFile &file, const QString &path) override
    {
        // A reader that goes away in the middle of the script must end the write with an error (EPIPE),
        // not the program with a signal.
        std::signal(SIGPIPE, SIG_IGN);
        // Opening a pipe that nobody reads waits until a reader comes, which could be never; without
        // waiting it fails at once (ENXIO). Once it is open, writes wait for the reader as usual.
        const int handle = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (handle < 0)
            return false;
        const int flags = ::fcntl(handle, F_GETFL);
        if (flags < 0 || ::fcntl(handle, F_SETFL, flags & ~O_NONBLOCK) != 0 ||
            !file.open(handle, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
            const int error = errno;
            ::close(handle);
            errno = error;
            return false;
        }
        return true;
    }
};

} // namespace

std::unique_ptr<FileSystem> createFileSystem()
{
    return std::make_unique<PosixFileSystem>();
}
