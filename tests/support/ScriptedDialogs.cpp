#include "ScriptedDialogs.h"

#include "core/base/Hourglass.h"

#include <utility>

namespace orvena {

ScriptedDialogs::ScriptedDialogs()
    : previous_(setDialogs(this)) {}

ScriptedDialogs::~ScriptedDialogs() {
    setDialogs(previous_);
}

QStringList ScriptedDialogs::texts() const {
    QStringList out;
    for (const Shown& s : shown_)
        out << s.text;
    return out;
}

QStringList ScriptedDialogs::takeTexts() {
    QStringList out = texts();
    shown_.clear();
    return out;
}

int ScriptedDialogs::message(const QString& text, Buttons buttons, DefaultButton preset) {
    shown_.append({text, buttons, hourglass::isBusy(), preset});
    // Not again inside a message box it opens itself.
    if (auto events = std::exchange(whileShowing_, {})) {
        events();
        whileShowing_ = std::move(events);
    }
    if (buttons == Buttons::Ok) return AnswerOk;
    if (!answers_.empty()) {
        const int a = answers_.front();
        answers_.pop_front();
        return a;
    }
    return buttons == Buttons::YesNo ? AnswerYes : AnswerOk;
}

std::optional<QString> ScriptedDialogs::nextFile(const QString& title, const QString& filter) {
    ++fileDialogs_;
    lastFileTitle_ = title;
    lastFileFilter_ = filter;
    if (files_.empty()) return std::nullopt;
    const QString file = files_.front();
    files_.pop_front();
    if (file.isNull()) return std::nullopt;
    return file;
}

std::optional<QString> ScriptedDialogs::openFile(const QString& title, const QString& filter,
                                                 const QString&) {
    return nextFile(title, filter);
}

std::optional<QStringList> ScriptedDialogs::openFiles(const QString& title, const QString& filter,
                                                      const QString&) {
    const auto files = nextFile(title, filter);
    if (!files) return std::nullopt;
    return files->split(u'\n');
}

std::optional<QString> ScriptedDialogs::saveFile(const QString& title, const QString& filter,
                                                 const QString&) {
    return nextFile(title, filter);
}

std::optional<QString> ScriptedDialogs::chooseFolder(const QString& title, const QString&) {
    return nextFile(title, QString());
}

bool ScriptedDialogs::showHelp(const QString& helpFile) {
    help_ << helpFile;
    return true;
}

PrintOutcome ScriptedDialogs::print(const QList<PrintDocument>& documents,
                                    const QString& pdfFolder) {
    for (const PrintDocument& d : documents)
        printed_.append({d.name, d.orientation, paintPage(d)});
    if (printerInstalled_) return {PrintOutcome::Kind::Printed, {}, {}};
    return printAsPdf(documents, pdfFolder, diskRoom_);
}

} // namespace orvena
