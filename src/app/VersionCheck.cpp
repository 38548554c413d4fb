#include "VersionCheck.h"

#include <QList>
#include <QStringView>

#include <array>
#include <optional>

namespace
{

constexpr int ComponentCount = 4;

bool isDecimal(QStringView text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

// A component with its leading zeros dropped, so that digit strings of any length compare by value.
QStringView significantDigits(QStringView digits)
{
    qsizetype first = 0;
    while (first + 1 < digits.size() && digits[first] == QLatin1Char('0'))
        ++first;
    return digits.mid(first);
}

std::optional<std::array<QStringView, ComponentCount>> splitVersion(const QString &text)
{
    const QList<QStringView> parts = QStringView(text).split(QLatin1Char('.'));
    if (parts.size() != ComponentCount)
        return std::nullopt;
    std::array<QStringView, ComponentCount> components;
    for (int i = 0; i < ComponentCount; ++i) {
        if (!isDecimal(parts[i]))
            return std::nullopt;
        components[std::size_t(i)] = significantDigits(parts[i]);
    }
    return components;
}

// Compares two digit strings without leading zeros by their value: <0, 0 or >0.
int compareDecimal(QStringView left, QStringView right)
{
    if (left.size() != right.size())
        return left.size() < right.size() ? -1 : 1;
    return left.compare(right);
}

} // namespace

QString serverVersionFromReply(const QString &body)
{
    const qsizetype tagEnd = body.indexOf(QLatin1Char('>'));
    const QStringView rest = QStringView(body).mid(tagEnd + 1); // the whole body when there is no ">"
    const qsizetype separator = rest.indexOf(QLatin1Char(';'));
    if (separator < 0)
        return QString();
    return rest.left(separator).toString();
}

bool isNewerVersion(const QString &server, const QString &program)
{
    const auto serverComponents = splitVersion(server);
    const auto programComponents = splitVersion(program);
    if (!serverComponents || !programComponents)
        return false;
    for (std::size_t i = 0; i < ComponentCount; ++i) {
        const int order = compareDecimal((*serverComponents)[i], (*programComponents)[i]);
        if (order != 0)
            return order > 0;
    }
    return false;
}
