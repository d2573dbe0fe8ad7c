#include "core/archive/DeleteArea.h"

#include "core/archive/AreaCalibrations.h"
#include "core/archive/AreaDatums.h"
#include "core/archive/WorkingPair.h"
#include "core/server/ServerConnection.h"

#include <SQLiteCpp/Statement.h>

#include <algorithm>
#include <optional>

namespace orvena {

namespace {

// The engine's filter ignores letter case and uses the index on the name; the
// second, binary comparison keeps only the exact matches.
constexpr const char* kAreaCandidates =
    "select rowid from main.AREA where AREA = ?1 and AREA = ?1 collate binary "
    "order by rowid limit 1";
constexpr const char* kDeleteAreaRecord = "delete from main.AREA where rowid = ?";
constexpr const char* kCountPlaces =
    "select count(*) from loc.localita where AREA = ?1 and AREA = ?1 collate binary";
// Places go in batches so that progress can be shown and a cancel heard.
constexpr const char* kDeletePlaces =
    "delete from loc.localita where rowid in (select rowid from loc.localita "
    "where AREA = ?1 and AREA = ?1 collate binary limit ?2)";
constexpr int kBatch = 2000;

struct Cancelled {};

// A failure as the result that tells it: an engine failure in Italian, naming
// its archive.
AreaDeletionResult failedWith(const std::exception& e) {
    AreaDeletionResult failed;
    const auto* archive = dynamic_cast<const ArchiveError*>(&e);
    failed.failure = archive ? archive->italianMessage() : QString::fromUtf8(e.what());
    return failed;
}

// The deletion on the atlas's server, inside the pair's transaction. The
// sheet's row goes first: a place being added on the sheet by another user
// holds that row (server::Records::insert) until it is committed, so this
// waits for it and then deletes it with the others; a place added after this
// finds its sheet gone. The server is blamed as localita.mdb from the places
// on, as the files are.
void deleteOnServer(WorkingPair& pair, const QString& area, const Progress& progress,
                    AreaDeletionResult& result) {
    server::Connection& c = pair.server();
    const server::Parameter name = area.toUtf8();
    const char* blame = "area.mdb";
    try {
        const server::Result sheet =
            c.exec("DELETE FROM area WHERE id = (SELECT id FROM area WHERE AREA = $1 "
                   "ORDER BY id LIMIT 1) RETURNING id",
                   {name});
        result.areaFound = sheet.rows() > 0;
        if (!result.areaFound) return;
        areadatums::forgetUnlessListed(c, area);
        areacalibrations::forgetUnlessListed(c, area);
        blame = "localita.mdb";
        const qint64 total =
            c.exec("SELECT count(*) FROM localita WHERE AREA = $1", {name}).integer(0, 0);
        if (progress && !progress(0, total)) throw Cancelled{};
        const server::Parameter batch = QByteArray::number(kBatch);
        std::int64_t done = 0;
        for (;;) {
            const qint64 changed =
                c.exec("WITH d AS (DELETE FROM localita WHERE id IN (SELECT id FROM localita "
                       "WHERE AREA = $1 LIMIT $2) RETURNING 1) SELECT count(*) FROM d",
                       {name, batch})
                    .integer(0, 0);
            if (changed == 0) break;
            done += changed;
            if (progress && !progress(done, std::max<std::int64_t>(total, done))) throw Cancelled{};
        }
        result.localitiesDeleted = done;
    } catch (const server::ServerError& e) {
        pair.fail(QString::fromLatin1(blame), e);
    }
}

} // namespace

AreaDeletionResult deleteArea(WorkingPair& pair, const QString& area, const Progress& progress) {
    AreaDeletionResult result;
    if (pair.onServer()) {
        try {
            pair.transaction([&] { deleteOnServer(pair, area, progress, result); });
        } catch (const Cancelled&) {
            return AreaDeletionResult{false, 0, true, {}};
        } catch (const std::exception& e) {
            return failedWith(e);
        }
        return result;
    }
    const std::string name = area.toStdString();
    SQLite::Database& db = pair.db();
    try {
        pair.transaction([&] {
            // The area record first, then its places.
            std::optional<std::int64_t> key;
            try {
                SQLite::Statement find(db, kAreaCandidates);
                find.bind(1, name);
                if (find.executeStep()) key = find.getColumn(0).getInt64();
                if (key) {
                    SQLite::Statement remove(db, kDeleteAreaRecord);
                    remove.bind(1, *key);
                    remove.exec();
                    areadatums::forgetUnlessListed(db, area);
                    areacalibrations::forgetUnlessListed(db, area);
                }
            } catch (const SQLite::Exception& e) {
                WorkingPair::fail(QStringLiteral("area.mdb"), e);
            }
            result.areaFound = key.has_value();
            // A name with no area record deletes nothing, not even places
            // recorded under that name.
            if (!key) return;

            try {
                SQLite::Statement count(db, kCountPlaces);
                count.bind(1, name);
                count.executeStep();
                const std::int64_t total = count.getColumn(0).getInt64();
                if (progress && !progress(0, total)) throw Cancelled{};
                SQLite::Statement remove(db, kDeletePlaces);
                remove.bind(1, name);
                remove.bind(2, kBatch);
                std::int64_t done = 0;
                while (done < total) {
                    remove.reset();
                    const int changed = remove.exec();
                    if (changed == 0) break;
                    done += changed;
                    if (progress && !progress(done, total)) throw Cancelled{};
                }
                result.localitiesDeleted = done;
            } catch (const SQLite::Exception& e) {
                WorkingPair::fail(QStringLiteral("localita.mdb"), e);
            }
        });
    } catch (const Cancelled&) {
        return AreaDeletionResult{false, 0, true, {}};
    } catch (const std::exception& e) {
        return failedWith(e);
    }
    return result;
}

AreaDeletionResult deleteArea(const QString& folder, const QString& area,
                              const Progress& progress) {
    try {
        WorkingPair pair(folder);
        return deleteArea(pair, area, progress);
    } catch (const std::exception& e) {
        return failedWith(e);
    }
}

} // namespace orvena
