#pragma once

// The real program as a child process on the private X server, and its windows as another X client sees
// them. Its settings and data (recovery journals) go to folders of the test's own, never the user's.

#include <QProcess>
#include <QString>
#include <QStringList>

#include <csignal>
#include <vector>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

class TapsmithProcess
{
  public:
    static constexpr int TimedOut = -1;
    static constexpr int Crashed = -2; // a signal ended it

    // Settings under `home`/config, data under `home`/data; `display` replaces DISPLAY when given.
    explicit TapsmithProcess(const QString &home, const QString &display = QString())
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
        if (!display.isEmpty())
            environment.insert(QStringLiteral("DISPLAY"), display);
        process.setProcessEnvironment(environment);
    }
    ~TapsmithProcess()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
    }
    TapsmithProcess(const TapsmithProcess &) = delete;
    TapsmithProcess &operator=(const TapsmithProcess &) = delete;

    bool start(const QStringList &arguments = {})
    {
        process.start(QStringLiteral(TAPSMITH_EXECUTABLE), arguments);
        const bool started = process.waitForStarted();
        m_pid = process.processId();
        return started;
    }
    // Also once the process has ended.
    qint64 pid() const { return m_pid; }
    void signal(int number) const
    {
        if (process.state() != QProcess::NotRunning)
            ::kill(pid_t(m_pid), number);
    }
    // The exit status once the process has ended, TimedOut or Crashed; collects what it wrote.
    int finish(int timeoutMs = 30000)
    {
        if (process.state() != QProcess::NotRunning && !process.waitForFinished(timeoutMs))
            return TimedOut;
        errors += QString::fromLocal8Bit(process.readAllStandardError());
        output += QString::fromLocal8Bit(process.readAllStandardOutput());
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : Crashed;
    }

    QProcess process;
    QString errors;
    QString output;

  private:
    qint64 m_pid = 0;
};

// A viewable top-level window of a process, also inside a window manager's frame.
struct ProgramWindow {
    Window id = 0;
    bool dialog = false;
    QString title;
};

namespace ProgramWindows
{

// Windows of other clients come and go while a test looks at them: one that vanished under a query is
// simply not there.
inline int ignoreXErrors(Display *, XErrorEvent *)
{
    return 0;
}

inline bool hasAtomIn(Display *display, Window window, const char *property, const char *value)
{
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char *data = nullptr;
    const Atom wanted = XInternAtom(display, value, False);
    bool found = false;
    if (XGetWindowProperty(display, window, XInternAtom(display, property, False), 0, 16, False, XA_ATOM, &type,
                           &format, &items, &after, &data) == Success &&
        data != nullptr) {
        const auto *atoms = reinterpret_cast<const Atom *>(data);
        for (unsigned long i = 0; i < items; ++i)
            found = found || atoms[i] == wanted;
    }
    if (data)
        XFree(data);
    return found;
}

inline QString titleOf(Display *display, Window window)
{
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char *text = nullptr;
    QString title;
    if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False), 0, 1024, False,
                           XInternAtom(display, "UTF8_STRING", False), &type, &format, &items, &after,
                           &text) == Success &&
        text != nullptr)
        title = QString::fromUtf8(reinterpret_cast<const char *>(text), int(items));
    if (text)
        XFree(text);
    return title;
}

inline qint64 pidOf(Display *display, Window window)
{
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char *data = nullptr;
    qint64 pid = 0;
    if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), 0, 1, False, XA_CARDINAL, &type,
                           &format, &items, &after, &data) == Success &&
        data != nullptr && items == 1)
        pid = qint64(*reinterpret_cast<unsigned long *>(data));
    if (data)
        XFree(data);
    return pid;
}

inline void collect(Display *display, qint64 pid, Window window, int depth, std::vector<ProgramWindow> &found)
{
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (XQueryTree(display, window, &root, &parent, &children, &count) == 0)
        return;
    for (unsigned i = 0; i < count; ++i) {
        XWindowAttributes attributes;
        if (pidOf(display, children[i]) == pid) {
            if (XGetWindowAttributes(display, children[i], &attributes) && attributes.map_state == IsViewable)
                found.push_back({children[i],
                                 hasAtomIn(display, children[i], "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_DIALOG"),
                                 titleOf(display, children[i])});
        } else if (depth < 2) {
            collect(display, pid, children[i], depth + 1, found);
        }
    }
    if (children)
        XFree(children);
}

} // namespace ProgramWindows

// The viewable top-level windows of `pid` (by _NET_WM_PID): its main window and its dialogs.
inline std::vector<ProgramWindow> viewableWindowsOf(Display *display, qint64 pid)
{
    std::vector<ProgramWindow> found;
    ProgramWindows::collect(display, pid, DefaultRootWindow(display), 0, found);
    return found;
}
