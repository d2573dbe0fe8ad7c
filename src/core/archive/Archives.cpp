#include "core/archive/Archives.h"

#include "core/archive/ArchiveFailure.h"
#include "core/archive/ArchiveFile.h"
#include "core/archive/AtlasServer.h"
#include "core/archive/InterruptedChange.h"
#include "core/archive/Schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <SQLiteCpp/SQLiteCpp.h>
#include <sqlite3.h>

#include <array>

namespace orvena {

namespace {

const std::vector<BoundSpec> kData1Boxes = {
    {"d1area", "AREA"},     {"d1cola", "COLA"},   {"d1colo", "COLO"},     {"d1pxlao", "PXLAO"},
    {"d1seclao", "SECLAO"}, {"d1pxloo", "PXLOO"}, {"d1secloo", "SECLOO"}, {"d1nord", "NORD"},
    {"d1est", "EST"},       {"d1sud", "SUD"},     {"d1ovest", "OVEST"}};

const std::vector<BoundSpec> kData2Boxes = {
    {"d2area", "AREA"}, {"d2loc", "LOCALITA"}, {"d2lagr", "LAGR"}, {"d2lamn", "LAMN"},
    {"d2lase", "LASE"}, {"d2logr", "LOGR"},    {"d2lomn", "LOMN"}, {"d2lose", "LOSE"},
    {"d2px", "PX"},     {"d2py", "PY"}};

const std::vector<BoundSpec> kData3Boxes = {{"d3area", "AREA"}, {"d3localita", "LOCALITA"},
                                            {"d3lagr", "LAGR"}, {"d3lamn", "LAMN"},
                                            {"d3lase", "LASE"}, {"d3logr", "LOGR"},
                                            {"d3lomn", "LOMN"}, {"d3lose", "LOSE"},
                                            {"d3px", "PX"},     {"d3py", "PY"}};

const std::vector<BoundSpec> kData4Boxes = {
    {"d4area", "AREA"},     {"d4cola", "COLA"},   {"d4colo", "COLO"},     {"d4pxlao", "PXLAO"},
    {"d4seclao", "SECLAO"}, {"d4pxloo", "PXLOO"}, {"d4secloo", "SECLOO"}, {"d4nord", "NORD"},
    {"d4est", "EST"},       {"d4sud", "SUD"},     {"d4ovest", "OVEST"}};

const char* createStatement(const QString& table) {
    if (table.compare(QLatin1String(schema::kAreaTable), Qt::CaseInsensitive) == 0)
        return schema::kCreateArea;
    if (table.compare(QLatin1String(schema::kLocalityTable), Qt::CaseInsensitive) == 0)
        return schema::kCreateLocality;
    return nullptr;
}

} // namespace

Archives::Archives(QObject* owner)
    : Data1(new RecordView(QStringLiteral("Data1"), QLatin1String(kAreaFile),
                           QLatin1String(schema::kAreaTable), kData1Boxes, owner))
    , Data2(new RecordView(QStringLiteral("Data2"), QLatin1String(kLocalityFile),
                           QLatin1String(schema::kLocalityTable), kData2Boxes, owner))
    , Data3(new RecordView(QStringLiteral("Data3"), QLatin1String(kExchangeLocalityFile),
                           QLatin1String(schema::kLocalityTable), kData3Boxes, owner))
    , Data4(new RecordView(QStringLiteral("Data4"), QLatin1String(kExchangeAreaFile),
                           QLatin1String(schema::kAreaTable), kData4Boxes, owner))
    , ownsViews_(owner == nullptr) {}

Archives::~Archives() {
    if (!ownsViews_) return;
    delete Data1;
    delete Data2;
    delete Data3;
    delete Data4;
}

QString Archives::openAll(const QString& folder) {
    closeAll();
    const atlasserver::Setting setting = atlasserver::of(folder);
    if (!setting.problem.isEmpty()) return setting.problem;
    // On a server the areas and places are there; the exchange files stay
    // in the folder, as the way atlases travel.
    const std::vector<RecordView*> views =
        setting.onServer() ? std::vector<RecordView*>{Data3, Data4}
                           : std::vector<RecordView*>{Data1, Data2, Data3, Data4};
    const QDir dir(folder);

    // First only read: a file that is not ours stops everything before any
    // file is created or changed. An interrupted change of archives of ours
    // is rolled back first, judged by what the files hold once rolled back.
    createdFiles_.clear();
    restoredFiles_.clear();
    const archivefile::Recovery recovery =
        archivefile::recoverInterruptedChanges(archivefile::folderArchives(folder));
    if (!recovery.problem.isEmpty()) return recovery.problem;
    restoredFiles_ = recovery.restored;
    for (const RecordView* view : views) {
        const QString path = dir.filePath(view->fileName());
        if (!QFileInfo::exists(path)) continue;
        const QString problem =
            archivefile::check(path, view->table(), archivefile::requiredColumns(view->table()));
        if (!problem.isEmpty()) return problem;
    }

    for (const RecordView* view : views) {
        const QString path = dir.filePath(view->fileName());
        const bool existed = QFileInfo::exists(path);
        const QString problem = createArchive(path, view->table().toLatin1().constData());
        if (!problem.isEmpty()) return problem;
        if (!existed) createdFiles_ << view->fileName();
    }

    if (setting.onServer()) {
        for (RecordView* view : {Data1, Data2}) {
            const QString problem = view->openOnServer(setting.connection);
            if (!problem.isEmpty()) {
                closeAll();
                return problem;
            }
        }
    }
    for (RecordView* view : views) {
        const QString problem = view->open(folder);
        if (!problem.isEmpty()) {
            closeAll();
            return problem;
        }
    }
    return {};
}

QString Archives::restoredMessage() const {
    return archivefile::restoredMessage(restoredFiles_);
}

void Archives::giveViewsTo(QObject* owner) {
    for (RecordView* view : {Data1, Data2, Data3, Data4})
        view->setParent(owner);
    ownsViews_ = false;
}

void Archives::closeAll() {
    for (RecordView* view : {Data1, Data2, Data3, Data4})
        view->close();
}

QString createArchive(const QString& path, const char* table) {
    const QString tableName = QString::fromLatin1(table);
    if (QFileInfo::exists(path))
        return archivefile::check(path, tableName, archivefile::requiredColumns(tableName));

    const char* create = createStatement(tableName);
    if (create == nullptr)
        return archivefile::cannotCreate(path,
                                         QStringLiteral("tabella %1 sconosciuta").arg(tableName));

    int failure = SQLITE_OK;
    try {
        SQLite::Database db(archivefile::nativePath(path),
                            SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        SQLite::Transaction transaction(db);
        db.exec(create);
        for (const char* index : archivefile::indexStatements(tableName))
            db.exec(index);
        transaction.commit();
    } catch (const SQLite::Exception& e) {
        failure = resultCode(e);
    }
    if (failure == SQLITE_OK) return {};
    // The file did not exist before: what was left of it is ours to remove.
    QFile::remove(path);
    QFile::remove(path + QLatin1String("-journal"));
    return archivefile::engineRefusal(path, failure);
}

} // namespace orvena
