#pragma once

#include "core/base/Dialogs.h"

#include <functional>

class QFontMetrics;
class QSize;
class QWidget;

namespace orvena {

// The dialog seam as the user sees it: Qt's message boxes, file dialogs, the
// program's help viewer and the default printer (PDF files in the working
// folder when no printer is installed).
class QtDialogs : public Dialogs {
public:
    // The window that shows a help file (the program's own help viewer): true
    // when it could show the file.
    using HelpViewer = std::function<bool(const QString& helpFile)>;
    void setHelpViewer(HelpViewer viewer) { helpViewer_ = std::move(viewer); }

    int message(const QString& text, Buttons buttons, DefaultButton preset) override;
    std::optional<QString> openFile(const QString& title, const QString& filter,
                                    const QString& folder) override;
    std::optional<QStringList> openFiles(const QString& title, const QString& filter,
                                         const QString& folder) override;
    std::optional<QString> saveFile(const QString& title, const QString& filter,
                                    const QString& folder) override;
    std::optional<QString> chooseFolder(const QString& title, const QString& folder) override;
    bool showHelp(const QString& helpFile) override;
    PrintOutcome print(const QList<PrintDocument>& documents, const QString& pdfFolder) override;

private:
    HelpViewer helpViewer_;
};

// The text of a message box made to fit within `room` (pixels) when wrapped
// at word boundaries in the given font: the longest quoted part ("...") is
// shortened in its middle with "…", or, without quotes, the text's end. A
// text that fits is returned unchanged.
QString fitMessage(const QString& text, const QFontMetrics& metrics, const QSize& room);

// "desc|pattern|desc|pattern" as a Qt name filter list "desc (pattern);;...".
QString qtNameFilters(const QString& barFilter);

} // namespace orvena
