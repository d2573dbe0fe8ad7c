#include "core/geo/SheetLookup.h"

#include "core/archive/ArchiveFile.h"
#include "core/archive/Archives.h"
#include "core/archive/AreaDatums.h"
#include "core/archive/FieldText.h"
#include "core/archive/LockWaits.h"
#include "core/archive/SqlTexts.h"

#include <QDir>
#include <QFileInfo>

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <sqlite3.h>

#include <utility>

namespace orvena {

namespace {

QString columnText(const SQLite::Statement& row, const char* name) {
    return fieldText(columnValue(row.getColumn(name)));
}

std::optional<double> columnNumber(const SQLite::Statement& row, const char* name) {
    return storedNumber(columnValue(row.getColumn(name)));
}

Sheet sheetOf(const SQLite::Statement& row) {
    Sheet sheet;
    sheet.name = columnText(row, "AREA");
    StoredCalibration& c = sheet.calibration;
    c.cola = columnNumber(row, "COLA");
    c.colo = columnNumber(row, "COLO");
    std::pair<std::optional<double>*, const char*> references[] = {
        {&c.pxlao, "PXLAO"}, {&c.seclao, "SECLAO"}, {&c.pxloo, "PXLOO"}, {&c.secloo, "SECLOO"}};
    for (auto& [value, field] : references) {
        *value = columnNumber(row, field);
        if (!*value && !columnText(row, field).isEmpty()) c.unreadableReference = true;
    }
    const char* linkFields[] = {"NORD", "EST", "SUD", "OVEST"}; // the order of Side
    for (std::size_t i = 0; i < sheet.links.size(); ++i)
        sheet.links[i] = columnText(row, linkFields[i]);
    return sheet;
}

Place placeOf(const SQLite::Statement& row) {
    Place p{columnText(row, "AREA"), columnText(row, "LOCALITA"), {}, columnNumber(row, "PX"),
            columnNumber(row, "PY")};
    const char* fields[] = {"LAGR", "LAMN", "LASE", "LOGR", "LOMN", "LOSE"};
    for (std::size_t i = 0; i < p.angles.size(); ++i)
        p.angles[i] = columnText(row, fields[i]);
    return p;
}

} // namespace

SheetLookup::SheetLookup(QString folder)
    : folder_(std::move(folder)) {}

SheetLookup::~SheetLookup() = default;
SheetLookup::SheetLookup(SheetLookup&&) noexcept = default;
SheetLookup& SheetLookup::operator=(SheetLookup&&) noexcept = default;

// The connection to one archive of the folder, opened at its first read and
// again once its file was replaced; every engine failure inside fn becomes the
// ArchiveError that names the file, and the connection is opened afresh at
// the next read.
template <class Fn> auto SheetLookup::reading(Archive archive, Fn&& fn) const {
    const char* file = archive == Archive::Areas ? Archives::kAreaFile : Archives::kLocalityFile;
    std::unique_ptr<SQLite::Database>& db = connections_[std::size_t(archive)];
    const QString name = QString::fromLatin1(file);
    const QString path = QDir(folder_).filePath(name);
    // A file replaced or removed under the program, or one that fails: the
    // sentence naming it when it is gone or no archive of ours any more,
    // otherwise the engine's reason.
    const auto failure = [&](int code) {
        db.reset();
        if (!QFileInfo::exists(path))
            return ArchiveError(name, SQLITE_CANTOPEN, archivefile::missing(path));
        const QString table =
            archive == Archive::Areas ? QStringLiteral("AREA") : QStringLiteral("localita");
        if (const QString problem =
                archivefile::describe(path, table, archivefile::requiredColumns(table));
            !problem.isEmpty())
            return ArchiveError(name, SQLITE_CANTOPEN, problem);
        return ArchiveError(name, code);
    };
    if (db && archivefile::replacedUnder(*db)) db.reset();
    try {
        if (!db) {
            db = std::make_unique<SQLite::Database>(archivefile::nativePath(path),
                                                    SQLite::OPEN_READONLY);
            db->setBusyTimeout(lockwait::kWindowMs);
        }
        return fn(*db);
    } catch (const SQLite::Exception& e) {
        throw failure(resultCode(e));
    }
}

Sheet SheetLookup::sheet(const QString& name, bool* listed) const {
    if (listed) *listed = false;
    if (name.isEmpty()) return {};
    Sheet found = reading(Archive::Areas, [&](SQLite::Database& db) {
        // The engine ignores letter case here; the first exact name is the sheet.
        SQLite::Statement row(db, sql::kAreaByName);
        row.bind(1, name.toStdString());
        while (row.executeStep()) {
            if (listed) *listed = true;
            if (columnText(row, "AREA") == name) return sheetOf(row);
        }
        return Sheet{};
    });
    return withDatum(std::move(found));
}

Sheet SheetLookup::sheetCaseBlind(const QString& name) const {
    return withDatum(reading(Archive::Areas, [&](SQLite::Database& db) {
        SQLite::Statement row(db, sql::kAreaByNameCommandLine);
        row.bind(1, name.toStdString());
        return row.executeStep() ? sheetOf(row) : Sheet{};
    }));
}

Sheet SheetLookup::withDatum(Sheet sheet) const {
    if (sheet.exists()) sheet.datum = areadatums::readIn(folder_, sheet.name);
    return sheet;
}

QStringList SheetLookup::sheetNames() const {
    return reading(Archive::Areas, [&](SQLite::Database& db) {
        QStringList names;
        SQLite::Statement row(db, sql::kAreaList);
        while (row.executeStep())
            names << columnText(row, "AREA");
        return names;
    });
}

QStringList SheetLookup::places(const QString& area) const {
    return reading(Archive::Places, [&](SQLite::Database& db) {
        QStringList names;
        SQLite::Statement row(db, sql::kLocalityOfAreaOrdered);
        row.bind(1, area.toStdString());
        while (row.executeStep())
            if (columnText(row, "AREA") == area) names << columnText(row, "LOCALITA");
        return names;
    });
}

std::optional<Place> SheetLookup::place(const QString& area, const QString& name) const {
    return reading(Archive::Places, [&](SQLite::Database& db) {
        SQLite::Statement row(db, sql::kLocalityOfArea);
        row.bind(1, area.toStdString());
        while (row.executeStep())
            if (columnText(row, "AREA") == area && columnText(row, "LOCALITA") == name)
                return std::optional<Place>(placeOf(row));
        return std::optional<Place>();
    });
}

std::vector<Place> SheetLookup::placesNamed(const QString& name) const {
    return reading(Archive::Places, [&](SQLite::Database& db) {
        std::vector<Place> places;
        SQLite::Statement row(db, sql::kLocalityByName);
        row.bind(1, name.toStdString());
        while (row.executeStep())
            places.push_back(placeOf(row));
        return places;
    });
}

} // namespace orvena
