#include "Workspace.h"

#include "DemoAtlas.h"
#include "app/Application.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace orvena::test {

namespace {

// The demo atlas is drawn once per test program and copied for each test.
const QDir& demoTemplate() {
    static QTemporaryDir dir;
    static const QDir written = [] {
        const QString error = demo::writeDemoAtlas(dir.path());
        if (!error.isEmpty()) qFatal("demo atlas: %s", qPrintable(error));
        return QDir(dir.path());
    }();
    return written;
}

} // namespace

Workspace::Workspace(Content content) {
    if (content != Content::DemoAtlas) return;
    const QDir& from = demoTemplate();
    for (const QString& name : from.entryList(QDir::Files))
        if (!QFile::copy(from.filePath(name), folder.file(name)))
            qFatal("cannot copy %s", qPrintable(name));
}

Workspace::~Workspace() {
    // The window owns the record views: close them while they exist.
    archives.closeAll();
    window_.reset();
}

MainWindow& Workspace::start(const QString& commandLine) {
    const QString error = archives.openAll(folder.path());
    if (!error.isEmpty()) qFatal("archives: %s", qPrintable(error));
    window_ = std::make_unique<MainWindow>(archives, commandLine);
    showAndActivate(*window_);
    return *window_;
}

void Workspace::choose(QComboBox* box, const QString& line) {
    const int i = box->findText(line, Qt::MatchExactly | Qt::MatchCaseSensitive);
    QVERIFY2(i >= 0, qPrintable(QStringLiteral("no line %1 in %2").arg(line, box->objectName())));
    box->setCurrentIndex(i);
    emit box->activated(i);
}

} // namespace orvena::test
