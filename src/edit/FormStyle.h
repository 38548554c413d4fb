#pragma once

#include <QFont>

// The windows' font: Tahoma at 11 pixels, the size they were laid out for. Where the system has no Tahoma,
// the program registers a metric twin under that name at start (FormFont).
constexpr int FormFontPixels = 11;

inline QFont formFont(int pixelSize = FormFontPixels, bool bold = false)
{
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}
