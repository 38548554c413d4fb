#include "TestHarness.h"
#include "TestInput.h"

#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32EndRequests.h"

#include <thread>

#include <windows.h>

using namespace testinput;

TEST_CASE(consoleControlEventsWakeTheSleepAndReachTheHandlerOnTheGuiThread)
{
    for (const DWORD type : {CTRL_C_EVENT, CTRL_BREAK_EVENT}) {
        Win32Clock clock;
        Win32EndRequests requests(clock);
        int handled = 0;
        DWORD handledOn = 0;
        requests.setHandler([&] {
            ++handled;
            handledOn = GetCurrentThreadId();
        });
        bool taken = false;
        std::thread console([&taken, type] {
            Sleep(100);
            taken = Win32EndRequests::consoleEvent(type);
        });
        const std::int64_t start = clock.monotonicMicros();
        const bool reached = clock.sleepUntil(start + 5000000);
        const std::int64_t slept = clock.monotonicMicros() - start;
        console.join();
        CHECK(taken);
        CHECK(!reached);
        CHECK(slept < 3000000);
        CHECK_EQUAL(handled, 0); // only when the GUI thread's messages are dispatched
        CHECK(pumpUntil([&handled] { return handled == 1; }, 2000));
        CHECK_EQUAL(handledOn, GetCurrentThreadId());
    }
}

TEST_CASE(withoutAHandlerConsoleEventsKeepTheirDefaultAction)
{
    Win32Clock clock;
    Win32EndRequests requests(clock);
    CHECK(!Win32EndRequests::consoleEvent(CTRL_C_EVENT));
    requests.setHandler([] {});
    CHECK(!Win32EndRequests::consoleEvent(CTRL_LOGOFF_EVENT)); // not ours to take
    requests.setHandler(nullptr);
    CHECK(!Win32EndRequests::consoleEvent(CTRL_C_EVENT));
}
