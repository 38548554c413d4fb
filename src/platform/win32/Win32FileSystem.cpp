#include "platform/SystemFileSystem.h"

#include <windows.h>

namespace
{

class Win32FileSystem : public FileSystem
{
  public:
    // The runtime's texts go by the system's own code: 2, 3 (a missing folder: ERROR_PATH_NOT_FOUND), 4 and
    // 5 have theirs, a full disk says so, and every other code is shown as a number ("I/O error 32" for a
    // file that another program holds open).
    FileFailure lastFailure() const override
    {
        const DWORD error = ::GetLastError();
        const int code = int(error);
        switch (error) {
        case ERROR_FILE_NOT_FOUND:
            return {FileFailure::NotFound, code};
        case ERROR_PATH_NOT_FOUND:
            return {FileFailure::InvalidName, code};
        case ERROR_TOO_MANY_OPEN_FILES:
            return {FileFailure::TooManyOpenFiles, code};
        case ERROR_ACCESS_DENIED:
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
