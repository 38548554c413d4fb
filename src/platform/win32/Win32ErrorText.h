#pragma once

#include <windows.h>

#include <string>

// The system's text of a Windows error code, in UTF-8, with its number: "Hot key is already registered.
// (1409)".
inline std::string win32ErrorText(DWORD code)
{
    wchar_t *buffer = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t *>(&buffer), 0, nullptr);
    std::string text;
    if (length > 0) {
        const int bytes = WideCharToMultiByte(CP_UTF8, 0, buffer, int(length), nullptr, 0, nullptr, nullptr);
        text.resize(std::size_t(bytes));
        WideCharToMultiByte(CP_UTF8, 0, buffer, int(length), text.data(), bytes, nullptr, nullptr);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
            text.pop_back();
    }
    LocalFree(buffer);
    return text + (text.empty() ? "" : " ") + "(" + std::to_string(code) + ")";
}
