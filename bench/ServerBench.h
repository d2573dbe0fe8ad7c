#pragma once

// What the server benchmarks share: a database of their own on the server
// named by the environment (tests/support/with-postgres.sh starts one), the
// generated archives of PlacesArchive.h loaded onto it by the program's own
// load, and the figures printed as the other benchmarks print them.

#include "PlacesArchive.h"

#include "core/archive/Archives.h"
#include "core/archive/ServerLoad.h"
#include "core/server/ServerConnection.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace orvena::bench {

inline void check(bool ok, const QString& what) {
    if (ok) return;
    std::fprintf(stderr, "failed: %s\n", qPrintable(what));
    std::exit(1);
}

// A fresh database called name holding kSheets sheets and places places;
// its connection string.
inline QString loadedDatabase(const QString& name, int places) {
    check(!qEnvironmentVariableIsEmpty("PGHOST"),
          "no server: run as sh tests/support/with-postgres.sh BENCHMARK ...");
    server::Connection admin;
    const QString problem = admin.open(QStringLiteral("dbname=postgres"));
    check(problem.isEmpty(), problem);
    admin.exec(("DROP DATABASE IF EXISTS " + name).toUtf8().constData());
    admin.exec(("CREATE DATABASE " + name).toUtf8().constData());
    QTemporaryDir dir;
    Archives archives;
    check(archives.openAll(dir.path()).isEmpty(), "creating the archives");
    archives.closeAll();
    fillPlaces(dir.path(), places);
    const QString connection = QStringLiteral("dbname=") + name;
    QElapsedTimer t;
    t.start();
    const serverload::Outcome loaded = serverload::load(dir.path(), connection);
    check(loaded.problem.isEmpty(), loaded.problem);
    std::printf("%lld places on %lld sheets loaded onto the server in %.1f s\n",
                loaded.places, loaded.areas, t.elapsed() / 1000.0);
    // The server's planner statistics, as its autovacuum would make them.
    server::Connection c;
    check(c.open(connection).isEmpty(), "connecting to the loaded database");
    c.exec("ANALYZE");
    return connection;
}

inline double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, std::size_t(p / 100.0 * double(v.size())))];
}

// Runs fn n times; prints the median and the largest time.
template <class Fn> void timed(const char* what, int n, Fn&& fn, double goalMs = 0) {
    std::vector<double> ms;
    for (int i = 0; i < n; ++i) {
        QElapsedTimer t;
        t.start();
        fn(i);
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::printf("%-58s median %8.2f ms  max %8.2f ms", what, percentile(ms, 50),
                *std::max_element(ms.begin(), ms.end()));
    if (goalMs > 0) std::printf("  (goal < %g ms)", goalMs);
    std::printf("\n");
}

} // namespace orvena::bench
