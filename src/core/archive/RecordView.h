#pragma once

#include "core/archive/ArchiveFailure.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace SQLite {
class Database;
}

namespace orvena::server {
class Connection;
}

namespace orvena {

class RecordView;

// The text of one field of a view's current record (a "bound text box").
// A QObject child of its view, named after the box (d1area, d2loc, ...).
class BoundText : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString text READ text)
public:
    BoundText(RecordView* view, QString field, const QString& objectName);
    QString text() const;
    const QString& field() const { return field_; }

private:
    RecordView* view_;
    QString field_;
};

// One bound box: the object name of the box and the field it shows.
struct BoundSpec {
    const char* box;
    const char* field;
};

// A record view (Data1 ... Data4): one database file, a record source, a
// current record, and the bound texts of that record.
//
// refresh() takes a snapshot of the keys (rowids) of the result in its order
// and reads the records themselves a block at a time as the walk reaches them,
// so a large table is never held in memory. Records deleted during a walk are
// skipped, records added during it are not visited (they show up at the next
// refresh), and the current record may be deleted without disturbing moveNext().
class RecordView : public QObject {
    Q_OBJECT
public:
    RecordView(const QString& objectName, QString fileName, QString table,
               const std::vector<BoundSpec>& boxes, QObject* parent = nullptr);
    ~RecordView() override;

    const QString& fileName() const { return fileName_; }
    const QString& table() const { return table_; }

    // Opens the file, which must exist and hold the view's table. Returns an
    // empty text on success, otherwise why it failed (the file is not touched).
    // The view then stands at the end until the first refresh(); its record
    // source is the whole table until setRecordSource() is called.
    QString open(const QString& folder);
    // Opens the view's table in the atlas on the PostgreSQL server named by
    // connection instead of the file (ServerTable): the same records in the
    // same orders, each keyed by its id; a change lost to another user's
    // meanwhile (the record changed or deleted: SQLITE_BUSY; its name taken:
    // SQLITE_CONSTRAINT) is an ArchiveError naming the record, the change
    // dropped and the view showing what is stored. onConnection() is for
    // files only.
    QString openOnServer(const QString& connection);
    bool onServer() const;
    // On a server, the server's process serving the view (whose committed
    // changes the program's listeners hear as its own); 0 otherwise.
    int serverBackend() const;
    void close();
    bool isOpen() const;

    // The record source: one of the texts of SqlTexts.h with the values bound
    // to its "?" in order. It runs at the next refresh(). ArchiveError for a
    // text that is not a "select * from ...".
    void setRecordSource(const char* sql, QStringList params = {});
    const char* recordSource() const { return source_; }
    // Runs the record source again and stands on its first record (at the end
    // when the result is empty). Drops a pending addNew() or edit().
    void refresh();

    // Reads a large result at once, which a record-at-a-time walk would take
    // seconds over: runs sql (a text of SqlTexts.h whose first field is the
    // rowid and which names the others it reads) with params bound to its "?"
    // in order, and hands fn each row's key and the UTF-8 texts of its other
    // fields (a null as the empty text). The record source and the current
    // record stay as they are. ArchiveError on an engine failure.
    using KeyedTextsFn = std::function<void(std::int64_t key, const std::string_view* texts)>;
    void readKeyedTexts(const char* sql, const QStringList& params, const KeyedTextsFn& fn);

    // What the file was when it was last read: equal stamps mean nothing has
    // been written to it since, through this view or any other connection,
    // and it has not been opened again. A stamp that is not known() (the file
    // closed, or the engine would not tell) matches nothing. On a server the
    // stamp is known while the program listens for committed changes
    // (core/archive/LiveChanges): it changes with every one heard.
    struct Stamp {
        std::uint64_t opening = 0;
        bool known() const { return opening != 0; }
        std::int64_t changes = 0;
        std::int64_t version = 0;
        friend bool operator==(const Stamp&, const Stamp&) = default;
    };
    Stamp stamp() const;

    bool eof() const;
    void moveFirst(); // ArchiveError on an empty result
    void moveNext();  // ArchiveError when already at the end

    // The bound text of a field of the current record: an integer as its
    // digits, a real as its shortest single-precision text with '.', a null as
    // the empty text. The empty text when there is no current record.
    QString text(const QString& field) const;
    BoundText* box(const char* objectName) const;

    // The walks every window makes, from the first record of the result in
    // walk order, comparing bound texts exactly (case and all: the engine's
    // filters ignore letter case, the walk does not).
    //
    // texts(): the bound text of field in every record; texts(field, where,
    // value): in every record whose bound text of where is value. The view
    // then stands at the end.
    QStringList texts(const QString& field);
    QStringList texts(const QString& field, const QString& where, const QString& value);
    // findExact(): stands on the first record whose bound texts of the fields
    // named are the values given; false, standing at the end, when none is.
    struct Exact {
        QString field;
        QString value;
    };
    bool findExact(std::initializer_list<Exact> fields);
    bool findExact(const QString& field, const QString& value) {
        return findExact({{field, value}});
    }

    // Field by name: the stored value (a null QVariant for a null): an
    // integer as qlonglong, a real as double, a text as QString. ArchiveError
    // for an unknown field or when there is no current record. Between
    // addNew()/edit() and update() it reads the values being written.
    QVariant field(const QString& name) const;

    // Writing: addNew() or edit(), setField() for each field, then update().
    // A text value is converted to the column's kind as the engine does (a
    // text reading as a number becomes that number in a numeric column); an
    // int or double is stored as such, a null QVariant as a null. After
    // update() the view stands on the record it stood on before; a record
    // added this way shows up at the next refresh().
    void addNew();
    void edit();
    void setField(const QString& name, const QVariant& value);
    void update();
    // Deletes the current record; moveNext() then goes on with the next one.
    void remove();

    // Runs fn inside one transaction on this view's file: all or nothing.
    template <class Fn> void transaction(Fn&& fn);
    // Runs fn with this view's own connection, for a write to another table
    // of the same file that must go with the view's (inside transaction()).
    // An engine failure comes out as ArchiveError naming the file.
    void onConnection(const std::function<void(SQLite::Database&)>& fn);
    // The same for a view on the server: fn gets the view's own connection,
    // inside its transaction; a server failure comes out as ArchiveError
    // naming the view's file (atlasserver::fail).
    void onServerConnection(const std::function<void(server::Connection&)>& fn);

    // The number of keys in the current result (for tests and benchmarks).
    std::size_t resultSize() const;

private:
    // Visits the records from the first while visit() answers true.
    void walk(const std::function<bool()>& visit);

    struct Impl;
    std::unique_ptr<Impl> d;
    QString fileName_;
    QString table_;
    const char* source_ = nullptr;
    void beginTransaction();
    void commit();
    void rollback();
    void undoLevel(); // the view's side of a transaction level undone
};

template <class Fn> void RecordView::transaction(Fn&& fn) {
    beginTransaction();
    try {
        fn();
    } catch (...) {
        rollback();
        throw;
    }
    commit();
}

} // namespace orvena
