#include "DemoAtlas.h"

namespace orvena::demo {
const std::vector<DemoSheet>& demoSheets() {
    static const std::vector<DemoSheet> sheets;
    return sheets;
}
const std::vector<DemoPlace>& demoPlaces() {
    static const std::vector<DemoPlace> places;
    return places;
}
QString writeDemoAtlas(const QString&) { return QStringLiteral("not built yet"); }
QString writeLargeSheet(const QString&, int, int) { return QStringLiteral("not built yet"); }
} // namespace orvena::demo
