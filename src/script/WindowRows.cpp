#include "WindowRows.h"

#include "ActionLine.h"
#include "Cp1251.h"
#include "IntegerConversion.h"
#include "core/Errors.h"

namespace
{

constexpr char kHexDigits[] = "0123456789ABCDEF";

bool keptAsIs(unsigned char c)
{
    return c >= 0x20 && c < 0x7F && c != '%' && c != ',' && c != ';' && c != '|';
}

std::int32_t toInt(QByteArrayView field)
{
    std::int32_t value = 0;
    if (!tryStrToInt(field, value))
        throw ConversionError(fromCp1251(field));
    return value;
}

// The text before the next ',' (all of it when there is none), which is then removed with its ','.
QByteArrayView takePart(QByteArrayView &rest)
{
    const qsizetype comma = rest.indexOf(',');
    if (comma < 0) {
        const QByteArrayView part = rest;
        rest = QByteArrayView();
        return part;
    }
    const QByteArrayView part = rest.first(comma);
    rest = rest.sliced(comma + 1);
    return part;
}

void appendNumber(QByteArray &out, std::int32_t value)
{
    out += QByteArray::number(value);
}

} // namespace

bool isAnchorAction(QByteArrayView action)
{
    return action == AnchorActionText;
}

bool isWheelAction(QByteArrayView action)
{
    return action == WheelActionText;
}

bool WindowAnchor::operator==(const WindowAnchor &other) const
{
    if (screen || other.screen)
        return screen == other.screen;
    return windowClass == other.windowClass && instance == other.instance && title == other.title && x == other.x &&
           y == other.y && width == other.width && height == other.height;
}

QString WindowAnchor::displayName() const
{
    return windowClass + QStringLiteral(" — ") + title;
}

QByteArray encodeWindowText(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    QByteArray out;
    out.reserve(utf8.size());
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (keptAsIs(byte)) {
            out += c;
            continue;
        }
        out += '%';
        out += kHexDigits[byte >> 4];
        out += kHexDigits[byte & 0x0F];
    }
    return out;
}

QString decodeWindowText(QByteArrayView bytes)
{
    QByteArray utf8;
    utf8.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '%' && i + 2 < bytes.size()) {
            const int high = hexDigit(bytes[i + 1]);
            const int low = hexDigit(bytes[i + 2]);
            if (high >= 0 && low >= 0) {
                utf8 += char(high * 16 + low);
                i += 2;
                continue;
            }
        }
        utf8 += bytes[i];
    }
    return QString::fromUtf8(utf8);
}

QByteArray anchorParameters(const WindowAnchor &anchor)
{
    if (anchor.screen)
        return QByteArrayLiteral(";;0");
    QByteArray out = encodeWindowText(anchor.windowClass);
    out += ',';
    out += encodeWindowText(anchor.instance);
    out += ',';
    out += encodeWindowText(anchor.title);
    out += ';';
    for (const std::int32_t value : {anchor.x, anchor.y, anchor.width}) {
        appendNumber(out, value);
        out += ',';
    }
    appendNumber(out, anchor.height);
    out += ";0";
    return out;
}

WindowAnchor parseAnchorParameters(QByteArrayView parameters, std::int32_t &delay)
{
    const ParameterFields<QByteArrayView> fields = splitParameters(parameters);
    delay = toInt(fields.third);
    WindowAnchor anchor;
    if (fields.first.isEmpty())
        return anchor;
    anchor.screen = false;
    QByteArrayView names = fields.first;
    anchor.windowClass = decodeWindowText(takePart(names));
    anchor.instance = decodeWindowText(takePart(names));
    anchor.title = decodeWindowText(names);
    QByteArrayView area = fields.second;
    anchor.x = toInt(takePart(area));
    anchor.y = toInt(takePart(area));
    anchor.width = toInt(takePart(area));
    anchor.height = toInt(area);
    return anchor;
}

QByteArray wheelParameters(WheelTurn turn, std::int32_t delay)
{
    QByteArray out;
    appendNumber(out, turn.vertical);
    out += ';';
    appendNumber(out, turn.horizontal);
    out += ';';
    appendNumber(out, delay);
    return out;
}

WheelTurn parseWheelParameters(QByteArrayView parameters, std::int32_t &delay)
{
    const ParameterFields<QByteArrayView> fields = splitParameters(parameters);
    WheelTurn turn;
    turn.vertical = toInt(fields.first);
    turn.horizontal = toInt(fields.second);
    delay = toInt(fields.third);
    return turn;
}
