#include "core/geo/SheetLookup.h"

#include "core/archive/ArchiveFile.h"
#include "core/archive/Archives.h"
#include "core/archive/AreaDatums.h"
#include "core/archive/FieldText.h"
#include "core/archive/LockWaits.h"
#include "core/archive/AtlasServer.h"
#include "core/archive/Schema.h"
#include "core/archive/SqlTexts.h"
#include "core/server/ServerConnection.h"

#include <QDir>
#include <QFileInfo>

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <sqlite3.h>

#include <functional>
#include <string>
#include <utility>

namespace orvena {

namespace {

// A field of the row being read, by name, as the engine gives it.
using Field = std::function<QVariant(const char*)>;

Field fieldsOf(const SQLite::Statement& row) {
    return [&row](const char* name) { return columnValue(row.getColumn(name)); };
}

QString columnText(const Field& row, const char* name) {
    return fieldText(row(name));
}

std::optional<double> columnNumber(const Field& row, const char* name) {
    return storedNumber(row(name));
}

Sheet sheetOf(const Field& row) {
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

Place placeOf(const Field& row) {
    Place p{columnText(row, "AREA"), columnText(row, "LOCALITA"), {}, columnNumber(row, "PX"),
            columnNumber(row, "PY")};
    const char* fields[] = {"LAGR", "LAMN", "LASE", "LOGR", "LOMN", "LOSE"};
    for (std::size_t i = 0; i < p.angles.size(); ++i)
        p.angles[i] = columnText(row, fields[i]);
    return p;
}

// The server's reads: the rows of the files' queries above in the same order
// (a filter through a name's index: the rows in the order they were added),
// each found through the index on the folded names.
#define NOCASE(field) "orvena_nocase(" field ") COLLATE \"C\""
template <std::size_t N> std::string fieldList(const std::array<const char*, N>& columns) {
    std::string list;
    for (const char* c : columns)
        list += (list.empty() ? "" : ", ") + std::string(c);
    return list;
}
const std::string kServerArea = "select " + fieldList(schema::kAreaColumns) +
                                " from area where " NOCASE("AREA") " = orvena_nocase($1)"
                                " order by id";
constexpr const char* kServerAreaNames = "select AREA from area order by id";
constexpr const char* kServerPlaceNames =
    "select LOCALITA from localita where " NOCASE("AREA") " = orvena_nocase($1) and AREA = $1"
    " order by " NOCASE("LOCALITA") " nulls first, id";
const std::string kServerPlace =
    "select " + fieldList(schema::kLocalityColumns) + " from localita where " NOCASE(
        "AREA") " = orvena_nocase($1) and " NOCASE("LOCALITA") " = orvena_nocase($2)"
                                                              " and AREA = $1 and LOCALITA = $2"
                                                              " order by id limit 1";
const std::string kServerPlacesNamed = "select " + fieldList(schema::kLocalityColumns) +
                                       " from localita where " NOCASE(
                                           "LOCALITA") " = orvena_nocase($1) order by id";
#undef NOCASE

// The first column of every row, as the files' texts read.
QStringList columnOf(const server::Result& r) {
    QStringList texts;
    for (int i = 0; i < r.rows(); ++i)
        texts << fieldText(r.value(i, 0));
    return texts;
}

template <std::size_t N>
Field fieldsOf(const server::Result& r, int row, const std::array<const char*, N>& columns) {
    return [&r, row, &columns](const char* name) {
        for (std::size_t i = 0; i < N; ++i)
            if (qstrcmp(columns[i], name) == 0) return r.value(row, int(i));
        return QVariant();
    };
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

// The same on a server atlas, through the program's kept connection; a
// failure of the server told as the archive's.
template <class Fn> auto SheetLookup::serving(Archive archive, Fn&& fn) const {
    server::Connection& connection = atlasserver::connection(folder_);
    try {
        return fn(connection);
    } catch (const server::ServerError& e) {
        atlasserver::fail(QString::fromLatin1(archive == Archive::Areas ? Archives::kAreaFile
                                                                          : Archives::kLocalityFile),
                          connection, e);
    }
}

bool SheetLookup::onServer() const {
    return atlasserver::onServer(folder_);
}

Sheet SheetLookup::sheet(const QString& name, bool* listed) const {
    if (listed) *listed = false;
    if (name.isEmpty()) return {};
    if (onServer())
        return withDatum(serving(Archive::Areas, [&](server::Connection& c) {
            const server::Result r = c.exec(kServerArea.c_str(), {name.toUtf8()});
            if (listed) *listed = r.rows() > 0;
            for (int i = 0; i < r.rows(); ++i)
                if (r.text(i, 0) == name) return sheetOf(fieldsOf(r, i, schema::kAreaColumns));
            return Sheet{};
        }));
    Sheet found = reading(Archive::Areas, [&](SQLite::Database& db) {
        // The engine ignores letter case here; the first exact name is the sheet.
        SQLite::Statement row(db, sql::kAreaByName);
        row.bind(1, name.toStdString());
        while (row.executeStep()) {
            if (listed) *listed = true;
            if (columnText(fieldsOf(row), "AREA") == name) return sheetOf(fieldsOf(row));
        }
        return Sheet{};
    });
    return withDatum(std::move(found));
}

Sheet SheetLookup::sheetCaseBlind(const QString& name) const {
    if (onServer())
        return withDatum(serving(Archive::Areas, [&](server::Connection& c) {
            const server::Result r = c.exec(kServerArea.c_str(), {name.toUtf8()});
            return r.rows() > 0 ? sheetOf(fieldsOf(r, 0, schema::kAreaColumns)) : Sheet{};
        }));
    return withDatum(reading(Archive::Areas, [&](SQLite::Database& db) {
        SQLite::Statement row(db, sql::kAreaByNameCommandLine);
        row.bind(1, name.toStdString());
        return row.executeStep() ? sheetOf(fieldsOf(row)) : Sheet{};
    }));
}

Sheet SheetLookup::withDatum(Sheet sheet) const {
    if (sheet.exists()) sheet.datum = areadatums::readIn(folder_, sheet.name);
    return sheet;
}

QStringList SheetLookup::sheetNames() const {
    if (onServer())
        return serving(Archive::Areas, [&](server::Connection& c) {
            return columnOf(c.exec(kServerAreaNames));
        });
    return reading(Archive::Areas, [&](SQLite::Database& db) {
        QStringList names;
        SQLite::Statement row(db, sql::kAreaList);
        while (row.executeStep())
            names << columnText(fieldsOf(row), "AREA");
        return names;
    });
}

QStringList SheetLookup::places(const QString& area) const {
    if (onServer())
        return serving(Archive::Places, [&](server::Connection& c) {
            return columnOf(c.exec(kServerPlaceNames, {area.toUtf8()}));
        });
    return reading(Archive::Places, [&](SQLite::Database& db) {
        QStringList names;
        SQLite::Statement row(db, sql::kLocalityOfAreaOrdered);
        row.bind(1, area.toStdString());
        while (row.executeStep())
            if (columnText(fieldsOf(row), "AREA") == area)
                names << columnText(fieldsOf(row), "LOCALITA");
        return names;
    });
}

std::optional<Place> SheetLookup::place(const QString& area, const QString& name) const {
    if (onServer())
        return serving(Archive::Places, [&](server::Connection& c) {
            const server::Result r =
                c.exec(kServerPlace.c_str(), {area.toUtf8(), name.toUtf8()});
            return r.rows() > 0
                       ? std::optional<Place>(placeOf(fieldsOf(r, 0, schema::kLocalityColumns)))
                       : std::nullopt;
        });
    return reading(Archive::Places, [&](SQLite::Database& db) {
        SQLite::Statement row(db, sql::kLocalityOfArea);
        row.bind(1, area.toStdString());
        while (row.executeStep())
            if (columnText(fieldsOf(row), "AREA") == area &&
                columnText(fieldsOf(row), "LOCALITA") == name)
                return std::optional<Place>(placeOf(fieldsOf(row)));
        return std::optional<Place>();
    });
}

std::vector<Place> SheetLookup::placesNamed(const QString& name) const {
    if (onServer())
        return serving(Archive::Places, [&](server::Connection& c) {
            const server::Result r = c.exec(kServerPlacesNamed.c_str(), {name.toUtf8()});
            std::vector<Place> places;
            for (int i = 0; i < r.rows(); ++i)
                places.push_back(placeOf(fieldsOf(r, i, schema::kLocalityColumns)));
            return places;
        });
    return reading(Archive::Places, [&](SQLite::Database& db) {
        std::vector<Place> places;
        SQLite::Statement row(db, sql::kLocalityByName);
        row.bind(1, name.toStdString());
        while (row.executeStep())
            places.push_back(placeOf(fieldsOf(row)));
        return places;
    });
}

} // namespace orvena
