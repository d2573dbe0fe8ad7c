#pragma once

// Records written and read through a view, and files read and written whole:
// how the tests set up the archives and look at what was stored.

#include "core/archive/RecordView.h"
#include "core/archive/SqlTexts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QStringList>
#include <SQLiteCpp/SQLiteCpp.h>

#include <initializer_list>
#include <string>
#include <utility>

namespace orvena::test {

using Fields = std::initializer_list<std::pair<const char*, QVariant>>;

// A new record of v with the given fields.
inline void addRecord(RecordView* v, Fields fields, Fields more = {}) {
    v->addNew();
    for (Fields part : {fields, more})
        for (const auto& [name, value] : part)
            v->setField(QLatin1String(name), value);
    v->update();
}

// One new record per line of "a|b|..." texts for the fields.
inline void addRecords(RecordView* v, const QStringList& fields, const QStringList& lines) {
    for (const QString& line : lines) {
        v->addNew();
        for (int i = 0; i < fields.size(); ++i)
            v->setField(fields[i], line.section(u'|', i, i));
        v->update();
    }
}

// A locality record at 45° 20' 10", 9° 50' 5".
inline void addLocality(RecordView* v, const QString& area, const QString& name, const QVariant& px,
                        const QVariant& py) {
    addRecord(v, {{"AREA", area}, {"LOCALITA", name}, {"PX", px}, {"PY", py}},
              {{"LAGR", 45}, {"LAMN", 20}, {"LASE", 10}, {"LOGR", 9}, {"LOMN", 50}, {"LOSE", 5}});
}

// Every record of the source in its order, as the texts of the given fields
// joined by '|'.
inline QStringList records(RecordView* v, const char* source, const QStringList& fields,
                           const QStringList& params = {}) {
    QStringList out;
    v->setRecordSource(source, params);
    v->refresh();
    for (; !v->eof(); v->moveNext()) {
        QStringList texts;
        for (const QString& f : fields)
            texts << v->text(f);
        out << texts.join(u'|');
    }
    return out;
}

// The rows a query gives on the database file at path, each as its values'
// texts joined by '|' (a null as NULL); params are bound to its "?" in order.
inline QStringList queryRows(const QString& path, const std::string& query,
                             const QStringList& params = {}) {
    SQLite::Database db(path.toStdString(), SQLite::OPEN_READONLY);
    SQLite::Statement q(db, query);
    for (int i = 0; i < params.size(); ++i)
        q.bind(i + 1, params[i].toStdString());
    QStringList rows;
    while (q.executeStep()) {
        QStringList values;
        for (int i = 0; i < q.getColumnCount(); ++i)
            values << (q.isColumnNull(i) ? QStringLiteral("NULL")
                                         : QString::fromUtf8(q.getColumn(i).getText()));
        rows << values.join(u'|');
    }
    return rows;
}

// The one number a query gives.
inline qint64 queryNumber(const QString& path, const std::string& query) {
    return queryRows(path, query).value(0).toLongLong();
}

// Runs the statements on the database file at path.
inline void execSql(const QString& path, const std::string& sql) {
    SQLite::Database(path.toStdString(), SQLite::OPEN_READWRITE).exec(sql);
}

// A file's bytes; empty when it cannot be read.
inline QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every file of the folder with its bytes ("-" for one that is not a regular file).
inline QMap<QString, QByteArray> bytesIn(const QString& folder) {
    QMap<QString, QByteArray> out;
    for (const QFileInfo& f : QDir(folder).entryInfoList(QDir::Files | QDir::System))
        out[f.fileName()] = f.isFile() ? fileBytes(f.filePath()) : "-";
    return out;
}

inline bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Overwrites the second page of an archive, one of its tables' pages.
inline bool damageSecondPage(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadWrite) && f.seek(4096) &&
           f.write(QByteArray(4096, '\xff')) == 4096;
}

} // namespace orvena::test
