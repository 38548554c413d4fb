#pragma once

#include <QString>

// The forms are set in Tahoma. Where the system has none, Wine's metric twin of it (Debian's fonts-wine)
// is registered with the application under that name, so captions take the widths they were laid out for.
namespace FormFont
{

// The folder of the twin's files (tahoma.ttf, tahomabd.ttf).
QString twinFolder();

// Registers the twin unless a Tahoma is installed; true when a Tahoma is there afterwards. Call it once the
// application object exists, before the windows are built.
bool ensureTahoma(const QString &folder = twinFolder());

} // namespace FormFont
