#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>

// The nine Action texts the recorder writes. Id 0 is the empty text.
enum class RecordedAction : std::uint8_t { None = 0, KeyDown, KeyUp, Move, LDown, LUp, RDown, RUp, MDown, MUp };

constexpr int RecordedActionCount = 10;

// "KeyDown()", "Move()"... for an id; empty for None.
QByteArrayView recordedActionText(RecordedAction action);

// Id of a text that equals one of the nine exactly, None otherwise (also for the empty text).
RecordedAction recordedActionFromText(QByteArrayView text);

// The three fields of a Parameters text: X;Y;delay or key name;key code;delay.
template <typename Text> struct ParameterFields {
    Text first;
    Text second;
    Text third;
};

// Field 1 before the first ';', field 2 before the next ';', field 3 everything left (further ';'
// included). A missing ';' gives an empty field and removes nothing.
ParameterFields<QByteArrayView> splitParameters(QByteArrayView parameters);
ParameterFields<QString> splitParameters(const QString &parameters);

// first;second;third, always with exactly these two separators.
QString joinParameters(const QString &first, const QString &second, const QString &third);

// How playback treats a row, by case-sensitive substring tests on its Action text. A row may match
// several kinds; it is performed once per match, mouse first.
struct RowKind {
    bool mouse = false;
    bool keyDown = false;
    bool keyUp = false;
    bool inert() const { return !mouse && !keyDown && !keyUp; }
};
RowKind classifyAction(QByteArrayView action);

// The mouse button words in the order playback injects them.
enum class MouseButtonAction : std::uint8_t { LDown, LUp, RDown, RUp, MDown, MUp };
constexpr std::array<MouseButtonAction, 6> MouseButtonOrder = {MouseButtonAction::LDown, MouseButtonAction::LUp,
                                                               MouseButtonAction::RDown, MouseButtonAction::RUp,
                                                               MouseButtonAction::MDown, MouseButtonAction::MUp};
QByteArrayView mouseButtonWord(MouseButtonAction button);
