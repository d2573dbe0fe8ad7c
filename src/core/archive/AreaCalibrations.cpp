#include "core/archive/AreaCalibrations.h"

#include "core/archive/ArchiveFile.h"
#include "core/archive/Archives.h"
#include "core/archive/AtlasServer.h"
#include "core/archive/AreaDatums.h"
#include "core/archive/FieldText.h"
#include "core/archive/WorkingPair.h"
#include "core/server/ServerConnection.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStringList>

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

#include <array>
#include <cmath>

namespace orvena {

namespace {

// How long a read waits for another connection's write to end.
constexpr int kBusyWaitMs = 500;

// The first AREA record of exactly that name (letter case included).
constexpr const char* kFindArea = "SELECT rowid FROM main.AREA WHERE AREA = ?1 AND AREA = ?1"
                                  " COLLATE BINARY ORDER BY rowid LIMIT 1";
constexpr const char* kUpdateArea =
    "UPDATE main.AREA SET COLA = ?2, COLO = ?3, PXLAO = ?4, SECLAO = ?5, PXLOO = ?6,"
    " SECLOO = ?7 WHERE rowid = ?1";
constexpr const char* kInsertArea =
    "INSERT INTO main.AREA (AREA, COLA, COLO, PXLAO, SECLAO, PXLOO, SECLOO)"
    " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)";

std::string table(const char* schema) {
    return std::string(schema) + "." + areacalibrations::kTable;
}

bool present(SQLite::Database& db) {
    return db.execAndGet(areacalibrations::existsIn("main")).getInt() != 0;
}

QString text(const SQLite::Column& column) {
    return QString::fromUtf8(column.getText(), column.getBytes());
}

QByteArray pointsJson(const SheetPoints& s) {
    QJsonArray points;
    for (const TiePoint& p : s.points)
        points.append(QJsonArray{p.x, p.y, p.inGrid ? "g" : "c", p.north, p.east});
    return QJsonDocument(points).toJson(QJsonDocument::Compact);
}

QByteArray borderJson(const SheetPoints& s) {
    QJsonArray border;
    for (const QPointF& p : s.border)
        border.append(QJsonArray{p.x(), p.y()});
    return QJsonDocument(border).toJson(QJsonDocument::Compact);
}

bool finiteNumber(const QJsonValue& v) {
    return v.isDouble() && std::isfinite(v.toDouble());
}

// A row as stored; nothing when any part of it does not read.
std::optional<SheetPoints> fromRow(const QString& model, int grid, const QString& points,
                                   const QString& border) {
    SheetPoints s;
    const auto fit = fitModelFromCode(model);
    if (!fit) return std::nullopt;
    s.model = *fit;
    s.grid = grid;
    const QJsonDocument p = QJsonDocument::fromJson(points.toUtf8());
    if (!p.isArray()) return std::nullopt;
    for (const QJsonValue& v : p.array()) {
        const QJsonArray a = v.toArray();
        const QString kind = a.at(2).toString();
        if (a.size() != 5 || (kind != QLatin1String("g") && kind != QLatin1String("c")) ||
            !finiteNumber(a.at(0)) || !finiteNumber(a.at(1)) || !finiteNumber(a.at(3)) ||
            !finiteNumber(a.at(4)))
            return std::nullopt;
        s.points.push_back({a.at(0).toDouble(), a.at(1).toDouble(), kind == QLatin1String("g"),
                            a.at(3).toDouble(), a.at(4).toDouble()});
    }
    if (!border.isEmpty()) {
        const QJsonDocument b = QJsonDocument::fromJson(border.toUtf8());
        if (!b.isArray()) return std::nullopt;
        for (const QJsonValue& v : b.array()) {
            const QJsonArray a = v.toArray();
            if (a.size() != 2 || !finiteNumber(a.at(0)) || !finiteNumber(a.at(1)))
                return std::nullopt;
            s.border.emplace_back(a.at(0).toDouble(), a.at(1).toDouble());
        }
    }
    return s;
}

// The AREA fields the points were stored with, as a text of six numbers.
QString axisText(const AreaFields& f) {
    return QStringLiteral("%1 %2 %3 %4 %5 %6")
        .arg(double(float(f.cola)), 0, 'g', 9)
        .arg(double(float(f.colo)), 0, 'g', 9)
        .arg(f.pxlao)
        .arg(f.seclao)
        .arg(f.pxloo)
        .arg(f.secloo);
}

// Whether the AREA record still holds the fields its points were stored
// with; one rewritten since (a new two-point set-up, an earlier build) no
// longer goes with them.
bool sameFields(const QString& axis, const std::array<QVariant, 6>& fields) {
    const QStringList v = axis.split(u' ');
    if (v.size() != 6) return false;
    for (int i = 0; i < 6; ++i) {
        if (fields[i].isNull()) return false;
        const double stored = fields[i].toDouble(), expected = v[i].toDouble();
        if (i < 2 ? float(stored) != float(expected)
                  : std::llround(stored) != std::llround(expected))
            return false;
    }
    return true;
}

// A row of joined() (or the server's): AREA, MODEL, GRID, POINTS, BORDER,
// AXIS, then the AREA record's six fields, each value by its column.
template <class Value> std::optional<SheetPoints> fromValues(const Value& value) {
    std::array<QVariant, 6> fields;
    for (int i = 0; i < 6; ++i)
        fields[i] = value(6 + i);
    if (!sameFields(value(5).toString(), fields)) return std::nullopt;
    return fromRow(value(1).toString(), value(2).toInt(), value(3).toString(),
                   value(4).toString());
}

std::optional<SheetPoints> fromStatement(SQLite::Statement& row) {
    return fromValues([&](int i) { return columnValue(row.getColumn(i)); });
}

std::optional<SheetPoints> fromResult(const server::Result& r, int row) {
    return fromValues([&](int i) { return r.value(row, i); });
}

constexpr const char* kServerJoined =
    "SELECT c.AREA, c.MODEL, c.GRID, c.POINTS, c.BORDER, c.AXIS, a.COLA, a.COLO, a.PXLAO,"
    " a.SECLAO, a.PXLOO, a.SECLOO FROM area_calibration c JOIN area a ON a.AREA = c.AREA";

// The rows with the fields of their sheet's AREA record.
std::string joined(const std::string& where) {
    return "SELECT c.AREA, c.MODEL, c.GRID, c.POINTS, c.BORDER, c.AXIS, a.COLA, a.COLO,"
           " a.PXLAO, a.SECLAO, a.PXLOO, a.SECLOO FROM " +
           table("main") +
           " c JOIN main.AREA a ON a.AREA = c.AREA AND a.AREA = c.AREA COLLATE BINARY" + where;
}

// The points row's columns after its sheet's name.
std::vector<server::Parameter> rowValues(const QString& area, const SheetPoints& points,
                                         const AreaFields& fields) {
    return {area.toUtf8(),
            fitModelCode(points.model).toUtf8(),
            QByteArray::number(points.grid),
            pointsJson(points),
            borderJson(points),
            axisText(fields).toUtf8()};
}

// store() on the atlas's server, inside the pair's transaction: the sheet's
// first row of exactly that name (in the order rows were added) gets the
// fields, or a row is added.
void storeOnServer(server::Connection& c, const QString& area, const SheetPoints& points,
                   const AreaFields& fields) {
    const server::Parameter name = area.toUtf8();
    const server::Result found =
        c.exec("SELECT id FROM area WHERE AREA = $1 ORDER BY id LIMIT 1 FOR UPDATE", {name});
    const std::vector<server::Parameter> values = {found.rows() > 0 ? found.bytes(0, 0)
                                                                    : name.value(),
                                                   QByteArray::number(fields.cola, 'g', 17),
                                                   QByteArray::number(fields.colo, 'g', 17),
                                                   QByteArray::number(fields.pxlao),
                                                   QByteArray::number(fields.seclao),
                                                   QByteArray::number(fields.pxloo),
                                                   QByteArray::number(fields.secloo)};
    c.exec(found.rows() > 0
               ? "UPDATE area SET COLA = $2, COLO = $3, PXLAO = $4, SECLAO = $5, PXLOO = $6, "
                 "SECLOO = $7 WHERE id = $1"
               : "INSERT INTO area (AREA, COLA, COLO, PXLAO, SECLAO, PXLOO, SECLOO) "
                 "VALUES ($1, $2, $3, $4, $5, $6, $7)",
           values);
    c.exec("INSERT INTO area_calibration (AREA, MODEL, GRID, POINTS, BORDER, AXIS) VALUES "
           "($1, $2, $3, $4, $5, $6) ON CONFLICT (AREA) DO UPDATE SET MODEL = $2, GRID = $3, "
           "POINTS = $4, BORDER = $5, AXIS = $6",
           rowValues(area, points, fields));
}

} // namespace

namespace areacalibrations {

std::string createIn(const std::string& schema) {
    return "CREATE TABLE IF NOT EXISTS " + schema + "." + kTable +
           " (AREA TEXT NOT NULL PRIMARY KEY, MODEL TEXT, GRID INTEGER, POINTS TEXT,"
           " BORDER TEXT, AXIS TEXT)";
}

std::string existsIn(const std::string& schema) {
    return "SELECT count(*) FROM " + schema + ".sqlite_master WHERE type = 'table' AND name = '" +
           kTable + "'";
}

std::string copyRows(const char* from, const char* areas, const char* absentFrom) {
    const auto listed = [](const char* schema) {
        return "EXISTS (SELECT 1 FROM " + std::string(schema) +
               ".AREA a WHERE a.AREA IS d.AREA AND a.AREA IS d.AREA COLLATE BINARY)";
    };
    return "INSERT OR IGNORE INTO " + table("main") +
           " (AREA, MODEL, GRID, POINTS, BORDER, AXIS) SELECT d.AREA, d.MODEL, d.GRID,"
           " d.POINTS, d.BORDER, d.AXIS FROM " +
           table(from) + " d WHERE " + listed(areas) +
           (absentFrom ? " AND NOT " + listed(absentFrom) : std::string());
}

QHash<QString, SheetPoints> readAll(SQLite::Database& db) {
    QHash<QString, SheetPoints> all;
    if (!present(db)) return all;
    SQLite::Statement row(db, joined(""));
    while (row.executeStep())
        if (const auto s = fromStatement(row)) all.insert(text(row.getColumn(0)), *s);
    return all;
}

QHash<QString, SheetPoints> readAll(server::Connection& connection) {
    QHash<QString, SheetPoints> all;
    const server::Result r =
        connection.exec((std::string(kServerJoined) + " ORDER BY a.id").c_str());
    for (int i = 0; i < r.rows(); ++i)
        if (const auto s = fromResult(r, i)) all.insert(r.text(i, 0), *s);
    return all;
}

std::optional<SheetPoints> readIn(const QString& folder, const QString& area) {
    if (atlasserver::onServer(folder)) {
        try {
            const server::Result r = atlasserver::connection(folder).exec(
                (std::string(kServerJoined) + " WHERE c.AREA = $1 ORDER BY a.id").c_str(),
                {area.toUtf8()});
            for (int i = 0; i < r.rows(); ++i)
                if (const auto s = fromResult(r, i)) return s;
        } catch (const std::exception&) {
        }
        return std::nullopt;
    }
    try {
        SQLite::Database db(archivefile::nativePath(
                                QDir(folder).filePath(QString::fromLatin1(Archives::kAreaFile))),
                            SQLite::OPEN_READONLY);
        db.setBusyTimeout(kBusyWaitMs);
        if (!present(db)) return std::nullopt;
        SQLite::Statement row(db, joined(" WHERE c.AREA = ?"));
        row.bind(1, area.toStdString());
        while (row.executeStep())
            if (const auto s = fromStatement(row)) return s;
        return std::nullopt;
    } catch (const SQLite::Exception&) {
        return std::nullopt;
    }
}

void store(WorkingPair& pair, const QString& area, const SheetPoints& points,
           const AreaFields& fields, const QString& datumCode) {
    if (pair.onServer()) {
        pair.transaction([&] {
            storeOnServer(pair.server(), area, points, fields);
            if (!datumCode.isEmpty()) areadatums::store(pair, area, datumCode);
        });
        return;
    }
    SQLite::Database& db = pair.db();
    const std::string name = area.toStdString();
    pair.transaction([&] {
        SQLite::Statement find(db, kFindArea);
        find.bind(1, name);
        const bool listed = find.executeStep();
        SQLite::Statement write(db, listed ? kUpdateArea : kInsertArea);
        if (listed)
            write.bind(1, find.getColumn(0).getInt64());
        else
            write.bind(1, name);
        write.bind(2, fields.cola);
        write.bind(3, fields.colo);
        write.bind(4, fields.pxlao);
        write.bind(5, fields.seclao);
        write.bind(6, fields.pxloo);
        write.bind(7, fields.secloo);
        write.exec();

        db.exec(createIn("main"));
        SQLite::Statement put(db, "INSERT INTO " + table("main") +
                                      " (AREA, MODEL, GRID, POINTS, BORDER, AXIS) VALUES (?1, ?2,"
                                      " ?3, ?4, ?5, ?6) ON CONFLICT (AREA) DO UPDATE SET"
                                      " MODEL = ?2, GRID = ?3, POINTS = ?4, BORDER = ?5,"
                                      " AXIS = ?6");
        put.bind(1, name);
        put.bind(2, fitModelCode(points.model).toStdString());
        put.bind(3, points.grid);
        put.bind(4, pointsJson(points).toStdString());
        put.bind(5, borderJson(points).toStdString());
        put.bind(6, axisText(fields).toStdString());
        put.exec();
        if (!datumCode.isEmpty()) areadatums::store(pair, area, datumCode);
    });
}

void forget(WorkingPair& pair, const QString& area) {
    if (pair.onServer()) {
        pair.transaction([&] {
            pair.server().exec("DELETE FROM area_calibration WHERE AREA = $1", {area.toUtf8()});
        });
        return;
    }
    SQLite::Database& db = pair.db();
    pair.transaction([&] {
        if (!present(db)) return;
        SQLite::Statement drop(db, "DELETE FROM " + table("main") + " WHERE AREA = ?");
        drop.bind(1, area.toStdString());
        drop.exec();
    });
}

void forgetUnlessListed(SQLite::Database& db, const QString& area) {
    if (!present(db)) return;
    SQLite::Statement drop(db, "DELETE FROM " + table("main") +
                                   " WHERE AREA = ?1 AND NOT EXISTS (SELECT 1 FROM main.AREA"
                                   " WHERE AREA = ?1 AND AREA = ?1 COLLATE BINARY)");
    drop.bind(1, area.toStdString());
    drop.exec();
}

void forgetUnlessListed(server::Connection& server, const QString& area) {
    server.exec("DELETE FROM area_calibration WHERE AREA = $1 AND NOT EXISTS "
                "(SELECT 1 FROM area WHERE AREA = $1)",
                {area.toUtf8()});
}

} // namespace areacalibrations

} // namespace orvena
