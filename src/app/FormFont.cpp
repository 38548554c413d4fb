#include "FormFont.h"

#include <QFontDatabase>

namespace FormFont
{

QString twinFolder()
{
    return QStringLiteral("/usr/share/wine/fonts");
}

bool ensureTahoma(const QString &folder)
{
    const QString tahoma = QStringLiteral("Tahoma");
    // A system Tahoma wins; the twin is only a stand-in for it.
    if (QFontDatabase::hasFamily(tahoma))
        return true;
    for (const QLatin1String file : {QLatin1String("tahoma.ttf"), QLatin1String("tahomabd.ttf")})
        QFontDatabase::addApplicationFont(folder + u'/' + file);
    return QFontDatabase::hasFamily(tahoma);
}

} // namespace FormFont
