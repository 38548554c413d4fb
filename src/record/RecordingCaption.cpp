#include "RecordingCaption.h"

QString recordingCaption(const QString &caption)
{
    if (caption.contains(QLatin1String("Tapsmith -")))
        return caption + QLatin1String(" *");
    if (!caption.contains(QLatin1String("- *")))
        return QStringLiteral("Tapsmith - *");
    return caption;
}
