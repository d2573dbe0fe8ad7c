#include "ui/widgets/Markers.h"

#include <QString>

// The arrows are compiled into the library; a static library must register
// its resources itself, from the global namespace.
static void registerMarkerResources() {
    Q_INIT_RESOURCE(markers);
}

namespace orvena::markers {

namespace {

QImage marker(const char* name) {
    static const bool registered = (registerMarkerResources(), true);
    (void)registered;
    QImage image(QStringLiteral(":/markers/%1.png").arg(QLatin1String(name)));
    if (!image.isNull()) image.convertTo(QImage::Format_ARGB32_Premultiplied);
    return image;
}

} // namespace

QImage downArrow() {
    return marker("freccia");
}

QImage upArrow() {
    return marker("blusu");
}

} // namespace orvena::markers
