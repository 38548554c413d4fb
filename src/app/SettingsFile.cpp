#include "SettingsFile.h"

#include <cstdio>

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

QString SettingsFile::userPath()
{
#ifdef Q_OS_WIN
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Tapsmith"), QStringLiteral("tapsmith"))
        .fileName();
#else
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Tapsmith/tapsmith.conf");
#endif
}

QString SettingsFile::readablePath()
{
    QString path = userPath();
    const QFileInfo info(path);
    if (!info.exists() || info.isFile())
        return path;
    std::fprintf(stderr, "tapsmith: %s is not a regular file; the settings file is ignored.\n",
                 qPrintable(QDir::toNativeSeparators(path)));
    return QString();
}

SettingsFile::SettingsFile(const QString &path) : m_settings(path, QSettings::IniFormat) {}

std::optional<QString> SettingsFile::text(const QString &key) const
{
    if (!m_settings.contains(key))
        return std::nullopt;
    const QVariant value = m_settings.value(key);
    // The INI reader splits an unquoted value at its commas; a text setting takes it whole again.
    if (value.userType() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}
