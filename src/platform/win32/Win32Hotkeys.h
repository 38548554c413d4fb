#pragma once

#include "platform/Platform.h"
#include "platform/win32/Win32HotkeyCore.h"

#include <QAbstractNativeEventFilter>
#include <QObject>

#include <functional>
#include <memory>

class Win32HotkeyRegistry;

// The hotkeys of the Qt build: the toolkit's event loop hands every message to this filter, which passes
// our WM_HOTKEY to the core.
class Win32Hotkeys : public Hotkeys, private QAbstractNativeEventFilter
{
  public:
    explicit Win32Hotkeys(std::shared_ptr<Win32HotkeyRegistry> registry);
    ~Win32Hotkeys() override;

    bool registerHotKey(int id, unsigned modifiers, int virtualKey) override;
    void setHandler(std::function<void(unsigned modifiers, int virtualKey)> handler) override;
    std::string lastError() const override { return m_core.lastError(); }

  private:
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

    QObject m_context; // owns the posted handler calls, so none runs after we are gone
    std::function<void(unsigned, int)> m_handler;
    Win32HotkeyCore m_core;
};
