#include "core/archive/Compaction.h"

#include "core/archive/ArchiveFile.h"
#include "core/archive/Archives.h"
#include "core/archive/MaintenanceSession.h"
#include "core/archive/Transaction.h"
#include "core/base/SafeSave.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <SQLiteCpp/SQLiteCpp.h>
#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <system_error>

namespace orvena {

using maintenance::Failure;
using maintenance::Session;

namespace {

// The compacted archive is written under this name beside the archive, then
// renamed over it.
const char* const kNewSuffix = "-compatto";
// Engine instructions between two looks at the progress during the rewrite.
constexpr int kInstructionsPerLook = 200000;

std::filesystem::path fsPath(const QString& path) {
    return std::filesystem::path(path.toStdU16String());
}

struct Watch {
    const Progress* progress;
    QString file;
    qint64 total;
    bool cancelled = false;
};

int watchRewrite(void* data) {
    auto* watch = static_cast<Watch*>(data);
    if (!watch->progress || !*watch->progress) return 0;
    const qint64 written = QFileInfo(watch->file).size();
    if (!(*watch->progress)(std::min(written, watch->total), watch->total)) watch->cancelled = true;
    return watch->cancelled ? 1 : 0;
}

// The engine's code for what the file system refused.
int codeOf(const std::error_code& error) {
    if (error == std::errc::permission_denied || error == std::errc::operation_not_permitted ||
        error == std::errc::read_only_file_system)
        return SQLITE_READONLY;
    if (error == std::errc::no_space_on_device) return SQLITE_FULL;
    return SQLITE_IOERR_WRITE;
}

void removeLeftover(const QString& path, const QString& blame) {
    if (QFileInfo::exists(path) && !QFile::remove(path)) throw Failure{blame, SQLITE_IOERR_DELETE};
}

} // namespace

QString compactedCopyName(const QString& fileName) {
    return fileName.left(fileName.size() - 4) + QStringLiteral("comp.mdb");
}

MaintenanceResult compactArchive(const QString& folder, const QString& fileName,
                                 const Progress& progress, const FaultPoint& fault) {
    const QDir dir(folder);
    const QString archive = dir.filePath(fileName);
    const QString fresh = archive + QLatin1String(kNewSuffix);
    const QString copyName = compactedCopyName(fileName);
    const QString copy = dir.filePath(copyName);
    const std::string file = fileName.toStdString();
    bool replaced = false;
    try {
        if (!QFileInfo(archive).isFile()) throw Failure{fileName, SQLITE_NOTFOUND};
        // Holding the write lock keeps any other writer out until the
        // compacted file has taken the archive's place. Opening it also rolls
        // back what an interrupted writer may have left in a journal.
        Session lock(folder, file.c_str(), Session::Access::ReadWrite);
        TransactionLevels held("compaction", TransactionLevels::Lock::Immediate);
        if (const int code = held.begin(lock.handle()); code != SQLITE_OK)
            throw lock.failure(fileName, code);
        lock.number("SELECT count(*) FROM sqlite_master", fileName);
        removeLeftover(fresh, fileName);
        lock.faultAt(fault, "compact:locked", fileName);

        {
            Session reader(folder, file.c_str(), Session::Access::ReadOnly);
            // The rewrite reads each page once: a small cache serves it best.
            reader.exec("PRAGMA cache_size = -2000", fileName);
            Watch watch{&progress, fresh, QFileInfo(archive).size()};
            sqlite3_progress_handler(reader.handle(), kInstructionsPerLook, watchRewrite, &watch);
            sqlite3_stmt* vacuum = nullptr;
            int code = sqlite3_prepare_v2(reader.handle(), "VACUUM INTO ?", -1, &vacuum, nullptr);
            if (code == SQLITE_OK) {
                const QByteArray target = QFile::encodeName(QDir::toNativeSeparators(fresh));
                sqlite3_bind_text(vacuum, 1, target.constData(), -1, SQLITE_TRANSIENT);
                code = sqlite3_step(vacuum);
            }
            sqlite3_finalize(vacuum);
            if (watch.cancelled) {
                QFile::remove(fresh);
                return MaintenanceResult::cancelled();
            }
            if (code != SQLITE_DONE) throw reader.failure(fileName, code);
        }
        lock.faultAt(fault, "compact:written", fileName);
        if (syncToDisk(fresh) != 0) throw Failure{fileName, SQLITE_IOERR_FSYNC};
        lock.faultAt(fault, "compact:synced", fileName);

        std::error_code error;
#ifdef _WIN32
        // Windows renames no file that is open: let go of the lock first.
        held.rollback(lock.handle());
#endif
        std::filesystem::rename(fsPath(fresh), fsPath(archive), error);
        if (error) throw Failure{fileName, codeOf(error)};
        replaced = true;
        syncToDisk(folder, true);
    } catch (const Failure& failure) {
        if (!replaced) QFile::remove(fresh);
        return failure.result();
    }

    // The archive is compacted; now its copy.
    try {
        if (fault && fault("compact:copy")) throw Failure{copyName, SQLITE_IOERR_WRITE};
        std::error_code error;
        std::filesystem::copy_file(fsPath(archive), fsPath(copy),
                                   std::filesystem::copy_options::overwrite_existing, error);
        if (error) throw Failure{copyName, codeOf(error)};
    } catch (const Failure& failure) {
        QFile::remove(copy);
        return failure.result();
    }
    return {};
}

void dropUnfinishedCompaction(const QString& path) {
    const QString fresh = path + QLatin1String(kNewSuffix);
    const QStringList leftovers{fresh, fresh + QLatin1String("-journal")};
    if (!QFileInfo(path).isFile() ||
        std::none_of(leftovers.begin(), leftovers.end(),
                     [](const QString& file) { return QFileInfo(file).isFile(); }))
        return;
    try {
        // With no wait: a compaction under way holds the lock and refuses it.
        SQLite::Database archive(archivefile::nativePath(path), SQLite::OPEN_READWRITE);
        archive.exec("BEGIN IMMEDIATE");
        for (const QString& file : leftovers)
            QFile::remove(file);
    } catch (const SQLite::Exception&) {
        // Busy, read-only or not ours: left for a later start.
    }
}

QString compactionMessage(const CompactionReport& report) {
    if (report.cancelled)
        return QStringLiteral("Compattazione annullata: nessun dato è stato modificato; gli "
                              "archivi non ancora compattati sono rimasti com'erano.");
    if (report.failures.isEmpty()) return QStringLiteral("Data Base compattati.");
    QStringList names, problems;
    for (const MaintenanceResult& failure : report.failures) {
        names << failure.file;
        if (!problems.contains(failure.problem())) problems << failure.problem();
    }
    if (report.failures.size() >= 4)
        return QStringLiteral("Nessun Data Base è stato compattato. %1 Gli archivi sono rimasti "
                              "com'erano.")
            .arg(problems.join(u' '));
    return QStringLiteral("Data Base compattati, tranne %1. %2 Gli archivi non compattati sono "
                          "rimasti com'erano.")
        .arg(names.join(QStringLiteral(", ")), problems.join(u' '));
}

CompactionReport compactArchives(const QString& folder, const std::array<RecordView*, 4>& data,
                                 const Progress& progress, const FaultPoint& fault) {
    // area.mdb, localita.mdb, esparea.mdb, esplocalita.mdb.
    const std::array<RecordView*, 4> views = {data[0], data[1], data[3], data[2]};
    const QDir dir(folder);
    qint64 total = 0;
    for (const RecordView* view : views)
        total += QFileInfo(dir.filePath(view->fileName())).size();

    CompactionReport report;
    qint64 before = 0;
    for (RecordView* view : views) {
        const qint64 size = QFileInfo(dir.filePath(view->fileName())).size();
        const Progress step = [&](qint64 done, qint64) {
            return !progress || progress(before + std::min(done, size), total);
        };
        view->close();
        const MaintenanceResult result = compactArchive(folder, view->fileName(), step, fault);
        // The view comes back on its file, whatever happened to it.
        const QString reopened = view->open(folder);
        if (!reopened.isEmpty() && result.done())
            report.failures << MaintenanceResult::failed(view->fileName(), SQLITE_CANTOPEN);
        if (reopened.isEmpty()) {
            try {
                view->refresh();
            } catch (const ArchiveError&) {
                // An unreadable record source shows again at its next use.
            }
        }
        if (result.outcome == MaintenanceResult::Outcome::Cancelled) {
            report.cancelled = true;
            break;
        }
        if (!result.done()) report.failures << result;
        before += size;
        if (progress && !progress(before, total)) {
            report.cancelled = true;
            break;
        }
    }
    return report;
}

} // namespace orvena
