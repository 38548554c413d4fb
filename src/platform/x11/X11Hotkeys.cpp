#include "X11Hotkeys.h"

#include "X11ErrorTrap.h"
#include "X11GrabRegistry.h"
#include "X11KeyCodes.h"

#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <vector>

#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace
{

unsigned numLockMask(Display *display)
{
    unsigned mask = 0;
    XModifierKeymap *const map = XGetModifierMapping(display);
    if (!map)
        return 0;
    const KeyCode numLock = XKeysymToKeycode(display, XK_Num_Lock);
    for (int modifier = 0; modifier < 8 && numLock != 0; ++modifier) {
        for (int i = 0; i < map->max_keypermod; ++i) {
            if (map->modifiermap[modifier * map->max_keypermod + i] == numLock)
                mask = 1u << modifier;
        }
    }
    XFreeModifiermap(map);
    return mask;
}

unsigned modifierMaskFromModifiers(unsigned modifiers)
{
    return ((modifiers & Modifier::Alt) ? Mod1Mask : 0u) | ((modifiers & Modifier::Shift) ? ShiftMask : 0u) |
           ((modifiers & Modifier::Control) ? ControlMask : 0u);
}

// The grabs of one hotkey: its modifiers with every combination of the lock modifiers.
std::vector<unsigned> lockVariants(unsigned modifierMask, unsigned numLock)
{
    std::vector<unsigned> variants;
    for (const unsigned locks : {0u, unsigned(LockMask), numLock, LockMask | numLock}) {
        const unsigned mask = modifierMask | locks;
        if (std::find(variants.begin(), variants.end(), mask) == variants.end())
            variants.push_back(mask);
    }
    return variants;
}

unsigned numLockOf(const X11GrabRegistry &grabs)
{
    return grabs.ignoredModifiers() & ~unsigned(LockMask);
}

} // namespace

X11Hotkeys::X11Hotkeys(X11Display display, std::shared_ptr<X11GrabRegistry> grabs)
    : m_display(std::move(display)), m_grabs(std::move(grabs))
{
    m_grabs->setIgnoredModifiers(LockMask | numLockMask(m_display.get()));
    m_notifier = std::make_unique<QSocketNotifier>(ConnectionNumber(m_display.get()), QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(), [this] { processEvents(); });
}

X11Hotkeys::~X11Hotkeys()
{
    Display *const display = m_display.get();
    const Window root = DefaultRootWindow(display);
    for (const Registered &hotkey : m_registered) {
        for (const unsigned variant : lockVariants(hotkey.modifierMask, numLockOf(*m_grabs)))
            XUngrabKey(display, int(hotkey.keycode), variant, root);
        m_grabs->remove(hotkey.keycode, hotkey.modifierMask);
    }
    XFlush(display);
}

bool X11Hotkeys::registerHotKey(int /*id*/, unsigned modifiers, int virtualKey)
{
    Display *const display = m_display.get();
    const unsigned keycode = X11KeyCodes::keycodeFromVirtualKey(virtualKey);
    const unsigned mask = modifierMaskFromModifiers(modifiers);
    m_lastError.clear();
    if (keycode == 0) {
        m_lastError = "no key of this keyboard has the virtual-key code " + std::to_string(virtualKey);
        return false;
    }
    if (m_grabs->contains(keycode, mask)) {
        m_lastError = "the combination is registered already";
        return false;
    }
    const Window root = DefaultRootWindow(display);
    const std::vector<unsigned> variants = lockVariants(mask, numLockOf(*m_grabs));
    bool ok = false;
    {
        X11ErrorTrap trap(display);
        for (const unsigned variant : variants)
            XGrabKey(display, int(keycode), variant, root, False, GrabModeAsync, GrabModeAsync);
        ok = trap.sync() == 0;
        if (!ok) {
            m_lastError = "another client has grabbed the key: " + trap.errorText();
            // Another client holds at least one of them: give back the ones we got.
            for (const unsigned variant : variants)
                XUngrabKey(display, int(keycode), variant, root);
        }
    }
    if (ok) {
        m_registered.push_back({keycode, mask});
        m_grabs->add(keycode, mask, {modifiers & (Modifier::Alt | Modifier::Shift | Modifier::Control), virtualKey});
    }
    // The round trip may have queued events without the socket becoming readable again.
    QTimer::singleShot(0, m_notifier.get(), [this] { processEvents(); });
    return ok;
}

void X11Hotkeys::setHandler(std::function<void(unsigned modifiers, int virtualKey)> handler)
{
    m_handler = std::move(handler);
}

void X11Hotkeys::processEvents()
{
    Display *const display = m_display.get();
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type != KeyPress)
            continue;
        const auto hotkey = m_grabs->find(event.xkey.keycode, event.xkey.state);
        if (!hotkey)
            continue;
        // Called from a posted event, not from inside the notifier: the handler may run a nested event
        // loop (playback) in which further hotkeys must still arrive.
        const std::uint32_t pressTime = std::uint32_t(event.xkey.time);
        QTimer::singleShot(0, m_notifier.get(), [this, hotkey, pressTime] {
            if (!m_handler)
                return;
            m_grabs->beginFiring(pressTime);
            m_handler(hotkey->modifiers, hotkey->virtualKey);
            m_grabs->endFiring();
        });
    }
}
