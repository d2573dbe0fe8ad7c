#include "core/geo/SheetLookup.h"

#include "core/archive/ArchiveFile.h"
#include "core/archive/Archives.h"
#include "core/archive/AreaDatums.h"
#include "core/archive/FieldText.h"
#include "core/archive/SqlTexts.h"

#include <QDir>

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <sqlite3.h>

#include <utility>

namespace orvena {

namespace {

// How long a read waits for another connection's write to end.
constexpr int kBusyWaitMs = 700;

QVariant columnValue(const SQLite::Column& column) {
    switch (column.getType()) {
    case SQLITE_INTEGER:
        return QVariant(static_cast<qlonglong>(column.getInt64()));
    case SQLITE_FLOAT:
        return QVariant(column.getDouble());
    case SQLITE_TEXT:
        return QVariant(QString::fromUtf8(column.getText(), column.getBytes()));
    case SQLITE_BLOB:
        return QVariant(QByteArray(static_cast<const char*>(column.getBlob()), column.getBytes()));
    default:
        return {};
    }
}

QString columnText(const SQLite::Statement& row, const char* name) {
    return fieldText(columnValue(row.getColumn(name)));
}

std::optional<double> columnNumber(const SQLite::Statement& row, const char* name) {
    return storedNumber(columnValue(row.getColumn(name)));
}

// A read-only connection to one archive of folder; every engine failure
// inside fn becomes the ArchiveError that names the file.
template <class Fn> auto reading(const QString& folder, const char* file, Fn&& fn) {
    try {
        SQLite::Database db(archivefile::nativePath(QDir(folder).filePath(QString::fromLatin1(file))),
                            SQLite::OPEN_READONLY);
        db.setBusyTimeout(kBusyWaitMs);
        return fn(db);
    } catch (const SQLite::Exception& e) {
        throw ArchiveError(QString::fromLatin1(file), resultCode(e));
    }
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

Sheet SheetLookup::sheet(const QString& name, bool* listed) const {
    if (listed) *listed = false;
    if (name.isEmpty()) return {};
    Sheet found = reading(folder_, Archives::kAreaFile, [&](SQLite::Database& db) {
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
    return withDatum(reading(folder_, Archives::kAreaFile, [&](SQLite::Database& db) {
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
    return reading(folder_, Archives::kAreaFile, [&](SQLite::Database& db) {
        QStringList names;
        SQLite::Statement row(db, sql::kAreaList);
        while (row.executeStep())
            names << columnText(row, "AREA");
        return names;
    });
}

QStringList SheetLookup::places(const QString& area) const {
    return reading(folder_, Archives::kLocalityFile, [&](SQLite::Database& db) {
        QStringList names;
        SQLite::Statement row(db, sql::kLocalityOfAreaOrdered);
        row.bind(1, area.toStdString());
        while (row.executeStep())
            if (columnText(row, "AREA") == area) names << columnText(row, "LOCALITA");
        return names;
    });
}

std::optional<Place> SheetLookup::place(const QString& area, const QString& name) const {
    return reading(folder_, Archives::kLocalityFile, [&](SQLite::Database& db) {
        SQLite::Statement row(db, sql::kLocalityOfArea);
        row.bind(1, area.toStdString());
        while (row.executeStep())
            if (columnText(row, "AREA") == area && columnText(row, "LOCALITA") == name)
                return std::optional<Place>(placeOf(row));
        return std::optional<Place>();
    });
}

std::vector<Place> SheetLookup::placesNamed(const QString& name) const {
    return reading(folder_, Archives::kLocalityFile, [&](SQLite::Database& db) {
        std::vector<Place> places;
        SQLite::Statement row(db, sql::kLocalityByName);
        row.bind(1, name.toStdString());
        while (row.executeStep())
            places.push_back(placeOf(row));
        return places;
    });
}

} // namespace orvena
