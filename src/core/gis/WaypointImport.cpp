#include "core/gis/WaypointImport.h"

#include "core/archive/ArchiveFailure.h"
#include "core/archive/WorkingPair.h"
#include "core/base/Twips.h"
#include "core/geo/SheetFrame.h"
#include "core/geo/SheetLookup.h"
#include "core/server/ServerConnection.h"

#include <SQLiteCpp/Statement.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <map>

namespace orvena {

namespace {

constexpr const char* kPlaceCount =
    "select count(*) from loc.localita where AREA = ?1 and LOCALITA = ?2";
constexpr const char* kAddPlace =
    "insert into loc.localita (AREA, LOCALITA, LAGR, LAMN, LASE, LOGR, LOMN, LOSE, PX, PY) "
    "values (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)";
// The same on the atlas's server, the sheet's row held until the commit (a
// deletion of the sheet meanwhile waits, or leaves the place refused).
constexpr const char* kServerPlaceCount =
    "SELECT (SELECT count(*) FROM localita WHERE AREA = $1 AND LOCALITA = $2), "
    "(SELECT count(*) FROM (SELECT 1 FROM area WHERE AREA = $1 FOR KEY SHARE) s)";
constexpr const char* kServerAddPlace =
    "INSERT INTO localita (AREA, LOCALITA, LAGR, LAMN, LASE, LOGR, LOMN, LOSE, PX, PY) "
    "VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10)";
constexpr int kNameLength = 50;

const QString kReport = QStringLiteral("Località aggiunte: %1. Già presenti sul foglio: %2. "
                                       "Fuori da ogni foglio calibrato: %3.");

// Degrees, minutes and seconds of whole seconds, each part with the sign of
// the angle, as the angles are added back (core/geo/Calibration, toSeconds).
std::array<std::int32_t, 3> dms(double degrees) {
    const auto s = std::int32_t(std::llround(degrees * 3600.0));
    return {s / 3600, s % 3600 / 60, s % 60};
}

struct NewPlace {
    QString sheet, name;
    std::array<std::int32_t, 6> angles;
    double px, py;
};

// Adds p on the atlas's server unless its sheet has it already (or is gone):
// whether it was added.
bool addOnServer(WorkingPair& pair, const NewPlace& p) {
    server::Connection& c = pair.server();
    try {
        const server::Parameter sheet = p.sheet.toUtf8(), name = p.name.toUtf8();
        const server::Result seen = c.exec(kServerPlaceCount, {sheet, name});
        if (seen.integer(0, 0) > 0 || seen.integer(0, 1) == 0) return false;
        std::vector<server::Parameter> values = {sheet, name};
        for (const std::int32_t a : p.angles)
            values.emplace_back(QByteArray::number(a));
        values.emplace_back(QByteArray::number(p.px, 'g', 17));
        values.emplace_back(QByteArray::number(p.py, 'g', 17));
        c.exec(kServerAddPlace, values);
        return true;
    } catch (const server::ServerError& e) {
        pair.fail(QStringLiteral("localita.mdb"), e);
    }
}

} // namespace

QString WaypointImportReport::text() const {
    QString t = kReport.arg(added.size()).arg(skipped.size()).arg(offSheet.size());
    const auto list = [&t](const QString& title, const QStringList& names) {
        if (!names.isEmpty()) t += u'\n' + title + names.join(QStringLiteral(", "));
    };
    list(QStringLiteral("Aggiunte: "), added);
    list(QStringLiteral("Già presenti: "), skipped);
    list(QStringLiteral("Fuori dai fogli: "), offSheet);
    return t;
}

WaypointImportReport importWaypoints(const QString& folder, const std::vector<Waypoint>& waypoints,
                                     const SheetOutlines& outlines) {
    WaypointImportReport report;
    std::vector<NewPlace> places;
    try {
        // Each place worked out first, through read-only look-ups.
        const SheetLookup lookup(folder);
        std::map<QString, SheetFrame> frames;
        for (const Waypoint& w : waypoints) {
            const QString name = w.name.trimmed().toUpper().left(kNameLength);
            const QStringList sheets = outlines.holding(w.at);
            bool placed = false;
            for (const QString& sheet : sheets) {
                auto frame = frames.find(sheet);
                if (frame == frames.end())
                    frame = frames.emplace(sheet, SheetFrame::read(folder, lookup.sheet(sheet))).first;
                const auto own = frame->second.sheetDatumOf(w.at);
                const auto at = own ? frame->second.fromSheetDatum(*own) : std::nullopt;
                if (!own || !at || name.isEmpty()) continue;
                const auto lat = dms(own->lat);
                const auto lon = dms(own->lon);
                places.push_back({sheet, name, {lat[0], lat[1], lat[2], lon[0], lon[1], lon[2]},
                                  double(std::llround(twips::fromPixels(at->x()))),
                                  double(std::llround(twips::fromPixels(at->y())))});
                placed = true;
            }
            if (!placed) report.offSheet << (name.isEmpty() ? QStringLiteral("(senza nome)") : name);
        }
        WorkingPair pair(folder);
        if (pair.onServer()) {
            pair.transaction([&] {
                for (const NewPlace& p : places)
                    (addOnServer(pair, p) ? report.added : report.skipped)
                        << QStringLiteral("%1 (%2)").arg(p.name, p.sheet);
            });
            return report;
        }
        SQLite::Database& db = pair.db();
        pair.transaction([&] {
            for (const NewPlace& p : places) {
                const QString line = QStringLiteral("%1 (%2)").arg(p.name, p.sheet);
                SQLite::Statement count(db, kPlaceCount);
                count.bind(1, p.sheet.toStdString());
                count.bind(2, p.name.toStdString());
                if (count.executeStep() && count.getColumn(0).getInt64() > 0) {
                    report.skipped << line;
                    continue;
                }
                SQLite::Statement add(db, kAddPlace);
                add.bind(1, p.sheet.toStdString());
                add.bind(2, p.name.toStdString());
                for (int i = 0; i < 6; ++i)
                    add.bind(3 + i, p.angles[std::size_t(i)]);
                add.bind(9, p.px);
                add.bind(10, p.py);
                add.exec();
                report.added << line;
            }
        });
    } catch (const std::exception& e) {
        const auto* archive = dynamic_cast<const ArchiveError*>(&e);
        report = {};
        report.failure = archive ? archive->italianMessage() : QString::fromUtf8(e.what());
    }
    return report;
}

} // namespace orvena
