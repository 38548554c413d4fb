#pragma once

#include <QPoint>
#include <QSize>

#include <set>

typedef struct _XDisplay Display;

// Acts as the user (and as another program) from its own connection, independent of the backend under
// test. Keys and buttons it leaves pressed are released when it goes.
class XTestDriver
{
  public:
    explicit XTestDriver(const char *displayName = nullptr);
    ~XTestDriver();
    XTestDriver(const XTestDriver &) = delete;
    XTestDriver &operator=(const XTestDriver &) = delete;

    bool isOpen() const { return m_display != nullptr; }
    Display *display() const { return m_display; }

    void key(unsigned keycode, bool press);
    void tap(unsigned keycode);
    // Presses the modifiers in order, taps the key, releases the modifiers in reverse.
    void chord(std::initializer_list<unsigned> modifiers, unsigned keycode);
    void button(unsigned button, bool press);
    void motion(int x, int y);
    // Sends what is queued, without waiting.
    void flush();
    // Waits until the server has carried out everything sent so far.
    void sync();

    QSize screenSize() const;
    QPoint pointer() const;
    unsigned pointerState() const;
    bool isKeyDown(unsigned keycode) const;
    bool isLockOn(unsigned lockMask) const;

    // Passive grab of a key with exactly these modifiers; false when another client holds it.
    bool grabKey(unsigned keycode, unsigned modifierMask);
    // Active grabs, as a menu or a game would take them.
    bool grabKeyboardAndPointer();
    void ungrabKeyboardAndPointer();

  private:
    Display *m_display;
    std::set<unsigned> m_keysDown;
    std::set<unsigned> m_buttonsDown;
};

// X keycodes (evdev code + 8) the tests type.
namespace Keycode
{
constexpr unsigned ShiftLeft = 50;
constexpr unsigned ControlLeft = 37;
constexpr unsigned AltLeft = 64;
constexpr unsigned CapsLock = 66;
constexpr unsigned NumLock = 77;
constexpr unsigned A = 38;
constexpr unsigned F9 = 75;
constexpr unsigned F10 = 76;
constexpr unsigned F11 = 95;
constexpr unsigned F12 = 96;
constexpr unsigned KeypadEnter = 104;
constexpr unsigned ControlRight = 105;
constexpr unsigned Right = 114;
constexpr unsigned LessGreater = 94; // evdev 86, a key the key-name table does not name
constexpr unsigned Pause = 127;
} // namespace Keycode
