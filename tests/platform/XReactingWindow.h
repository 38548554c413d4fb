#pragma once

#include <QPoint>
#include <QRect>

#include <atomic>
#include <thread>

typedef struct _XDisplay Display;

// A named top-level window of an X client of its own that acts the moment a button goes down on it, on a
// thread of its own, before any other client can look: as a button that ends its program, closes its
// dialog, opens another window over itself, moves its window or sends it to the back.
class XReactingWindow
{
  public:
    enum class Reaction { Destroy, Unmap, Cover, Move, Lower };

    // Maps the window with WM_CLASS "goner"/"Goner" and the title "Goes at a press" at `geometry`; with
    // Reaction::Cover the second window is "cover"/"Cover", titled "Over it", and goes over the first;
    // with Reaction::Move the window goes to `movedTo`; with Reaction::Lower it goes beneath every other.
    XReactingWindow(const QRect &geometry, Reaction reaction, QPoint movedTo = QPoint());
    ~XReactingWindow();
    XReactingWindow(const XReactingWindow &) = delete;
    XReactingWindow &operator=(const XReactingWindow &) = delete;

    /// False when the display cannot be reached or the window was not mapped in time.
    bool isShown() const { return m_shown; }
    /// True once a press has made the window act.
    bool hasReacted() const { return m_reacted; }

  private:
    unsigned long createWindow(const QRect &geometry, const char *instance, const char *windowClass, const char *title);
    void react();
    void run();

    Display *m_display = nullptr;
    Reaction m_reaction;
    QRect m_geometry;
    QPoint m_movedTo;
    unsigned long m_window = 0;
    bool m_shown = false;
    std::atomic<bool> m_reacted{false};
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};
