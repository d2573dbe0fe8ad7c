#include "ui/windows/HelpWindow.h"

#include "core/archive/ProgramFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QHelpIndexWidget>
#include <QHelpLink>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace orvena {

namespace {

const QString kHelpMissing =
    QStringLiteral("Il file della guida %1 non è presente nella cartella %2.");
const QString kHelpUnreadable =
    QStringLiteral("Il file della guida %1 non è leggibile: non è una guida del programma.");
const QString kHelpNotAFile =
    QStringLiteral("Il file della guida %1 non è leggibile: non è un file regolare.");

// The first page of the guide, inside the help file.
const QString kFirstPage = QStringLiteral("guida/index.html");

// Pages come out of the help file; anything else the browser finds itself.
class HelpBrowser : public QTextBrowser {
public:
    HelpBrowser(QHelpEngine* engine, QWidget* parent)
        : QTextBrowser(parent)
        , engine_(engine) {}

    QVariant loadResource(int type, const QUrl& name) override {
        if (name.scheme() == QLatin1String("qthelp")) return engine_->fileData(name);
        return QTextBrowser::loadResource(type, name);
    }

private:
    QHelpEngine* engine_;
};

QPointer<HelpWindow>& theWindow() {
    static QPointer<HelpWindow> window;
    return window;
}

} // namespace

HelpWindow* HelpWindow::open(const QString& helpFile, QString* error) {
    const QString file = QFileInfo(helpFile).absoluteFilePath();
    QPointer<HelpWindow>& window = theWindow();
    if (window && window->helpFile_ != file) delete window.data();
    if (!window) {
        auto* w = new HelpWindow(file);
        if (!w->load(error)) {
            delete w;
            return nullptr;
        }
        window = w;
    }
    window->toKeywordSearch();
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

HelpWindow::HelpWindow(const QString& helpFile)
    : helpFile_(helpFile) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Orvena - Guida"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(900, 640);
}

HelpWindow::~HelpWindow() {
    // The index and the pages go before the engine whose models they show, and
    // the engine closes its collection before the temporary folder goes.
    qDeleteAll(findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
    delete engine_;
}

QHelpIndexWidget* HelpWindow::indexList() const {
    return engine_ ? engine_->indexWidget() : nullptr;
}

bool HelpWindow::load(QString* error) {
    auto fail = [this, error] {
        if (error) *error = unreadableMessage(helpFile_);
        return false;
    };
    if (!collectionFolder_.isValid()) return fail();
    namespace_ = QHelpEngineCore::namespaceName(helpFile_);
    if (namespace_.isEmpty()) return fail();
    // A collection of our own, in a temporary folder, holds just this file.
    engine_ = new QHelpEngine(collectionFolder_.filePath(QStringLiteral("orvena.qhc")), this);
    engine_->setReadOnly(false);
    engine_->setUsesFilterEngine(true);
    if (!engine_->setupData() || !engine_->registerDocumentation(helpFile_)) return fail();
    engine_->setupData();

    keyword_ = new QLineEdit;
    keyword_->setObjectName(QStringLiteral("keyword"));
    keyword_->setClearButtonEnabled(true);
    auto* keywordLabel = new QLabel(QStringLiteral("Parola da cercare:"));
    keywordLabel->setBuddy(keyword_);
    QHelpIndexWidget* index = engine_->indexWidget();
    index->setObjectName(QStringLiteral("index"));

    auto* indexPane = new QWidget;
    auto* indexLayout = new QVBoxLayout(indexPane);
    indexLayout->addWidget(keywordLabel);
    indexLayout->addWidget(keyword_);
    indexLayout->addWidget(index);

    tabs_ = new QTabWidget;
    tabs_->addTab(indexPane, QStringLiteral("Indice"));
    tabs_->addTab(engine_->contentWidget(), QStringLiteral("Sommario"));

    page_ = new HelpBrowser(engine_, nullptr);
    page_->setObjectName(QStringLiteral("page"));
    page_->setOpenExternalLinks(false);

    auto* splitter = new QSplitter;
    splitter->addWidget(tabs_);
    splitter->addWidget(page_);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({260, 640});
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(splitter);

    connect(keyword_, &QLineEdit::textChanged, this, [this] { filterIndex(); });
    connect(keyword_, &QLineEdit::returnPressed, index, &QHelpIndexWidget::activateCurrentItem);
    connect(index, &QHelpIndexWidget::documentActivated, this,
            [this](const QHelpLink& link) { page_->setSource(link.url); });
    connect(index, &QHelpIndexWidget::documentsActivated, this,
            [this](const QList<QHelpLink>& links) {
                if (!links.isEmpty()) page_->setSource(links.constFirst().url);
            });
    // The page follows the entry chosen in the index, by keys or by typing.
    connect(index->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid()) showKeyword(current.data().toString());
            });
    connect(engine_->contentWidget(), &QHelpContentWidget::linkActivated, page_,
            [this](const QUrl& url) { page_->setSource(url); });
    connect(engine_->indexModel(), &QHelpIndexModel::indexCreated, this, [this] {
        indexReady_ = true;
        filterIndex();
    });
    page_->setSource(QUrl(QStringLiteral("qthelp://%1/%2").arg(namespace_, kFirstPage)));
    return true;
}

QUrl HelpWindow::shownPage() const {
    return page_->source();
}

bool HelpWindow::showKeyword(const QString& keyword) {
    const QList<QHelpLink> links = engine_->documentsForKeyword(keyword);
    if (links.isEmpty()) return false;
    page_->setSource(links.constFirst().url);
    return true;
}

void HelpWindow::toKeywordSearch() {
    tabs_->setCurrentIndex(0);
    keyword_->clear();
    keyword_->setFocus();
}

// Narrows the index to the entries holding the typed text; the best of them
// becomes the current entry, and its page is shown.
void HelpWindow::filterIndex() {
    if (!indexReady_) return;
    engine_->indexWidget()->filterIndices(keyword_->text());
}

QString HelpWindow::workingFolderFile() {
    return QDir::current().absoluteFilePath(kHelpFileName);
}

QString HelpWindow::missingMessage(const QString& helpFile) {
    const QFileInfo info(helpFile);
    return kHelpMissing.arg(info.fileName(), QDir::toNativeSeparators(info.absolutePath()));
}

QString HelpWindow::unreadableMessage(const QString& helpFile) {
    return kHelpUnreadable.arg(QFileInfo(helpFile).fileName());
}

QString HelpWindow::notAFileMessage(const QString& helpFile) {
    return kHelpNotAFile.arg(QFileInfo(helpFile).fileName());
}

} // namespace orvena
