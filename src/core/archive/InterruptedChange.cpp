#include "core/archive/InterruptedChange.h"

#include "core/archive/ArchiveFailure.h"
#include "core/archive/ArchiveFile.h"
#include "core/archive/Archives.h"
#include "core/archive/Compaction.h"
#include "core/archive/LockWaits.h"
#include "core/archive/Schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <SQLiteCpp/SQLiteCpp.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <memory>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace orvena::archivefile {

namespace {

const QString kRestoredOne =
    QStringLiteral("L'ultima modifica all'archivio %1 non era stata completata: l'archivio è "
                   "stato riportato allo stato precedente.");
const QString kRestoredMany =
    QStringLiteral("L'ultima modifica agli archivi %1 non era stata completata: gli archivi sono "
                   "stati riportati allo stato precedente.");

// The end of a journal that names its super-journal: the name, its length
// and checksum (4 bytes each, big-endian) and these eight bytes.
constexpr unsigned char kJournalMagic[8] = {0xd9, 0xd5, 0x05, 0xf9, 0x20, 0xa1, 0x63, 0xd7};

// What the engine adds to an archive's name for the name of its journal.
constexpr QLatin1String kJournalSuffix("-journal");

QString journalOf(const QString& path) {
    return path + kJournalSuffix;
}

// Opens the file and reads its schema, for writing or only for reading; the
// engine's result code (SQLITE_OK when it could be read). Opened for writing,
// the first read rolls a hot journal back.
int readSchema(const QString& path, int access) {
    try {
        SQLite::Database db(nativePath(path), access);
        db.setBusyTimeout(lockwait::kWindowMs);
        db.execAndGet("select count(*) from sqlite_master");
        return SQLITE_OK;
    } catch (const SQLite::Exception& e) {
        return resultCode(e);
    }
}

// True when the engine would have to roll the file back before reading it. A
// journal that is not hot (another program writing right now, or a journal
// left empty) is no concern here.
bool hasHotJournal(const QString& path) {
    if (!QFileInfo(path).isFile() || !QFileInfo(journalOf(path)).isFile()) return false;
    return readSchema(path, SQLite::OPEN_READONLY) == SQLITE_READONLY_ROLLBACK;
}

// Tells whether the file, once its journal is rolled back, is one of our
// archives: the file and its journal are copied into a private folder and
// the engine rolls the copy back there (the journal names its super-journal
// by its full path, so the copy is rolled back exactly when the file would
// be). Empty text when it is; otherwise the message naming the file.
QString judgeRestored(const ArchiveOnDisk& archive) {
    const QString name = QFileInfo(archive.path).fileName();
    QTemporaryDir scratch;
    const QString copy = scratch.filePath(name);
    QFile file(archive.path), journal(journalOf(archive.path));
    if (!scratch.isValid() || !file.copy(copy) || !journal.copy(journalOf(copy))) {
        const QString reason = !scratch.isValid()               ? scratch.errorString()
                               : file.error() != QFile::NoError ? file.errorString()
                                                                : journal.errorString();
        return cannotOpen(archive.path, reason);
    }
    const int code = readSchema(copy, SQLite::OPEN_READWRITE);
    // A journal the engine could not deal with stays beside the copy.
    if (QFileInfo::exists(journalOf(copy)))
        return engineRefusal(archive.path, code == SQLITE_OK ? SQLITE_READONLY_ROLLBACK : code);
    return check(copy, archive.table, requiredColumns(archive.table));
}

QString canonical(const QString& path) {
    return QFileInfo(path).canonicalFilePath();
}

// The engine's checksum of a super-journal's name: the sum of its bytes as
// chars.
quint32 nameChecksum(const QByteArray& name) {
    quint32 sum = 0;
    for (const char c : name)
        sum += static_cast<quint32>(c);
    return sum;
}

// The path of the super-journal that the journal at journalPath names, or an
// empty text when it names none (a change of one file).
QString superJournalOf(const QString& journalPath) {
    QFile journal(journalPath);
    if (!journal.open(QIODevice::ReadOnly)) return {};
    const qint64 size = journal.size();
    if (size < 16 || !journal.seek(size - 16)) return {};
    const QByteArray tail = journal.read(16);
    if (tail.size() != 16 || std::memcmp(tail.constData() + 8, kJournalMagic, 8) != 0) return {};
    const quint32 length = qFromBigEndian<quint32>(tail.constData());
    const quint32 checksum = qFromBigEndian<quint32>(tail.constData() + 4);
    if (length == 0 || length > size - 16 || length > 65536 || !journal.seek(size - 16 - length))
        return {};
    const QByteArray name = journal.read(length);
    if (name.size() != static_cast<qsizetype>(length) || nameChecksum(name) != checksum) return {};
    const qsizetype end = name.indexOf('\0');
    return QString::fromUtf8(end < 0 ? name : name.left(end));
}

// Replaces the super-journal at path by one that lists its journals in dir,
// where the folder is now; false when it lists no journal named journalName
// (another change's) or cannot be replaced.
bool relistSuperJournal(const QString& path, const QDir& dir, const QString& journalName) {
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) return false;
    const QByteArray listed = file.readAll();
    file.close();
    QByteArray moved;
    bool listsThis = false;
    for (const QByteArray& entry : listed.split('\0')) {
        if (entry.isEmpty()) continue;
        const QString name = QFileInfo(QString::fromUtf8(entry)).fileName();
        listsThis = listsThis || name == journalName;
        moved += QFile::encodeName(dir.absoluteFilePath(name)) + '\0';
    }
    if (!listsThis) return false;
    if (moved == listed) return true;
    QSaveFile rewritten(path);
    return rewritten.open(QIODevice::WriteOnly) && rewritten.write(moved) == moved.size() &&
           rewritten.commit();
}

// Rewrites the end of the journal to name the super-journal at super: the
// name, its length, its checksum and the magic.
void nameSuperJournal(const QString& journalPath, const QString& super) {
    QFile journal(journalPath);
    if (!journal.open(QIODevice::ReadWrite)) return;
    const qint64 size = journal.size();
    if (!journal.seek(size - 16)) return;
    const QByteArray length = journal.read(4);
    if (length.size() != 4) return;
    const qint64 at = size - 16 - qFromBigEndian<quint32>(length.constData());
    if (at < 0 || !journal.resize(at) || !journal.seek(at)) return;
    const QByteArray name = QFile::encodeName(super);
    QByteArray tail = name;
    tail.resize(name.size() + 8);
    qToBigEndian<quint32>(static_cast<quint32>(name.size()), tail.data() + name.size());
    qToBigEndian<quint32>(nameChecksum(name), tail.data() + name.size() + 4);
    tail.append(reinterpret_cast<const char*>(kJournalMagic), sizeof kJournalMagic);
    if (journal.write(tail) != tail.size() || !journal.flush()) return;
#ifndef _WIN32
    ::fsync(journal.handle());
#endif
}

// A folder moved (or copied) after a change of two files was stopped in its
// commit: its journals still name the super-journal in the old folder, where
// there is none (or, for a copy, the original's, which is rolled back or
// deleted apart from this one), and the engine would take the change as
// committed. When a super-journal of that name lies beside the journal and
// lists a journal of this name, it is made to list its journals where they
// are now and the journal to name it there, as if the folder had never
// moved. The super-journal is replaced whole; should the journal's rewrite
// be cut short, the journal names no super-journal and is rolled back alone.
void followMovedSuperJournal(const QString& journalPath) {
    const QString recorded = superJournalOf(journalPath);
    const QFileInfo journal(journalPath);
    const QDir dir = journal.absoluteDir();
    if (recorded.isEmpty() ||
        canonical(QFileInfo(recorded).absolutePath()) == canonical(dir.path()))
        return;
    const QString super = dir.absoluteFilePath(QFileInfo(recorded).fileName());
    if (relistSuperJournal(super, dir, journal.fileName())) nameSuperJournal(journalPath, super);
}

// True when the journal names the super-journal and may be rolled back: a
// journal whose header was never written (its first byte is zero) is never
// rolled back, whatever it names.
bool pointsTo(const QString& journal, const QString& super) {
    QFile file(journal);
    char first = 0;
    return file.open(QIODevice::ReadOnly) && file.getChar(&first) && first != 0 &&
           canonical(superJournalOf(journal)) == canonical(super);
}

// A super-journal that no journal points to any more stays behind when a
// change was stopped after writing it but before any journal named it: the
// engine never reads or deletes it again. It is removed once none of its
// files is being written by another connection (a change holds the write lock
// of each of its files from its first write to the end of its commit); only
// files among the archives are locked, so that nothing else is rolled back.
void dropStaleSuperJournals(const std::vector<ArchiveOnDisk>& archives) {
    QStringList ours;
    for (const ArchiveOnDisk& archive : archives)
        ours << canonical(archive.path);
    for (const ArchiveOnDisk& archive : archives) {
        const QFileInfo info(archive.path);
        const QDir dir = info.absoluteDir();
        for (const QString& name :
             dir.entryList({info.fileName() + QLatin1String("-mj*")}, QDir::Files)) {
            const QString super = dir.absoluteFilePath(name);
            QFile file(super);
            if (!file.open(QIODevice::ReadOnly)) continue;
            std::vector<std::unique_ptr<SQLite::Database>> locks;
            bool stale = true;
            for (const QByteArray& entry : file.readAll().split('\0')) {
                const QString journal = QString::fromUtf8(entry);
                const QString database = canonical(journal.chopped(
                    journal.endsWith(kJournalSuffix) ? kJournalSuffix.size() : journal.size()));
                if (database.isEmpty()) continue; // no such file: nothing to wait for
                if (!ours.contains(database)) {
                    stale = false;
                    continue;
                }
                try {
                    locks.push_back(std::make_unique<SQLite::Database>(nativePath(database),
                                                                       SQLite::OPEN_READWRITE));
                    locks.back()->exec("BEGIN IMMEDIATE");
                    stale = stale && !pointsTo(journal, super);
                } catch (const SQLite::Exception&) {
                    stale = false;
                }
            }
            file.close();
            if (stale) QFile::remove(super);
        }
    }
}

} // namespace

Recovery recoverInterruptedChanges(const std::vector<ArchiveOnDisk>& archives) {
    std::vector<ArchiveOnDisk> hot;
    for (const ArchiveOnDisk& archive : archives)
        if (hasHotJournal(archive.path)) hot.push_back(archive);

    for (const ArchiveOnDisk& archive : hot)
        followMovedSuperJournal(journalOf(archive.path));
    // Every file of the interrupted changes is judged before any is written.
    for (const ArchiveOnDisk& archive : hot)
        if (QString problem = judgeRestored(archive); !problem.isEmpty()) return {problem, {}};

    Recovery recovery;
    for (const ArchiveOnDisk& archive : hot) {
        // A journal whose super-journal is gone belongs to a change that
        // committed: the engine then only deletes it, the file stays as it is.
        const QString super = superJournalOf(journalOf(archive.path));
        const bool restores = super.isEmpty() || QFileInfo::exists(super);
        if (const int code = readSchema(archive.path, SQLite::OPEN_READWRITE); code != SQLITE_OK)
            return {engineRefusal(archive.path, code), recovery.restored};
        if (restores) recovery.restored << QFileInfo(archive.path).fileName();
    }
    dropStaleSuperJournals(archives);
    for (const ArchiveOnDisk& archive : archives)
        dropUnfinishedCompaction(archive.path);
    return recovery;
}

std::vector<ArchiveOnDisk> folderArchives(const QString& folder) {
    const QDir dir(folder);
    const QString area = QString::fromLatin1(schema::kAreaTable);
    const QString places = QString::fromLatin1(schema::kLocalityTable);
    return {{dir.filePath(QString::fromLatin1(Archives::kAreaFile)), area},
            {dir.filePath(QString::fromLatin1(Archives::kLocalityFile)), places},
            {dir.filePath(QString::fromLatin1(Archives::kExchangeAreaFile)), area},
            {dir.filePath(QString::fromLatin1(Archives::kExchangeLocalityFile)), places}};
}

std::vector<ArchiveOnDisk> archivesBeside(const QString& path, const QString& table) {
    const QFileInfo info(path);
    std::vector<ArchiveOnDisk> archives = folderArchives(info.absolutePath());
    if (std::none_of(archives.begin(), archives.end(), [&](const ArchiveOnDisk& archive) {
            return archive.path == info.absoluteFilePath();
        }))
        archives.push_back({info.absoluteFilePath(), table});
    return archives;
}

QString restoredMessage(const QStringList& names) {
    if (names.isEmpty()) return {};
    if (names.size() == 1) return kRestoredOne.arg(names.first());
    return kRestoredMany.arg(names.mid(0, names.size() - 1).join(QStringLiteral(", ")) +
                             QStringLiteral(" e ") + names.last());
}

} // namespace orvena::archivefile
