#include "X11PointerEvents.h"

namespace
{

constexpr std::int32_t WheelNotch = 120;

} // namespace

std::optional<EventMsg> x11ButtonEvent(unsigned button, bool press)
{
    using namespace InputMessage;
    switch (button) {
    case 1:
        return EventMsg{press ? LButtonDown : LButtonUp, 0, 0, 0};
    case 2:
        return EventMsg{press ? MButtonDown : MButtonUp, 0, 0, 0};
    case 3:
        return EventMsg{press ? RButtonDown : RButtonUp, 0, 0, 0};
    case 4:
    case 5:
    case 6:
    case 7: { // one wheel record per notch; the release of a wheel "button" means nothing
        if (!press)
            return std::nullopt;
        // 4 up (away from the user), 5 down, 6 left, 7 right.
        const bool horizontal = button >= 6;
        const bool positive = button == 4 || button == 7;
        EventMsg event{horizontal ? MouseHWheel : MouseWheel, 0, 0, 0};
        event.wheelDelta = positive ? WheelNotch : -WheelNotch;
        return event;
    }
    case 8:
    case 9:
        return EventMsg{press ? XButtonDown : XButtonUp, 0, 0, 0};
    default:
        return std::nullopt;
    }
}
