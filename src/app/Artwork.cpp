#include "Artwork.h"

// The images are compiled into this static library; its resource initialiser must be referenced explicitly
// or the linker drops it.
static void initArtworkResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace
{

QIcon fromResource(const char *name)
{
    static const bool initialised = (initArtworkResources(), true);
    Q_UNUSED(initialised);
    return QIcon(QStringLiteral(":/icons/%1.png").arg(QLatin1String(name)));
}

} // namespace

namespace Artwork
{

QIcon ImageList1(int index)
{
    switch (index) {
    case 0:
        return fromResource("record");
    case 1:
        return fromResource("play");
    case 2:
        return fromResource("clear");
    case 3:
        return fromResource("save");
    case 5:
        return fromResource("open");
    case 6:
        return fromResource("stop");
    case 7:
        return fromResource("idle");
    default:
        return {};
    }
}

QIcon ImageList3(int index)
{
    switch (index) {
    case 0:
        return fromResource("down");
    case 1:
        return fromResource("up");
    case 2:
        return fromResource("pencil");
    case 3:
        return fromResource("cross");
    default:
        return {};
    }
}

QIcon programIcon()
{
    // The desktop icon's drawing, in the sizes title bars and task lists ask for.
    QIcon icon = fromResource("app-16");
    for (const char *size : {"32", "48", "64"})
        icon.addFile(QStringLiteral(":/icons/app-%1.png").arg(QLatin1String(size)));
    return icon;
}

QIcon aboutPicture()
{
    return fromResource("about");
}

} // namespace Artwork
