#pragma once

#include <QByteArray>
#include <QString>

// Script texts are single-byte code page 1251 on disk and in the table. Every byte value maps to one
// distinct character (0x98, unassigned in the code page, maps to U+0098), so bytes -> text -> bytes is
// lossless; characters outside the code page encode as '?'.
QString fromCp1251(QByteArrayView bytes);
QByteArray toCp1251(QStringView text);
