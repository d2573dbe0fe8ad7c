#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// Changes of the archives that a crash or a kill stopped before their commit
// ended: the engine left a hot journal beside each file it was writing (and,
// for a change of two files, a super-journal naming both journals). They are
// rolled back before anything reads the files. Not part of the interface the
// windows use.
namespace orvena::archivefile {

// A file that should be one of our archives, and the table that makes it so.
struct ArchiveOnDisk {
    QString path;
    QString table;
};

struct Recovery {
    // Empty, or the Italian message for the file that stopped the recovery
    // (not one of ours, damaged, locked, read-only); no file was changed
    // then, unless the engine itself failed while rolling a file back.
    QString problem;
    // The bare names of the archives brought back to their state before the
    // interrupted change, in the order they were given.
    QStringList restored;
};

// Each archive of the list that has a hot journal is first judged on a
// private copy of it and its journal, rolled back there by the engine: only
// if every such copy reads as one of our archives are the files themselves
// opened for writing, which rolls them back in place (the engine deletes the
// super-journal with the last of its journals). A file whose journal belongs
// to a change that had already committed keeps its content and is not
// counted as restored. A super-journal of one of the archives that no
// journal that can still be rolled back names (the change was stopped before
// its journals pointed to it, or before their headers were written) is
// removed once no other connection is writing its files, and so is what a
// compaction stopped before its rename left beside an archive.
Recovery recoverInterruptedChanges(const std::vector<ArchiveOnDisk>& archives);

// The four archives of the folder: area.mdb, localita.mdb, esparea.mdb and
// esplocalita.mdb, with their tables.
std::vector<ArchiveOnDisk> folderArchives(const QString& folder);
// The four archives of the folder that holds path, and path itself (with its
// table) when it is none of them.
std::vector<ArchiveOnDisk> archivesBeside(const QString& path, const QString& table);

// The message after a recovery, e.g. "L'ultima modifica agli archivi
// area.mdb e localita.mdb non era stata completata: gli archivi sono stati
// riportati allo stato precedente." Empty for an empty list.
QString restoredMessage(const QStringList& names);

} // namespace orvena::archivefile
