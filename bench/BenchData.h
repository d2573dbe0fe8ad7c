#pragma once

// The generated archives the archive benchmarks run on: 1000 sheets and any
// number of places spread over them.
#include <QString>
#include <SQLiteCpp/SQLiteCpp.h>

#include <string>

namespace orvena::bench {

constexpr int kSheets = 1000;

inline QString sheetName(int i) {
    return QStringLiteral("foglio%1.jpg").arg(i, 4, 10, QLatin1Char('0'));
}

// Fills area.mdb and localita.mdb of folder (created empty beforehand).
inline void fill(const QString& folder, int places) {
    SQLite::Database area((folder + "/area.mdb").toStdString(), SQLite::OPEN_READWRITE);
    SQLite::Database loc((folder + "/localita.mdb").toStdString(), SQLite::OPEN_READWRITE);
    SQLite::Transaction ta(area);
    SQLite::Statement addArea(area, "INSERT INTO AREA (AREA, COLA, COLO) VALUES (?, 24.25, 17)");
    for (int i = 0; i < kSheets; ++i) {
        addArea.bind(1, sheetName(i).toStdString());
        addArea.exec();
        addArea.reset();
    }
    ta.commit();
    SQLite::Transaction tl(loc);
    SQLite::Statement addPlace(loc,
                               "INSERT INTO localita VALUES (?, ?, 45, 20, 10, 9, 30, 5, ?, ?)");
    for (int i = 0; i < places; ++i) {
        addPlace.bind(1, sheetName(i % kSheets).toStdString());
        addPlace.bind(2, ("LOCALITA " + std::to_string(i)));
        addPlace.bind(3, 100.0 + i % 20000);
        addPlace.bind(4, 100.0 + i % 15000);
        addPlace.exec();
        addPlace.reset();
    }
    tl.commit();
}

} // namespace orvena::bench
