#include "WindowSettings.h"

#include "SettingsFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSaveFile>

#include <optional>

namespace
{

std::optional<bool> switchValue(const SettingsFile &settings, SettingsFile::Key key)
{
    const QString text = settings.text(key).value_or(QString()).trimmed().toLower();
    if (text == QLatin1String("true") || text == QLatin1String("1"))
        return true;
    if (text == QLatin1String("false") || text == QLatin1String("0"))
        return false;
    return std::nullopt;
}

// The name of a "[section]" line, or none.
std::optional<QByteArray> sectionOf(const QByteArray &line)
{
    const QByteArray trimmed = line.trimmed();
    if (trimmed.startsWith('[') && trimmed.endsWith(']'))
        return trimmed.mid(1, trimmed.size() - 2).trimmed();
    return std::nullopt;
}

QByteArray keyOf(const QByteArray &line)
{
    const qsizetype equals = line.indexOf('=');
    return equals < 0 ? QByteArray() : line.left(equals).trimmed();
}

} // namespace

WindowSettings WindowSettings::fromSettings(const SettingsFile &settings)
{
    WindowSettings read;
    read.recordWindows = switchValue(settings, SettingsFile::RecordWindows).value_or(false);
    read.recordWheel = switchValue(settings, SettingsFile::RecordWheel).value_or(false);
    bool ok = false;
    const int wait = settings.text(SettingsFile::PlayWindowWait).value_or(QString()).trimmed().toInt(&ok);
    if (ok && wait >= 1 && wait <= MaximumWindowWaitSeconds)
        read.windowWaitSeconds = wait;
    return read;
}

bool WindowSettings::writeSwitch(const QString &path, const QString &key, bool on)
{
    if (path.isEmpty())
        return false;
    const qsizetype slash = key.indexOf(u'/');
    const QByteArray section = key.left(slash).toUtf8();
    const QByteArray name = key.mid(slash + 1).toUtf8();
    const QByteArray value = name + (on ? "=true" : "=false");

    QByteArray content;
    QFile existing(path);
    if (existing.exists()) {
        if (!existing.open(QIODevice::ReadOnly))
            return false;
        content = existing.readAll();
        existing.close();
    }
    const QByteArray newline = content.contains("\r\n") ? QByteArrayLiteral("\r\n") : QByteArrayLiteral("\n");
    QList<QByteArray> lines = content.split('\n');
    // split() leaves the text after the last line end as a last, usually empty, line.
    const bool endsWithNewline = content.isEmpty() || content.endsWith('\n');
    if (endsWithNewline)
        lines.removeLast();
    for (QByteArray &line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }

    // QSettings keeps keys that stand before any section in [General].
    QByteArray current = "General";
    qsizetype sectionEnd = -1;
    bool written = false;
    for (qsizetype i = 0; i < lines.size() && !written; ++i) {
        if (const auto header = sectionOf(lines[i])) {
            current = *header;
            continue;
        }
        if (current != section)
            continue;
        sectionEnd = i + 1;
        if (keyOf(lines[i]) == name) {
            lines[i] = value;
            written = true;
        }
    }
    if (!written) {
        // After the section's last line, or in a new section at the end.
        qsizetype at = -1;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (sectionOf(lines[i]) == std::optional<QByteArray>(section))
                at = i + 1;
        }
        if (at >= 0) {
            at = std::max(at, sectionEnd);
            // Before the blank lines that end the section.
            while (at > 0 && at <= lines.size() && lines[at - 1].trimmed().isEmpty() && !sectionOf(lines[at - 1]))
                --at;
            lines.insert(at, value);
        } else {
            if (!lines.isEmpty() && !lines.constLast().trimmed().isEmpty())
                lines.append(QByteArray());
            lines.append('[' + section + ']');
            lines.append(value);
        }
    }

    QByteArray out;
    for (const QByteArray &line : lines)
        out += line + newline;
    if (!endsWithNewline && written)
        out.chop(newline.size());

    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(out);
    return file.commit();
}
