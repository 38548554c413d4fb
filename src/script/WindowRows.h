#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>

// The two row kinds that make a replay follow its windows and turn the mouse wheel. Their Action texts hold
// none of the words the other rows are told by, so a reader that knows only those rows skips them.
//
//   Window()|class,instance,title;x,y,width,height;0    an anchor: the top-level window clicked next
//   Window()|;;0                                        the screen itself: no window, no offset
//   Wheel()|vertical;horizontal;delay                   a turn of the wheel, 120 per notch
//
// The class, instance and title are UTF-8 with every byte outside printable ASCII and each of '%', ',',
// ';' and '|' written as '%' and two upper-case hexadecimal digits, so that any Unicode text survives the
// file's single-byte code page and the line's and the row's splits. x, y, width and height are the window's
// client area in screen pixels. On X11 the class and instance are the two halves of WM_CLASS; on Windows
// they are the window class and the file name of the window's program.

constexpr QByteArrayView AnchorActionText("Window()");
constexpr QByteArrayView WheelActionText("Wheel()");

// Exact, case-sensitive comparisons.
bool isAnchorAction(QByteArrayView action);
bool isWheelAction(QByteArrayView action);

struct WindowAnchor {
    bool screen = true; // no window: positions are screen positions again
    QString windowClass;
    QString instance;
    QString title;
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;

    bool operator==(const WindowAnchor &other) const;
    bool operator!=(const WindowAnchor &other) const { return !(*this == other); }
    // "class — title", as messages name the window.
    QString displayName() const;
};

// The Parameters text of an anchor row; an anchor row always has the delay 0.
QByteArray anchorParameters(const WindowAnchor &anchor);
// Reads an anchor row's Parameters. An empty first field is the screen anchor. The texts always decode: a
// '%' not followed by two hexadecimal digits stands for itself, bytes that are not UTF-8 become U+FFFD, a
// missing part is empty and further commas belong to the title. Throws ConversionError for a number of the
// window's area or a delay that does not convert.
WindowAnchor parseAnchorParameters(QByteArrayView parameters, std::int32_t &delay);

// A turn of the wheel in the units of Windows' wheel messages: 120 per notch, positive away from the user
// (vertical) or to the right (horizontal).
struct WheelTurn {
    std::int32_t vertical = 0;
    std::int32_t horizontal = 0;
};
constexpr std::int32_t WheelDeltaPerNotch = 120;

QByteArray wheelParameters(WheelTurn turn, std::int32_t delay);
// Throws ConversionError for a field that does not convert.
WheelTurn parseWheelParameters(QByteArrayView parameters, std::int32_t &delay);

// The escaping of the texts of an anchor row on its own.
QByteArray encodeWindowText(const QString &text);
QString decodeWindowText(QByteArrayView bytes);
