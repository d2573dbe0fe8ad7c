#pragma once

#include "archive/Archives.h"

#include <QObject>
#include <QStringList>

// The archive layer: record views, bound texts and start-up of the files.
class ArchiveTest : public QObject {
    Q_OBJECT

private slots:
    // RecordViewTest.cpp
    void walkDeletingCurrentVisitsEveryOtherOnce_data();
    void walkDeletingCurrentVisitsEveryOtherOnce();
    void recordAddedDuringWalkWaitsForRefresh();
    void filterIgnoresCaseWalkDoesNot();
    void namesAreBoundNotPasted_data();
    void namesAreBoundNotPasted();
    void emptyResult_data();
    void emptyResult();
    void writtenValuesTakeTheColumnKind_data();
    void writtenValuesTakeTheColumnKind();
    void unknownFieldIsAnError();
    void failedTransactionLeavesArchiveUnchanged();

    // FieldTextTest.cpp
    void fieldText_data();
    void fieldText();

    // ArchivesTest.cpp
    void missingArchivesAreCreated();
    void existingArchivesOpenAndGainIndexes();
    void foreignFileIsLeftUntouched_data();
    void foreignFileIsLeftUntouched();

    // ArchiveFailureTest.cpp
    void failureMessage_data();
    void failureMessage();
    void engineFailureNamesTheArchive_data();
    void engineFailureNamesTheArchive();
};

namespace archivetest {

// Adds an area record with the given name through the view.
void addArea(orvena::RecordView& view, const QString& name);
// Walks the view's current result from the first record and returns the text
// of the box at every record.
QStringList walk(orvena::RecordView& view, const char* box);

} // namespace archivetest
