#include "core/gis/GisArchives.h"

#include "core/archive/ArchiveFailure.h"
#include "core/archive/ArchiveFile.h"
#include "core/archive/Archives.h"
#include "core/archive/AreaCalibrations.h"
#include "core/archive/AtlasServer.h"
#include "core/archive/FieldText.h"
#include "core/archive/LockWaits.h"
#include "core/server/ServerConnection.h"

#include <QDir>
#include <QFileInfo>

#include <SQLiteCpp/SQLiteCpp.h>

namespace orvena::gis {

namespace {

const QString kCannotRead = QStringLiteral("L'archivio %1 non può essere letto (%2).");

const char* const kCountAreas = "select count(*) from AREA";
const char* const kSheetNames = "select AREA from AREA";
const char* const kCountPlaces = "select count(*) from localita";
const char* const kAreas =
    "select AREA, COLA, COLO, PXLAO, SECLAO, PXLOO, SECLOO from AREA order by AREA";
const char* const kPlaces = "select AREA, LOCALITA, LAGR, LAMN, LASE, LOGR, LOMN, LOSE "
                            "from localita order by AREA, LOCALITA";

// The same on the server: the files order names with letter case aside
// (their index), equal names in the order they were added.
#define BY(field) "orvena_nocase(" field ") COLLATE \"C\" nulls first"
const char* const kServerSheetNames = "select AREA from area order by " BY("AREA") ", id";
const char* const kServerAreas = "select AREA, COLA, COLO, PXLAO, SECLAO, PXLOO, SECLOO "
                                 "from area order by " BY("AREA") ", id";
const char* const kServerPlaces =
    "declare orvena_gis no scroll cursor for select AREA, LOCALITA, LAGR, LAMN, LASE, LOGR, "
    "LOMN, LOSE from localita order by " BY("AREA") ", " BY("LOCALITA") ", id";
#undef BY
const char* const kServerFetch = "fetch 5000 from orvena_gis";
const char* const kServerClose = "close orvena_gis";

class FileArchives : public GisArchives {
public:
    explicit FileArchives(const QString& folder)
        : areaPath_(QDir(folder).filePath(QString::fromLatin1(Archives::kAreaFile)))
        , placePath_(QDir(folder).filePath(QString::fromLatin1(Archives::kLocalityFile)))
        , areas_(open(areaPath_))
        , places_(open(placePath_)) {}

    QHash<QString, areadatums::SheetDatum> datums() override {
        return reading(areaPath_, [&] { return areadatums::readAll(areas_); });
    }
    QHash<QString, SheetPoints> points() override {
        return reading(areaPath_, [&] { return areacalibrations::readAll(areas_); });
    }
    QStringList sheetNames() override {
        QStringList names;
        walk(areas_, areaPath_, kSheetNames, [&](const Row& row) {
            names << fieldText(row(0));
            return true;
        });
        return names;
    }
    qint64 sheetCount() override { return count(areas_, areaPath_, kCountAreas); }
    qint64 placeCount() override { return count(places_, placePath_, kCountPlaces); }
    void sheets(const Each& each) override { walk(areas_, areaPath_, kAreas, each); }
    void places(const Each& each) override { walk(places_, placePath_, kPlaces, each); }

private:
    template <class Fn> static auto reading(const QString& path, Fn&& fn) -> decltype(fn()) {
        try {
            return fn();
        } catch (const SQLite::Exception& e) {
            throw ArchiveError(
                kCannotRead.arg(QFileInfo(path).fileName(), QString::fromUtf8(e.what())));
        }
    }

    static SQLite::Database open(const QString& path) {
        return reading(path, [&] {
            SQLite::Database db(archivefile::nativePath(path), SQLite::OPEN_READONLY);
            db.setBusyTimeout(lockwait::kGisExportMs);
            return db;
        });
    }

    static qint64 count(SQLite::Database& db, const QString& path, const char* sql) {
        return reading(path, [&] { return db.execAndGet(sql).getInt64(); });
    }

    static void walk(SQLite::Database& db, const QString& path, const char* sql,
                     const Each& each) {
        reading(path, [&] {
            SQLite::Statement row(db, sql);
            const Row values = [&row](int i) { return columnValue(row.getColumn(i)); };
            while (row.executeStep())
                if (!each(values)) return;
        });
    }

    QString areaPath_, placePath_;
    SQLite::Database areas_, places_;
};

class ServerArchives : public GisArchives {
public:
    explicit ServerArchives(const QString& folder)
        : server_(atlasserver::connection(folder)) {
        serving(Archives::kAreaFile, [&] {
            const bool outermost = server_.depth() == 0;
            server_.begin();
            if (outermost)
                server_.exec("set transaction isolation level repeatable read, read only");
        });
    }
    ~ServerArchives() override { server_.rollback(); }

    QHash<QString, areadatums::SheetDatum> datums() override {
        return serving(Archives::kAreaFile, [&] { return areadatums::readAll(server_); });
    }
    QHash<QString, SheetPoints> points() override {
        return serving(Archives::kAreaFile, [&] { return areacalibrations::readAll(server_); });
    }
    QStringList sheetNames() override {
        return serving(Archives::kAreaFile, [&] {
            const server::Result r = server_.exec(kServerSheetNames);
            QStringList names;
            for (int i = 0; i < r.rows(); ++i)
                names << fieldText(r.value(i, 0));
            return names;
        });
    }
    qint64 sheetCount() override {
        return serving(Archives::kAreaFile,
                       [&] { return server_.exec("select count(*) from area").integer(0, 0); });
    }
    qint64 placeCount() override {
        return serving(Archives::kLocalityFile, [&] {
            return server_.exec("select count(*) from localita").integer(0, 0);
        });
    }
    void sheets(const Each& each) override {
        serving(Archives::kAreaFile, [&] { visit(server_.exec(kServerAreas), each); });
    }
    void places(const Each& each) override {
        serving(Archives::kLocalityFile, [&] {
            server_.exec(kServerPlaces);
            for (;;) {
                const server::Result r = server_.exec(kServerFetch);
                if (r.rows() == 0 || !visit(r, each)) break;
            }
            server_.exec(kServerClose);
        });
    }

private:
    template <class Fn> auto serving(const char* file, Fn&& fn) -> decltype(fn()) {
        try {
            return fn();
        } catch (const server::ServerError& e) {
            atlasserver::fail(QString::fromLatin1(file), server_, e);
        }
    }

    static bool visit(const server::Result& r, const Each& each) {
        for (int i = 0; i < r.rows(); ++i)
            if (!each([&r, i](int column) { return r.value(i, column); })) return false;
        return true;
    }

    server::Connection& server_;
};

} // namespace

std::unique_ptr<GisArchives> GisArchives::open(const QString& folder) {
    if (atlasserver::onServer(folder)) return std::make_unique<ServerArchives>(folder);
    return std::make_unique<FileArchives>(folder);
}

} // namespace orvena::gis
