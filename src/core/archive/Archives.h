#pragma once

#include "core/archive/RecordView.h"

#include <QString>
#include <QStringList>

namespace orvena {

// The four record views of the main window and their files:
//   Data1  area.mdb         AREA
//   Data2  localita.mdb     localita
//   Data3  esplocalita.mdb  localita
//   Data4  esparea.mdb      AREA
class Archives {
public:
    static constexpr const char* kAreaFile = "area.mdb";
    static constexpr const char* kLocalityFile = "localita.mdb";
    static constexpr const char* kExchangeLocalityFile = "esplocalita.mdb";
    static constexpr const char* kExchangeAreaFile = "esparea.mdb";

    // The views become children of owner; without an owner Archives deletes
    // them itself.
    explicit Archives(QObject* owner = nullptr);
    ~Archives();
    Archives(const Archives&) = delete;
    Archives& operator=(const Archives&) = delete;

    // Opens the four files in folder. A missing file is created empty with its
    // table; a file that is not one of our archives (not a database, or
    // without its table) is left exactly as it is and the Italian message
    // naming it is returned. All four files are checked before any is created
    // or opened, so a foreign file stops start-up before anything is written.
    // Empty text on success; the views then stand at their end until their
    // first refresh().
    // When the folder's atlas is on a server (core/archive/AtlasServer.h)
    // Data1 and Data2 are opened there and only the exchange files in the
    // folder; a server that cannot be reached or holds no atlas is told.
    // Archives of ours left with the hot journals of an interrupted change
    // are rolled back first, all files of the change together.
    QString openAll(const QString& folder);
    // The files the last openAll() created because they were missing.
    const QStringList& createdFiles() const { return createdFiles_; }
    // The message naming the files the last openAll() brought back to their
    // state before an interrupted change (empty when none).
    QString restoredMessage() const;
    // Makes owner the parent of the four views, which it then deletes.
    void giveViewsTo(QObject* owner);
    void closeAll();

    RecordView* Data1;
    RecordView* Data2;
    RecordView* Data3;
    RecordView* Data4;

private:
    bool ownsViews_;
    QStringList createdFiles_;
    QStringList restoredFiles_; // brought back by the last openAll()
};

// Creates the file with the table and its indexes if it does not exist; an
// existing file is only checked (never changed). Returns an empty text or the
// reason it failed. Used by openAll() and by the demo and test fixtures.
QString createArchive(const QString& path, const char* table);

} // namespace orvena
