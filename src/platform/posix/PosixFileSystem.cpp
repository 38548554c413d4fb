#include "platform/SystemFileSystem.h"

#include <QFile>

#include <cerrno>

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
};

} // namespace

std::unique_ptr<FileSystem> createFileSystem()
{
    return std::make_unique<PosixFileSystem>();
}
