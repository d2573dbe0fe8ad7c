#pragma once

#include <QTemporaryDir>
#include <QUrl>
#include <QWidget>

class QHelpEngine;
class QHelpIndexWidget;
class QLineEdit;
class QTabWidget;
class QTextBrowser;

namespace orvena {

// The program's help viewer: the guide in a compiled help file, with a
// keyword field and the keyword index on the left and the page on the right.
// It opens at the keyword search, with the guide's first page on show.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    // Shows helpFile in the one help window of the program, at its keyword
    // search. Nothing when the file is not a help file; why goes into error.
    static HelpWindow* open(const QString& helpFile, QString* error = nullptr);

    // The program's help file, orvena.hlp in the working folder, and the
    // messages that tell it is missing, not a guide of the program, or not a
    // file at all (a folder, a pipe).
    static QString workingFolderFile();
    static QString missingMessage(const QString& helpFile);
    static QString unreadableMessage(const QString& helpFile);
    static QString notAFileMessage(const QString& helpFile);

    ~HelpWindow() override;

    QLineEdit* keywordField() const { return keyword_; }
    QHelpIndexWidget* indexList() const;
    QTextBrowser* pageView() const { return page_; }
    // The page on show.
    QUrl shownPage() const;
    // Whether the keyword index is ready (it is built in the background).
    bool indexReady() const { return indexReady_; }

    // Shows the first page the keyword leads to; false when it leads nowhere.
    bool showKeyword(const QString& keyword);

private:
    explicit HelpWindow(const QString& helpFile);
    bool load(QString* error);
    void toKeywordSearch();
    void filterIndex();

    QString helpFile_;
    QString namespace_;
    QTemporaryDir collectionFolder_;
    QHelpEngine* engine_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QLineEdit* keyword_ = nullptr;
    QTextBrowser* page_ = nullptr;
    bool indexReady_ = false;
};

} // namespace orvena
