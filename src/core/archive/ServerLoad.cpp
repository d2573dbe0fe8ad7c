#include "core/archive/ServerLoad.h"

#include "core/archive/ArchiveFile.h"
#include "core/archive/Archives.h"
#include "core/archive/AreaCalibrations.h"
#include "core/archive/AreaDatums.h"
#include "core/archive/Schema.h"
#include "core/server/ServerConnection.h"
#include "core/server/ServerSchema.h"

#include <QDir>
#include <SQLiteCpp/SQLiteCpp.h>
#include <sqlite3.h>

#include <vector>

namespace orvena::serverload {

namespace {

const QString kNotEmpty = QStringLiteral(
    "Il database del server %1 non è vuoto: gli archivi si caricano solo in un database "
    "vuoto. Sul server non è stato scritto nulla.");
const QString kBadValue = QStringLiteral(
    "Nell'archivio %1 %2 ha nel campo %3 il valore «%4», che non è un numero: sul server %5 "
    "non è stato scritto nulla.");
const QString kUnreadable =
    QStringLiteral("L'archivio %1 non si può leggere (%2): sul server %3 non è stato scritto "
                   "nulla.");
const QString kStopped =
    QStringLiteral("Caricamento interrotto: sul server %1 non è stato scritto nulla.");
const QString kDone = QStringLiteral("Sul server %1 sono stati caricati %2 fogli e %3 località.");

enum class Kind { Text, Integer, Real };

struct Column {
    const char* name;
    Kind kind;
};

// A value the server's field cannot take: which record, which field, what.
struct BadValue {
    QString record;
    QString field;
    QString value;
};

struct Stopped {};

// One table of a file copied onto the server: the select over the file (its
// columns in the order of columns), the COPY statement, and how a row is
// named in a message.
struct Copy {
    std::string select;
    const char* copy;
    std::vector<Column> columns;
    std::function<QString(SQLite::Statement&)> record;
};

server::Parameter valueOf(SQLite::Statement& row, int i, const Column& column,
                          const std::function<QString(SQLite::Statement&)>& record) {
    const SQLite::Column value = row.getColumn(i);
    const int type = value.getType();
    if (type == SQLITE_NULL) return std::nullopt;
    if (column.kind == Kind::Text) return QByteArray(value.getText(), value.getBytes());
    if (type == SQLITE_INTEGER) return QByteArray::number(qlonglong(value.getInt64()));
    if (type == SQLITE_FLOAT) {
        const double d = value.getDouble();
        if (column.kind == Kind::Real) return QByteArray::number(d, 'g', 17);
        if (d == double(qlonglong(d))) return QByteArray::number(qlonglong(d));
    }
    throw BadValue{record(row), QString::fromLatin1(column.name),
                   QString::fromUtf8(value.getText(), value.getBytes())};
}

qint64 copyTable(server::Connection& server, SQLite::Database& db, const Copy& copy,
                 qint64& done, qint64 total, const Progress& progress) {
    SQLite::Statement row(db, copy.select);
    qint64 rows = 0;
    server.copyIn(copy.copy, [&](QByteArray& piece) {
        // A few hundred rows at a time, each as one line of COPY's text.
        for (int n = 0; n < 500; ++n) {
            if (!row.executeStep()) return false;
            for (int i = 0; i < int(copy.columns.size()); ++i) {
                if (i > 0) piece += '\t';
                server::appendCopyField(piece, valueOf(row, i, copy.columns[std::size_t(i)],
                                                       copy.record));
            }
            piece += '\n';
            ++rows;
            ++done;
        }
        if (progress && !progress(done, total)) throw Stopped{};
        return true;
    });
    return rows;
}

bool hasTable(SQLite::Database& db, const char* table) {
    SQLite::Statement q(db, "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND "
                            "name = ? COLLATE NOCASE");
    q.bind(1, table);
    return q.executeStep() && q.getColumn(0).getInt() > 0;
}

bool hasColumn(SQLite::Database& db, const char* table, const char* column) {
    SQLite::Statement q(db, std::string("SELECT count(*) FROM pragma_table_info('") + table +
                                "') WHERE name = ? COLLATE NOCASE");
    q.bind(1, column);
    return q.executeStep() && q.getColumn(0).getInt() > 0;
}

qint64 countOf(SQLite::Database& db, const char* table) {
    SQLite::Statement q(db, std::string("SELECT count(*) FROM ") + table);
    return q.executeStep() ? q.getColumn(0).getInt64() : 0;
}

QString text(SQLite::Statement& row, int i) {
    return QString::fromUtf8(row.getColumn(i).getText());
}

const std::vector<Column> kAreaColumns = {
    {"AREA", Kind::Text},      {"COLA", Kind::Real},      {"COLO", Kind::Real},
    {"PXLAO", Kind::Integer},  {"SECLAO", Kind::Integer}, {"PXLOO", Kind::Integer},
    {"SECLOO", Kind::Integer}, {"NORD", Kind::Text},      {"EST", Kind::Text},
    {"SUD", Kind::Text},       {"OVEST", Kind::Text}};
const std::vector<Column> kLocalityColumns = {
    {"AREA", Kind::Text},    {"LOCALITA", Kind::Text}, {"LAGR", Kind::Integer},
    {"LAMN", Kind::Integer}, {"LASE", Kind::Integer},  {"LOGR", Kind::Integer},
    {"LOMN", Kind::Integer}, {"LOSE", Kind::Integer},  {"PX", Kind::Real},
    {"PY", Kind::Real}};
const std::vector<Column> kCalibrationColumns = {
    {"AREA", Kind::Text},   {"MODEL", Kind::Text},  {"GRID", Kind::Integer},
    {"POINTS", Kind::Text}, {"BORDER", Kind::Text}, {"AXIS", Kind::Text}};

std::string selectOf(const char* table, const std::vector<Column>& columns,
                     const char* order = "rowid") {
    std::string select = "SELECT ";
    for (std::size_t i = 0; i < columns.size(); ++i)
        select += std::string(i ? ", " : "") + columns[i].name;
    return select + " FROM " + table + " ORDER BY " + order;
}

// Places that were already written twice on a sheet keep every copy: each
// copy after the first gets its number, so the constraint holds.
constexpr const char* kNumberDuplicates =
    "UPDATE localita l SET doppione = d.n FROM ("
    "  SELECT id, row_number() OVER (PARTITION BY AREA, LOCALITA ORDER BY id) - 1 AS n "
    "  FROM localita) d WHERE l.id = d.id AND d.n > 0";

} // namespace

Outcome load(const QString& folder, const QString& connection, const Progress& progress) {
    Outcome outcome;
    const QDir dir(folder);
    const QString areaPath = dir.filePath(QString::fromLatin1(Archives::kAreaFile));
    const QString placePath = dir.filePath(QString::fromLatin1(Archives::kLocalityFile));
        for (const auto& [path, table] : {std::pair{areaPath, schema::kAreaTable},
                                      std::pair{placePath, schema::kLocalityTable}}) {
        const QString name = QString::fromLatin1(table);
        if (!QFileInfo::exists(path)) {
            outcome.problem = archivefile::missing(path);
            return outcome;
        }
        const QString problem =
            archivefile::describe(path, name, archivefile::requiredColumns(name));
        if (!problem.isEmpty()) {
            outcome.problem = problem;
            return outcome;
        }
    }

    server::Connection server;
    if (outcome.problem = server.open(connection); !outcome.problem.isEmpty()) return outcome;
    outcome.server = server.name();
    QString reading = QString::fromLatin1(Archives::kAreaFile);
    try {
        SQLite::Database areas(archivefile::nativePath(areaPath), SQLite::OPEN_READONLY);
        reading = QString::fromLatin1(Archives::kLocalityFile);
        SQLite::Database places(archivefile::nativePath(placePath), SQLite::OPEN_READONLY);
        // Each file read as one snapshot: a change made meanwhile is not half copied.
        places.exec("BEGIN");
        areas.exec("BEGIN");
        reading = QString::fromLatin1(Archives::kAreaFile);
        const qint64 total = countOf(areas, schema::kAreaTable) +
                             countOf(places, schema::kLocalityTable);

        server.exec("BEGIN");
        if (!serverschema::isEmpty(server)) {
            server.exec("ROLLBACK");
            outcome.problem = kNotEmpty.arg(server.name());
            return outcome;
        }
        for (const char* statement : serverschema::kTables)
            server.exec(statement);

        qint64 done = 0;
        outcome.areas = copyTable(
            server, areas,
            Copy{selectOf(schema::kAreaTable, kAreaColumns),
                 "COPY area (AREA, COLA, COLO, PXLAO, SECLAO, PXLOO, SECLOO, NORD, EST, SUD, "
                 "OVEST) FROM STDIN",
                 kAreaColumns,
                 [](SQLite::Statement& row) {
                     return QStringLiteral("il foglio %1").arg(text(row, 0));
                 }},
            done, total, progress);
        if (hasTable(areas, areadatums::kTable)) {
            const bool operation =
                hasColumn(areas, areadatums::kTable, areadatums::kOperationColumn);
            Copy datums{std::string("SELECT AREA, DATUM, ") +
                            (operation ? "OPERAZIONE" : "NULL") + " FROM " +
                            areadatums::kTable + " ORDER BY rowid",
                        "COPY area_datum (AREA, DATUM, OPERAZIONE) FROM STDIN",
                        {{"AREA", Kind::Text}, {"DATUM", Kind::Text}, {"OPERAZIONE", Kind::Text}},
                        [](SQLite::Statement& row) {
                            return QStringLiteral("il datum del foglio %1").arg(text(row, 0));
                        }};
            copyTable(server, areas, datums, done, total, progress);
        }
        if (hasTable(areas, areacalibrations::kTable)) {
            Copy points{selectOf(areacalibrations::kTable, kCalibrationColumns),
                        "COPY area_calibration (AREA, MODEL, GRID, POINTS, BORDER, AXIS) "
                        "FROM STDIN",
                        kCalibrationColumns, [](SQLite::Statement& row) {
                            return QStringLiteral("i punti del foglio %1").arg(text(row, 0));
                        }};
            copyTable(server, areas, points, done, total, progress);
        }
        reading = QString::fromLatin1(Archives::kLocalityFile);
        outcome.places = copyTable(
            server, places,
            Copy{selectOf(schema::kLocalityTable, kLocalityColumns),
                 "COPY localita (AREA, LOCALITA, LAGR, LAMN, LASE, LOGR, LOMN, LOSE, PX, PY) "
                 "FROM STDIN",
                 kLocalityColumns,
                 [](SQLite::Statement& row) {
                     return QStringLiteral("la località %1 del foglio %2")
                         .arg(text(row, 1), text(row, 0));
                 }},
            done, total, progress);
        server.exec(kNumberDuplicates);
        for (const char* statement : serverschema::kKeys)
            server.exec(statement);
        // The planner's figures of the new tables, so the first queries
        // already go through the indexes.
        server.exec("ANALYZE area, localita, area_datum, area_calibration");
        server.exec("COMMIT");
        return outcome;
    } catch (const BadValue& bad) {
        outcome.problem = kBadValue.arg(reading, bad.record, bad.field, bad.value, server.name());
    } catch (const Stopped&) {
        outcome.problem = kStopped.arg(server.name());
    } catch (const server::ServerError& e) {
        outcome.problem = e.message() + QStringLiteral(" Sul server non è stato scritto nulla.");
    } catch (const SQLite::Exception& e) {
        outcome.problem = kUnreadable.arg(reading, QString::fromUtf8(e.what()), server.name());
    }
    // Whatever was begun on the server goes with the connection.
    server.close();
    outcome.areas = outcome.places = 0;
    return outcome;
}

QString doneMessage(const Outcome& outcome) {
    return kDone.arg(outcome.server).arg(outcome.areas).arg(outcome.places);
}

} // namespace orvena::serverload
