// Choosing a sheet of 1,000 places among 1,000,000 on a server atlas: the
// reads a sheet move makes (the sheet by name with its datum, the names of its
// places, one place) through the program's kept connection. Run it with a
// server of its own:
//
//   tests/support/with-postgres.sh bench_serverlookup [sheets] [places] [runs]
//                                                     (defaults 1000, 1000, 21)
#include "core/archive/AtlasServer.h"
#include "core/geo/SheetLookup.h"
#include "core/server/ServerConnection.h"
#include "core/server/ServerSchema.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace orvena;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int sheets = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int places = argc > 2 ? std::atoi(argv[2]) : 1000;
    const int runs = argc > 3 ? std::atoi(argv[3]) : 21;
    if (qEnvironmentVariableIsEmpty("PGHOST")) {
        std::fprintf(stderr, "run it through tests/support/with-postgres.sh\n");
        return 2;
    }
    server::Connection admin;
    if (const QString e = admin.open("dbname=postgres"); !e.isEmpty()) return 1;
    admin.exec("DROP DATABASE IF EXISTS bench_letture");
    admin.exec("CREATE DATABASE bench_letture");
    server::Connection db;
    if (const QString e = db.open("dbname=bench_letture"); !e.isEmpty()) return 1;
    QElapsedTimer load;
    load.start();
    db.begin();
    serverschema::create(db);
    db.exec("INSERT INTO area (AREA, COLA, COLO, PXLAO, SECLAO, PXLOO, SECLOO, EST) "
            "SELECT 'foglio' || lpad(s::text, 4, '0') || '.jpg', 2, 3, 100, 162000, 100, "
            "32400, 'foglio' || lpad((s + 1)::text, 4, '0') || '.jpg' "
            "FROM generate_series(0, $1::int - 1) s",
            {QByteArray::number(sheets)});
    db.exec("INSERT INTO area_datum SELECT AREA, 'EPSG:4265', NULL FROM area");
    db.exec("INSERT INTO localita (AREA, LOCALITA, LAGR, LAMN, LASE, LOGR, LOMN, LOSE, PX, PY) "
            "SELECT 'foglio' || lpad(s::text, 4, '0') || '.jpg', "
            "'LOCALITA ' || lpad(p::text, 5, '0'), 45, 1, 2, 9, 3, 4, p * 10, p * 5 "
            "FROM generate_series(0, $1::int - 1) s, generate_series(0, $2::int - 1) p",
            {QByteArray::number(sheets), QByteArray::number(places)});
    db.commit();
    db.exec("ANALYZE");
    std::printf("%d sheets, %lld places loaded in %.1f s\n", sheets,
                static_cast<long long>(sheets) * places, load.elapsed() / 1000.0);

    QTemporaryDir folder;
    QFile setting(folder.filePath(atlasserver::kSettingFile));
    if (!setting.open(QIODevice::WriteOnly) || setting.write("dbname=bench_letture\n") <= 0)
        return 1;
    setting.close();
    const SheetLookup lookup(folder.path());
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const QString name =
            QStringLiteral("foglio%1.jpg").arg((i * 397) % sheets, 4, 10, QLatin1Char('0'));
        QElapsedTimer t;
        t.start();
        const Sheet sheet = lookup.sheet(name);
        const QStringList names = lookup.places(name);
        const auto place = lookup.place(name, names.value(names.size() / 2));
        ms.push_back(t.nsecsElapsed() / 1e6);
        if (!sheet.exists() || names.size() != places || !place || sheet.datum.code.isEmpty())
            return 1;
    }
    std::sort(ms.begin(), ms.end());
    std::printf("choosing a sheet of %d places (sheet, datum, place names, one place): "
                "median %.2f ms, worst %.2f ms over %d runs (the first one connects)\n",
                places, ms[ms.size() / 2], ms.back(), runs);
    return 0;
}
