#pragma once

#include "core/base/Dialogs.h"

#include <QList>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>

namespace orvena {

// The dialog seam for tests: records every message and answers questions and
// file dialogs from queues, so no test ever blocks on a modal window. It
// installs itself while it lives.
class ScriptedDialogs : public Dialogs {
public:
    struct Shown {
        QString text;
        Buttons buttons;
        bool hourglassBusy; // whether the hourglass was up when it appeared
        DefaultButton preset;
    };

    ScriptedDialogs();
    ~ScriptedDialogs() override;
    ScriptedDialogs(const ScriptedDialogs&) = delete;
    ScriptedDialogs& operator=(const ScriptedDialogs&) = delete;

    // Answers for the next questions and file dialogs, in order. A question
    // with no queued answer gets OK (or Yes); a file dialog with none is
    // cancelled. Folder choosers take their answers from the file queue.
    void queueAnswer(int answer) { answers_.push_back(answer); }
    void queueFile(const std::optional<QString>& file) {
        files_.push_back(file.value_or(QString()));
    }

    const QList<Shown>& shown() const { return shown_; }
    // Runs inside every message box from now on (not in one it opens
    // itself), as what happens while a box shows (a timer firing, a key
    // repeating) would.
    void whileShowing(std::function<void()> events) { whileShowing_ = std::move(events); }
    QStringList texts() const;
    // The texts shown so far, and forget them.
    QStringList takeTexts();
    int fileDialogs() const { return fileDialogs_; }
    QString lastFileTitle() const { return lastFileTitle_; }
    QString lastFileFilter() const { return lastFileFilter_; }
    QStringList helpShown() const { return help_; }

    // Every document given to the printer, with its page as the PDF file
    // shows it (paintPage). With no printer installed, the default, each is
    // also written as a PDF file, as on a machine without one.
    struct PrintedPage {
        QString name;
        QPageLayout::Orientation orientation;
        QImage page;
    };
    const QList<PrintedPage>& printedPages() const { return printed_; }
    void setPrinterInstalled(bool installed) { printerInstalled_ = installed; }
    // The bytes the disk takes before it is full, for the PDF files of a
    // print (-1, the default: no limit).
    void setDiskRoom(qint64 bytes) { diskRoom_ = bytes; }

    int message(const QString& text, Buttons buttons, DefaultButton preset) override;
    std::optional<QString> openFile(const QString& title, const QString& filter,
                                    const QString& folder) override;
    std::optional<QString> saveFile(const QString& title, const QString& filter,
                                    const QString& folder) override;
    // The next queued file answers; several files are queued as one answer,
    // their names joined by '\n'.
    std::optional<QStringList> openFiles(const QString& title, const QString& filter,
                                         const QString& folder) override;
    std::optional<QString> chooseFolder(const QString& title, const QString& folder) override;
    bool showHelp(const QString& helpFile) override;
    PrintOutcome print(const QList<PrintDocument>& documents, const QString& pdfFolder) override;

private:
    std::optional<QString> nextFile(const QString& title, const QString& filter);

    Dialogs* previous_;
    QList<Shown> shown_;
    std::deque<int> answers_;
    std::deque<QString> files_; // a null text stands for a cancelled dialog
    int fileDialogs_ = 0;
    QString lastFileTitle_;
    QString lastFileFilter_;
    QStringList help_;
    QList<PrintedPage> printed_;
    bool printerInstalled_ = false;
    qint64 diskRoom_ = -1;
    std::function<void()> whileShowing_;
};

} // namespace orvena
