#include "platform/JournalSystem.h"

#include <windows.h>

#include <io.h>

namespace
{

// Creation time of a process as a FILETIME count; empty when it cannot be opened (it has ended).
QString creationToken(HANDLE process)
{
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user))
        return QString();
    const quint64 ticks = (quint64(created.dwHighDateTime) << 32) | created.dwLowDateTime;
    return QString::number(ticks);
}

class Win32JournalSystem : public JournalSystem
{
  public:
    ProcessIdentity current() override { return {qint64(GetCurrentProcessId()), creationToken(GetCurrentProcess())}; }

    bool isRunning(const ProcessIdentity &identity) override
    {
        if (identity.pid <= 0)
            return false;
        const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(identity.pid));
        if (process == nullptr)
            return GetLastError() == ERROR_ACCESS_DENIED; // exists, but not ours to ask
        DWORD status = 0;
        const bool running = GetExitCodeProcess(process, &status) && status == STILL_ACTIVE &&
                             creationToken(process) == identity.started;
        CloseHandle(process);
        return running;
    }

    bool syncData(int handle, const QString &path) override
    {
        if (handle >= 0) {
            const auto file = HANDLE(_get_osfhandle(handle));
            if (file != INVALID_HANDLE_VALUE)
                return FlushFileBuffers(file) != 0;
        }
        // No open handle: any handle with write access flushes the file's data.
        const HANDLE file = CreateFileW(reinterpret_cast<const wchar_t *>(path.utf16()), GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        const bool flushed = FlushFileBuffers(file) != 0;
        CloseHandle(file);
        return flushed;
    }

    bool replaceFile(const QString &from, const QString &to) override
    {
        return MoveFileExW(reinterpret_cast<const wchar_t *>(from.utf16()),
                           reinterpret_cast<const wchar_t *>(to.utf16()),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    }
};

} // namespace

std::unique_ptr<JournalSystem> createJournalSystem()
{
    return std::make_unique<Win32JournalSystem>();
}
