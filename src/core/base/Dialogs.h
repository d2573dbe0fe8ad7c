#pragma once

#include "core/base/Printing.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace orvena {

// Message box buttons and answers, with the numbers the program has always
// used for them.
enum class Buttons { Ok = 0, OkCancel = 1, YesNo = 4 };
enum Answer : int { AnswerOk = 1, AnswerCancel = 2, AnswerYes = 6, AnswerNo = 7 };
// The button of a question that Enter presses: OK or Yes (Accept), Cancel or
// No (Decline). A question whose yes deletes or overwrites declines.
enum class DefaultButton { Accept, Decline };

// Everything modal the program shows goes through this seam: message boxes,
// questions, file dialogs, the help viewer and the printer. The program uses
// QtDialogs; tests use ScriptedDialogs, which records and answers from a queue.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A message box with no title: returns the answer of the pressed button.
    virtual int message(const QString& text, Buttons buttons = Buttons::Ok,
                        DefaultButton preset = DefaultButton::Accept) = 0;

    // A file dialog; nothing when the user cancels. filter is the
    // "description|pattern|description|pattern" text. The save dialog asks
    // nothing about a file already there: its caller does, after its own
    // checks of the name.
    virtual std::optional<QString> openFile(const QString& title, const QString& filter,
                                            const QString& folder) = 0;
    virtual std::optional<QString> saveFile(const QString& title, const QString& filter,
                                            const QString& folder) = 0;
    // An open dialog where several files may be chosen; an implementation
    // without one offers openFile's single file.
    virtual std::optional<QStringList> openFiles(const QString& title, const QString& filter,
                                                 const QString& folder) {
        const auto file = openFile(title, filter, folder);
        if (!file) return std::nullopt;
        return QStringList{*file};
    }

    // A folder chooser starting at folder; nothing when the user cancels. An
    // implementation without one cancels.
    virtual std::optional<QString> chooseFolder(const QString& title, const QString& folder) {
        (void)title;
        (void)folder;
        return std::nullopt;
    }

    // Opens the help file at its keyword search. False when it cannot be shown.
    virtual bool showHelp(const QString& helpFile) = 0;

    // Prints each document on a page of its own, on the default printer. With
    // no printer installed, writes each as the PDF file pdfFolder/name.pdf
    // instead. No printer dialog is shown.
    virtual PrintOutcome print(const QList<PrintDocument>& documents, const QString& pdfFolder) = 0;
};

// The one instance the program's windows use.
Dialogs& dialogs();
// Replaces it (tests install a ScriptedDialogs); returns the previous one.
Dialogs* setDialogs(Dialogs* d);

} // namespace orvena
