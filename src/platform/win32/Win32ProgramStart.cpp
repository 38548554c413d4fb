#include "platform/ProgramStart.h"

#include <QString>

#include <cstdio>
#include <string>

#include <windows.h>

#include <shellapi.h>

QStringList programArguments(int argc, char **argv)
{
    QStringList arguments;
    int count = 0;
    wchar_t **const wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide != nullptr) {
        for (int i = 0; i < count; ++i)
            arguments << QString::fromWCharArray(wide[i]);
        LocalFree(wide);
        return arguments;
    }
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

void useParentConsole()
{
    if (_fileno(stdout) >= 0 && _fileno(stderr) >= 0)
        return;
    if (!AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    if (_fileno(stdout) < 0)
        std::freopen("CONOUT$", "w", stdout);
    if (_fileno(stderr) < 0)
        std::freopen("CONOUT$", "w", stderr);
}

std::string desktopUnreachable()
{
    return {}; // the Windows desktop is always there for a process of the GUI subsystem
}
