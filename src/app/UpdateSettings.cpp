#include "UpdateSettings.h"

#include "SettingsFile.h"

UpdateSettings UpdateSettings::buildDefaults()
{
    UpdateSettings settings;
    settings.serverUrl = QUrl(QStringLiteral(TAPSMITH_UPDATE_URL));
    settings.downloadPage = QUrl(QStringLiteral(TAPSMITH_DOWNLOAD_URL));
    settings.webSite = QUrl(QStringLiteral(TAPSMITH_SITE_URL));
    settings.supportMail = QStringLiteral(TAPSMITH_SUPPORT_MAIL);
    return settings;
}

UpdateSettings UpdateSettings::fromBuildAndFile(const SettingsFile &file)
{
    UpdateSettings settings = buildDefaults();
    if (const std::optional<QString> url = file.updateUrl())
        settings.serverUrl = QUrl(url->trimmed());
    return settings;
}
