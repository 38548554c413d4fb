# The Windows backend without the toolkit, relative to this folder: the Qt build adds its adapters, the
# cross-compiled tests use it as it stands.
set(TAPSMITH_WIN32_CORE_SOURCES
    ../CaptureSessions.cpp
    ../CaptureSessions.h
    Win32Clock.cpp
    Win32Clock.h
    Win32DesktopWindows.cpp
    Win32DesktopWindows.h
    Win32EndRequests.cpp
    Win32EndRequests.h
    Win32HotkeyCore.cpp
    Win32HotkeyCore.h
    Win32HotkeyRegistry.cpp
    Win32HotkeyRegistry.h
    Win32ErrorText.h
    Win32InputHook.cpp
    Win32InputHook.h
    Win32Injector.cpp
    Win32Injector.h
    Win32MessageWindow.cpp
    Win32MessageWindow.h
    Win32StopKeyWatch.cpp
    Win32StopKeyWatch.h
)
set(TAPSMITH_WIN32_DEFINITIONS NOMINMAX WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0A00)
set(TAPSMITH_WIN32_LIBRARIES user32 winmm)
