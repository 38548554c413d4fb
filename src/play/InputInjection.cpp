#include "InputInjection.h"

std::uint32_t mouseEventFlags(MouseButtonAction button)
{
    switch (button) {
    case MouseButtonAction::LDown:
        return MouseEventFlag::Absolute | MouseEventFlag::LeftDown;
    case MouseButtonAction::LUp:
        return MouseEventFlag::Absolute | MouseEventFlag::LeftUp;
    case MouseButtonAction::RDown:
        return MouseEventFlag::Absolute | MouseEventFlag::RightDown;
    case MouseButtonAction::RUp:
        return MouseEventFlag::Absolute | MouseEventFlag::RightUp;
    case MouseButtonAction::MDown:
        return MouseEventFlag::Absolute | MouseEventFlag::MiddleDown;
    case MouseButtonAction::MUp:
        return MouseEventFlag::Absolute | MouseEventFlag::MiddleUp;
    }
    return 0;
}

void SendKey(Injector &injector, int virtualKey, QByteArrayView mode, bool rightHand)
{
    const std::uint32_t side = rightHand ? KeyEventFlag::ExtendedKey : 0;
    if (mode == QByteArrayView("down"))
        injector.keybdEvent(virtualKey, side);
    else if (mode == QByteArrayView("up"))
        injector.keybdEvent(virtualKey, side | KeyEventFlag::KeyUp);
}
