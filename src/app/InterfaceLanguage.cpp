#include "InterfaceLanguage.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

QString InterfaceLanguage::choose(const std::optional<QString> &option, const std::optional<QString> &setting)
{
    const QString wanted = (option ? *option : setting.value_or(QString())).trimmed().toLower();
    return wanted == QLatin1String(English) ? QString::fromLatin1(English) : QString::fromLatin1(Russian);
}

bool InterfaceLanguage::install(QCoreApplication &app, const QString &language)
{
    bool ours = true;
    if (language != QLatin1String(Russian)) {
        // Our texts: the sources are Russian, so only other languages need a translation of them.
        auto *translator = new QTranslator(&app);
        ours = translator->load(QStringLiteral(":/i18n/tapsmith_%1.qm").arg(language));
        if (ours)
            app.installTranslator(translator);
        else
            delete translator;
    }
    const QString qtLanguage = ours ? language : QString::fromLatin1(Russian);
    // Qt's own texts are English in its sources; other languages come from Qt's translations, when the
    // system has them.
    if (qtLanguage != QLatin1String(English)) {
        auto *qtTranslator = new QTranslator(&app);
        if (qtTranslator->load(QStringLiteral("qtbase_") + qtLanguage,
                               QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            app.installTranslator(qtTranslator);
        else
            delete qtTranslator;
    }
    return ours;
}
