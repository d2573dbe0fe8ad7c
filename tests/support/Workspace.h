#pragma once

#include "TempFolder.h"

#include "ScriptedDialogs.h"
#include "core/archive/Archives.h"
#include "ui/mainwindow/MainWindow.h"

#include <memory>

namespace orvena::test {

// A working folder with its archives, scripted dialogs and, once started, the
// main window on it: what the program has after start-up, for one test.
class Workspace {
public:
    enum class Content { DemoAtlas, Empty };
    explicit Workspace(Content content = Content::DemoAtlas);
    ~Workspace();

    QString file(const QString& name) const { return folder.file(name); }

    // Opens the archives and creates the main window with the given command
    // line, shows it and runs its first activation.
    MainWindow& start(const QString& commandLine = QString());
    MainWindow& window() { return *window_; }

    // Picks a line of a combo box as the user does.
    static void choose(QComboBox* box, const QString& line);

    TempFolder folder;
    ScriptedDialogs dialogs;
    Archives archives;

private:
    std::unique_ptr<MainWindow> window_;
};

} // namespace orvena::test
