// The throwaway PostgreSQL server of a server test (with-postgres.sh starts
// it): asking it through psql or a connection of the test's own, and an atlas
// loaded onto a database of its own there.
#pragma once

#include "core/archive/AtlasServer.h"
#include "core/archive/ServerLoad.h"
#include "core/server/ServerConnection.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTest>

// Skips the test (the whole class in initTestCase) where the machine lacks
// the server's programs.
#define ORVENA_NEEDS_SERVER()                                                                      \
    if (qEnvironmentVariableIsEmpty("ORVENA_TEST_SERVER"))                                         \
    QSKIP("no PostgreSQL server programs here (Debian package postgresql)")

namespace orvena::test {

// The role that may only read the atlases loadOnServer loads.
inline const QString kReader = QStringLiteral("lettore");

// psql's answer to sql on database (one line per row, fields joined by '|',
// double quotes read as single ones), or a failure's text.
inline QString psql(const QString& database, const QString& sql) {
    QProcess p;
    p.start("psql", {"-X", "-q", "-A", "-t", "-v", "ON_ERROR_STOP=1", "-d", database, "-c", sql});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return "psql: " + QString::fromUtf8(p.readAllStandardError());
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed().replace('"', '\'');
}

// Runs sql on database as the superuser through a connection of the test's
// own: the rows' texts, each row's fields joined by '|', a null as NULL; or
// the failure's text.
inline QStringList query(const QString& database, const QString& sql) {
    server::Connection c;
    if (const QString problem = c.open("dbname=" + database); !problem.isEmpty()) return {problem};
    QStringList out;
    try {
        const server::Result r = c.exec(sql.toUtf8().constData());
        for (int i = 0; i < r.rows(); ++i) {
            QStringList fields;
            for (int f = 0; f < r.columns(); ++f)
                fields << (r.isNull(i, f) ? "NULL" : r.text(i, f));
            out << fields.join('|');
        }
    } catch (const server::ServerError& e) {
        return {e.message()};
    }
    return out;
}

// A new database holding the archives of folder, which kReader may read:
// its name. A failed load ends the test program.
inline QString loadOnServer(const QString& folder) {
    static int databases = 0;
    const QString database = QStringLiteral("atlante%1").arg(++databases);
    if (const QString said = psql("postgres", "CREATE DATABASE " + database); !said.isEmpty())
        qFatal("%s", qPrintable(said));
    const serverload::Outcome loaded = serverload::load(folder, "dbname=" + database);
    if (!loaded.problem.isEmpty()) qFatal("%s", qPrintable(loaded.problem));
    psql(database, "DO $$BEGIN CREATE ROLE " + kReader +
                       " LOGIN; EXCEPTION WHEN "
                       "duplicate_object THEN NULL; END$$; GRANT SELECT ON ALL TABLES IN SCHEMA "
                       "public TO " +
                       kReader);
    return database;
}

// The folder's atlas kept on database from now on, reached as role (empty:
// the superuser), its setting file opened by a comment: the connection.
inline QString useServer(const QString& folder, const QString& database, const QString& role = {}) {
    atlasserver::closeConnections();
    const QString connection = "dbname=" + database + (role.isEmpty() ? "" : " user=" + role);
    QFile file(QDir(folder).filePath(atlasserver::kSettingFile));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) qFatal("no setting file");
    file.write(("# l'atlante\n" + connection + "\n").toUtf8());
    return connection;
}

} // namespace orvena::test
