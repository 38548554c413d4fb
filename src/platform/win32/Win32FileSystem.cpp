#include "platform/SystemFileSystem.h"

#include <windows.h>

namespace
{

class Win32FileSystem : public FileSystem
{
  public:
    FileFailure lastFailure() const override
    {
        const DWORD error = ::GetLastError();
        const int code = int(error);
        switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
            return {FileFailure::NotFound, code};
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_FILENAME_EXCED_RANGE:
        case ERROR_DIRECTORY:
            return {FileFailure::InvalidName, code};
        case ERROR_TOO_MANY_OPEN_FILES:
            return {FileFailure::TooManyOpenFiles, code};
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_WRITE_PROTECT:
            return {FileFailure::AccessDenied, code};
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return {FileFailure::DiskFull, code};
        default:
            return {FileFailure::Other, code};
        }
    }

    // A new file gets the saving user as owner and the folder's inherited access rules; Windows has no
    // owner to carry over that an ordinary user could set.
    void copyOwner(int, const QString &) override {}
};

} // namespace

std::unique_ptr<FileSystem> createFileSystem()
{
    return std::make_unique<Win32FileSystem>();
}
