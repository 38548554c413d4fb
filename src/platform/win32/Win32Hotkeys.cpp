#include "Win32Hotkeys.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QTimer>

Win32Hotkeys::Win32Hotkeys(std::shared_ptr<Win32HotkeyRegistry> registry) : m_core(std::move(registry))
{
    m_core.setHandler([this](unsigned modifiers, int virtualKey) {
        // Called from a posted event, not from inside the filter: the handler may run a nested event loop
        // (playback) in which further hotkeys must still arrive.
        QTimer::singleShot(0, &m_context, [this, modifiers, virtualKey] {
            if (m_handler)
                m_handler(modifiers, virtualKey);
        });
    });
    QCoreApplication::instance()->installNativeEventFilter(this);
}

Win32Hotkeys::~Win32Hotkeys()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool Win32Hotkeys::registerHotKey(int id, unsigned modifiers, int virtualKey)
{
    return m_core.registerHotKey(id, modifiers, virtualKey);
}

void Win32Hotkeys::setHandler(std::function<void(unsigned modifiers, int virtualKey)> handler)
{
    m_handler = std::move(handler);
}

bool Win32Hotkeys::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result)
{
    if (eventType != "windows_generic_MSG" || !m_core.handleMessage(message))
        return false;
    if (result)
        *result = 0;
    return true;
}
