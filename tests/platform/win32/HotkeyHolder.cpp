// Holds Alt+F9 for the tests until they set the event named on the command line. Exit code: the number of
// times the hotkey fired, or 100 when it could not be registered.
#include <windows.h>

int main(int argc, char **argv)
{
    if (argc < 3)
        return 101;
    const HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[1]);
    const HANDLE quit = OpenEventA(SYNCHRONIZE, FALSE, argv[2]);
    if (!ready || !quit)
        return 102;
    const bool registered = RegisterHotKey(nullptr, 1, MOD_ALT, VK_F9) != 0;
    SetEvent(ready);
    int fired = 0;
    bool done = false;
    while (!done) {
        // Messages that came with the quit signal are still counted.
        done = MsgWaitForMultipleObjects(1, &quit, FALSE, 10000, QS_ALLINPUT) != WAIT_OBJECT_0 + 1;
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_HOTKEY)
                ++fired;
        }
    }
    return registered ? fired : 100;
}
