// Any bytes as an update server's reply and as version texts: the version is taken from where the reply
// format puts it, and the comparison agrees with a plain second reading of the version rules and orders
// versions consistently.
#include "FuzzCheck.h"

#include "app/VersionCheck.h"

#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace
{

// Four runs of decimal digits joined by three dots, each run without its leading zeros.
std::optional<std::vector<std::string>> referenceComponents(const QString &text)
{
    std::vector<std::string> components(1);
    for (const QChar c : text) {
        if (c == QLatin1Char('.')) {
            components.emplace_back();
        } else if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            components.back() += char(c.unicode());
        } else {
            return std::nullopt;
        }
    }
    if (components.size() != 4)
        return std::nullopt;
    for (std::string &digits : components) {
        if (digits.empty())
            return std::nullopt;
        digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size() - 1));
    }
    return components;
}

bool referenceNewer(const QString &server, const QString &program)
{
    const auto s = referenceComponents(server);
    const auto p = referenceComponents(program);
    if (!s || !p)
        return false;
    for (std::size_t i = 0; i < 4; ++i) {
        const std::string &a = (*s)[i];
        const std::string &b = (*p)[i];
        if (a.size() != b.size())
            return a.size() > b.size();
        if (a != b)
            return a > b;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString body = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));

    // The reply: the version sits after the first ">" (or at the start) and ends at the next ";".
    const QString version = serverVersionFromReply(body);
    FUZZ_CHECK(!version.contains(QLatin1Char(';')));
    const qsizetype tag = body.indexOf(QLatin1Char('>'));
    const QString rest = body.mid(tag + 1);
    if (rest.contains(QLatin1Char(';')))
        FUZZ_CHECK(rest.startsWith(version + QLatin1Char(';')));
    else
        FUZZ_CHECK(version.isEmpty());

    // Versions: up to three texts, one per line.
    const QStringList texts = body.split(QLatin1Char('\n'));
    const QString a = texts.value(0), b = texts.value(1), c = texts.value(2);
    FUZZ_CHECK(isNewerVersion(a, b) == referenceNewer(a, b));
    FUZZ_CHECK(isNewerVersion(a, ProgramVersion) == referenceNewer(a, ProgramVersion));
    FUZZ_CHECK(isNewerVersion(version, ProgramVersion) == referenceNewer(version, ProgramVersion));
    FUZZ_CHECK(!isNewerVersion(a, a));
    FUZZ_CHECK(!(isNewerVersion(a, b) && isNewerVersion(b, a)));
    if (isNewerVersion(a, b) && isNewerVersion(b, c))
        FUZZ_CHECK(isNewerVersion(a, c));
    return 0;
}
