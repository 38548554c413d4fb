#pragma once

#include <QFile>
#include <QString>

#include <memory>

// Why a file call failed, in the terms of the error texts the user sees.
struct FileFailure {
    enum Kind { NotFound, InvalidName, TooManyOpenFiles, AccessDenied, DiskFull, Other };
    Kind kind = Other;
    int code = 0; // the system's own error number, shown for Other
};

// What Qt's file classes leave to the operating system: the exact reason of a failure and the owner of a
// replaced file. The application connects the system's implementation at start; without one, failures
// are told from Qt's own report and a replaced file gets the owner of whoever saves it.
class FileSystem
{
  public:
    virtual ~FileSystem() = default;
    /// The reason of the file call that failed last on this thread; asked right after the failure.
    virtual FileFailure lastFailure() const = 0;
    /// Gives the open file `handle` (a QFileDevice::handle()) the owner and group of the file `original`,
    /// where the system has owners and allows the change; silently does nothing otherwise.
    virtual void copyOwner(int handle, const QString &original) = 0;
    /// Opens the existing device or pipe `path` for unbuffered writing into `file` without waiting for a
    /// reader to come; false when it cannot, and lastFailure() then says why.
    virtual bool openDeviceForWriting(QFile &file, const QString &path)
    {
        file.setFileName(path);
        return file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }
};

/// Connects the file system that script files use from now on; null disconnects it.
void setFileSystem(std::unique_ptr<FileSystem> fileSystem);
/// The connected file system, or null.
FileSystem *fileSystem();
