#pragma once

#include <QString>

#include <cstdint>

// Converts text as the script and the settings boxes write numbers: optional leading blanks, an optional
// sign, then decimal digits, or hexadecimal digits after "$", "x" or "0x" (either case). A hexadecimal
// value may use all 32 bits and is taken as two's complement. Anything else, empty text, trailing blanks
// and values outside 32 bits throw ConversionError.
std::int32_t StrToInt(const QString &text);

// The same conversion on raw script bytes; returns false instead of throwing.
bool tryStrToInt(QByteArrayView text, std::int32_t &value);

// The value of a hexadecimal digit (either case); -1 for any other character.
int hexDigit(char c);
