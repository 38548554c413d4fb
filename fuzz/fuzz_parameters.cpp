// Any bytes as a Parameters text and as a number: splitting keeps every byte, and the conversion
// accepts exactly what a plain second reading of the number rules accepts, with the same value.
#include "FuzzCheck.h"

#include "core/Errors.h"
#include "script/ActionLine.h"
#include "script/Cp1251.h"
#include "script/IntegerConversion.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <optional>

namespace
{

bool isDecimal(char c)
{
    return c >= '0' && c <= '9';
}
bool isHex(char c)
{
    return isDecimal(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

template <typename Predicate> bool allOf(const QByteArray &text, Predicate predicate)
{
    for (const char c : text) {
        if (!predicate(c))
            return false;
    }
    return !text.isEmpty();
}

// Blanks, a sign, then decimal digits within 32 bits, or hexadecimal digits after "$", "x" or "0x" (any
// case) within 32 unsigned bits read as two's complement. A sign before hexadecimal digits negates the
// 32-bit pattern.
std::optional<std::int32_t> referenceConversion(QByteArray text)
{
    while (text.startsWith(' '))
        text.remove(0, 1);
    bool negative = false;
    if (text.startsWith('-') || text.startsWith('+')) {
        negative = text.startsWith('-');
        text.remove(0, 1);
    }
    const QByteArray lower = text.toLower();
    int prefix = 0;
    if (lower.startsWith('$') || lower.startsWith('x'))
        prefix = 1;
    else if (lower.startsWith("0x"))
        prefix = 2;

    if (prefix > 0) {
        QByteArray digits = text.mid(prefix);
        if (!allOf(digits, isHex))
            return std::nullopt;
        while (digits.size() > 1 && digits.startsWith('0'))
            digits.remove(0, 1);
        if (digits.size() > 8)
            return std::nullopt;
        bool ok = false;
        const std::uint32_t bits = digits.toUInt(&ok, 16);
        FUZZ_CHECK(ok);
        return static_cast<std::int32_t>(negative ? ~bits + 1u : bits);
    }

    QByteArray digits = text;
    if (!allOf(digits, isDecimal))
        return std::nullopt;
    while (digits.size() > 1 && digits.startsWith('0'))
        digits.remove(0, 1);
    if (digits.size() > 10)
        return std::nullopt;
    const long long magnitude = digits.toLongLong();
    const long long value = negative ? -magnitude : magnitude;
    if (value < INT32_MIN || value > INT32_MAX)
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

void checkConversion(QByteArrayView bytes)
{
    const std::optional<std::int32_t> expected = referenceConversion(bytes.toByteArray());
    std::int32_t value = 0x5A5A5A5A;
    const bool converted = tryStrToInt(bytes, value);
    FUZZ_CHECK(converted == expected.has_value());
    if (converted)
        FUZZ_CHECK(value == *expected);

    // The text form goes through the code page, so it must agree with the bytes it stands for.
    const QString text = fromCp1251(bytes);
    if (toCp1251(text) != bytes)
        return;
    try {
        const std::int32_t fromText = StrToInt(text);
        FUZZ_CHECK(converted && fromText == value);
    } catch (const ConversionError &error) {
        FUZZ_CHECK(!converted);
        FUZZ_CHECK(error.message() == QStringLiteral("'%1' is not a valid integer value").arg(text));
    }
}

void checkSplitting(QByteArrayView parameters)
{
    const ParameterFields<QByteArrayView> fields = splitParameters(parameters);
    FUZZ_CHECK(!fields.first.contains(';') && !fields.second.contains(';'));
    const qsizetype separators = parameters.count(';');
    const QByteArray first = fields.first.toByteArray();
    const QByteArray second = fields.second.toByteArray();
    const QByteArray third = fields.third.toByteArray();
    // Only the separators that were actually taken come back in the rejoined text.
    if (separators >= 2)
        FUZZ_CHECK(first + ';' + second + ';' + third == parameters);
    else if (separators == 1)
        FUZZ_CHECK(second.isEmpty() && first + ';' + third == parameters);
    else
        FUZZ_CHECK(first.isEmpty() && second.isEmpty() && third == parameters);

    // The text overload splits the same way.
    const QString text = fromCp1251(parameters);
    const ParameterFields<QString> textFields = splitParameters(text);
    FUZZ_CHECK(textFields.first == fromCp1251(fields.first));
    FUZZ_CHECK(textFields.second == fromCp1251(fields.second));
    FUZZ_CHECK(textFields.third == fromCp1251(fields.third));

    // A text with at least two separators is the join of its own fields.
    if (separators >= 2)
        FUZZ_CHECK(joinParameters(textFields.first, textFields.second, textFields.third) == text);

    // Fields that hold no separator survive a join and a split unchanged.
    const QString joined = joinParameters(textFields.first, textFields.second, textFields.third);
    const ParameterFields<QString> again = splitParameters(joined);
    FUZZ_CHECK(again.first == textFields.first && again.second == textFields.second && again.third == textFields.third);

    checkConversion(fields.first);
    checkConversion(fields.second);
    checkConversion(fields.third);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    checkConversion(bytes);
    checkSplitting(bytes);
    return 0;
}
