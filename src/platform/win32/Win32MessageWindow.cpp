#include "Win32MessageWindow.h"

#include <stdexcept>

#include <windows.h>

namespace
{

constexpr wchar_t kClassName[] = L"TapsmithMessageWindow";

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto *create = reinterpret_cast<const CREATESTRUCTW *>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    const auto *self = reinterpret_cast<const Win32MessageWindow *>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && self->handle(message, wParam, lParam))
        return 0;
    return DefWindowProcW(window, message, wParam, lParam);
}

// One class serves every instance; registering it again is harmless.
void registerWindowClass()
{
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        throw std::runtime_error("cannot register the message window class");
}

} // namespace

Win32MessageWindow::Win32MessageWindow(Handler handler) : m_handler(std::move(handler))
{
    registerWindowClass();
    m_window =
        CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr), this);
    if (!m_window)
        throw std::runtime_error("cannot create a message window");
}

Win32MessageWindow::~Win32MessageWindow()
{
    const HWND window = static_cast<HWND>(m_window);
    // Messages still queued for the window must not reach an object that is gone.
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
}

bool Win32MessageWindow::post(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) const
{
    return PostMessageW(static_cast<HWND>(m_window), message, wParam, lParam) != 0;
}

bool Win32MessageWindow::handle(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) const
{
    return m_handler && m_handler(message, wParam, lParam);
}
