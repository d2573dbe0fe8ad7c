#include "Workspace.h"

#include "DemoAtlas.h"
#include "app/Application.h"

#include <QComboBox>
#include <QTest>

namespace orvena::test {

Workspace::Workspace(Content content) {
    if (content == Content::DemoAtlas) {
        const QString error = demo::writeDemoAtlas(folder.path());
        if (!error.isEmpty()) qFatal("demo atlas: %s", qPrintable(error));
    }
}

Workspace::~Workspace() {
    // The window owns the record views: close them while they exist.
    archives.closeAll();
    window_.reset();
}

MainWindow& Workspace::start(const QString& commandLine) {
    const QString error = archives.openAll(folder.path());
    if (!error.isEmpty()) qFatal("archives: %s", qPrintable(error));
    window_ = std::make_unique<MainWindow>(state, archives, commandLine);
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
