#include "Win32DesktopWindows.h"

#include <iterator>
#include <string>
#include <vector>

#include <windows.h>

namespace
{

std::string utf8(const wchar_t *text, int length)
{
    if (length <= 0)
        return std::string();
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(std::size_t(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), size, nullptr, nullptr);
    return out;
}

std::string classOf(HWND window)
{
    wchar_t name[256] = {};
    return utf8(name, GetClassNameW(window, name, int(std::size(name))));
}

// The file name of the window's program ("notepad.exe"), empty when the process cannot be asked.
std::string programOf(HWND window)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (process == nullptr)
        return std::string();
    wchar_t path[MAX_PATH * 2] = {};
    DWORD length = DWORD(std::size(path));
    const BOOL ok = QueryFullProcessImageNameW(process, 0, path, &length);
    CloseHandle(process);
    if (!ok)
        return std::string();
    DWORD start = length;
    while (start > 0 && path[start - 1] != L'\\' && path[start - 1] != L'/')
        --start;
    return utf8(path + start, int(length - start));
}

bool isDesktop(HWND window)
{
    if (window == nullptr || window == GetDesktopWindow() || window == GetShellWindow())
        return true;
    const std::string name = classOf(window);
    return name == "Progman" || name == "WorkerW";
}

bool describe(HWND window, TopLevelWindow &out)
{
    if (!IsWindowVisible(window) || IsIconic(window))
        return false;
    RECT client{};
    POINT origin{0, 0};
    if (!GetClientRect(window, &client) || !ClientToScreen(window, &origin))
        return false;
    out.handle = reinterpret_cast<std::uintptr_t>(window);
    out.windowClass = classOf(window);
    out.instance = programOf(window);
    const int length = GetWindowTextLengthW(window);
    std::wstring title(std::size_t(length) + 1, L'\0');
    out.title = utf8(title.data(), GetWindowTextW(window, title.data(), length + 1));
    out.x = origin.x;
    out.y = origin.y;
    out.width = client.right - client.left;
    out.height = client.bottom - client.top;
    return true;
}

struct Search {
    const std::string *windowClass;
    const std::string *instance;
    std::vector<TopLevelWindow> found;
};

BOOL CALLBACK collect(HWND window, LPARAM data)
{
    auto &search = *reinterpret_cast<Search *>(data);
    // The class first: one cheap call, and most windows are of other classes.
    if (classOf(window) != *search.windowClass)
        return TRUE;
    TopLevelWindow described;
    if (describe(window, described) && described.instance == *search.instance)
        search.found.push_back(std::move(described));
    return TRUE;
}

} // namespace

TopLevelWindow Win32DesktopWindows::windowAt(int x, int y)
{
    HWND window = WindowFromPoint(POINT{x, y});
    if (window != nullptr)
        window = GetAncestor(window, GA_ROOT);
    TopLevelWindow found;
    if (isDesktop(window) || !describe(window, found))
        return TopLevelWindow();
    return found;
}

std::vector<TopLevelWindow> Win32DesktopWindows::find(const std::string &windowClass, const std::string &instance)
{
    // EnumWindows goes through the top-level windows in their order on the screen, the topmost first.
    Search search{&windowClass, &instance, {}};
    EnumWindows(collect, reinterpret_cast<LPARAM>(&search));
    return std::move(search.found);
}

void Win32DesktopWindows::activate(std::uintptr_t handle)
{
    HWND window = reinterpret_cast<HWND>(handle);
    if (IsIconic(window))
        ShowWindow(window, SW_RESTORE);
    BringWindowToTop(window);
    SetForegroundWindow(window);
}
