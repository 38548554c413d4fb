// Any bytes as the Parameters of an anchor row and of a wheel row, and as an escaped window text: reading
// never fails but with a conversion error, and what was read is written and read again unchanged.
#include "FuzzCheck.h"

#include "core/Errors.h"
#include "script/ActionLine.h"
#include "script/WindowRows.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace
{

void checkEscaping(QByteArrayView bytes)
{
    const QString text = decodeWindowText(bytes);
    const QByteArray encoded = encodeWindowText(text);
    // Plain ASCII that neither the file's line split nor the row's splits can cut.
    for (const char c : encoded) {
        FUZZ_CHECK(c >= 0x20 && c < 0x7F);
        FUZZ_CHECK(c != ';' && c != '|' && c != ',');
    }
    FUZZ_CHECK(decodeWindowText(encoded) == text);
}

void checkAnchor(QByteArrayView bytes)
{
    std::int32_t delay = 0;
    WindowAnchor anchor;
    try {
        anchor = parseAnchorParameters(bytes, delay);
    } catch (const ConversionError &) {
        return;
    }
    const QByteArray written = anchorParameters(anchor);
    const ParameterFields<QByteArrayView> fields = splitParameters(QByteArrayView(written));
    FUZZ_CHECK(!fields.third.contains(';') && fields.third == QByteArrayView("0"));
    std::int32_t again = -1;
    FUZZ_CHECK(parseAnchorParameters(written, again) == anchor);
    FUZZ_CHECK(again == 0);
}

void checkWheel(QByteArrayView bytes)
{
    std::int32_t delay = 0;
    WheelTurn turn;
    try {
        turn = parseWheelParameters(bytes, delay);
    } catch (const ConversionError &) {
        return;
    }
    std::int32_t again = 0;
    const WheelTurn back = parseWheelParameters(wheelParameters(turn, delay), again);
    FUZZ_CHECK(back.vertical == turn.vertical && back.horizontal == turn.horizontal && again == delay);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    checkEscaping(bytes);
    checkAnchor(bytes);
    checkWheel(bytes);
    return 0;
}
