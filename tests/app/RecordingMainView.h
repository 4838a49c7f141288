#pragma once

#include "app/MainView.h"
#include "app/SplashView.h"

#include <QStringList>
#include <optional>

namespace vantrelis::testing {

// The main window as startup sees it: what was put on it, recorded, and the choices a test sets.
class RecordingMainView : public app::MainView {
public:
    // Status label
    QStringList texts;
    bool busy = false;
    app::RunState runState = app::RunState::Idle;
    int yields = 0;
    // Window
    QStringList captions;
    std::optional<app::FormContent> placed;
    QString importFile;
    QString logFileTip;
    bool verbose = false;
    bool addNewDocs = false;
    bool addExistingDocs = false;
    bool fillFromLine = false;
    bool readmeVisible = true;
    QString aboutVersion;
    QRect screen{0, 0, 1920, 1080};
    QSize size{640, 480};
    QPoint place;
    bool shown = false;
    bool enabled = true;
    int activations = 0;
    // Run view
    bool running = false;
    bool stop = false;
    std::vector<int> endedWith;

    QString statusText() const override { return texts.isEmpty() ? QString() : texts.last(); }
    void setStatusText(const QString& text) override { texts.append(text); }
    void setBusy(bool value) override { busy = value; }
    bool isBusy() const override { return busy; }
    void setRunState(app::RunState value) override { runState = value; }
    void yield() override { ++yields; }

    void setCaption(const QString& caption) override { captions.append(caption); }
    void PlaceForm(const app::FormContent& content) override { placed = content; }
    void setImportFileLabel(const QString& path) override { importFile = path; }
    void setLogFileTip(const QString& fileName) override { logFileTip = fileName; }
    bool verboseLogging() const override { return verbose; }
    void setVerboseLogging(bool ticked) override { verbose = ticked; }
    void setAddNewDocs(bool ticked) override { addNewDocs = ticked; }
    void setAddExistingDocs(bool ticked) override { addExistingDocs = ticked; }
    void setFillFromLine(bool ticked) override { fillFromLine = ticked; }
    void setReadmeVisible(bool visible) override { readmeVisible = visible; }
    void setAboutInfo(const QString& dmVersion, const QString&, const QString&) override {
        aboutVersion = dmVersion;
    }
    QRect screenArea() const override { return screen; }
    QSize windowSize() const override { return size; }
    QPoint position() const override { return place; }
    void moveTo(const QPoint& position) override { place = position; }
    void setWindowShown(bool value) override { shown = value; }
    void setWindowEnabled(bool value) override { enabled = value; }
    void activate() override { ++activations; }

    app::RunChoices runChoices() const override {
        app::RunChoices choices;
        if (placed) {
            choices.libraries = placed->libraries;
            choices.importSet = placed->importSets.value(placed->selectedImportSet);
        }
        choices.importFile = importFile;
        choices.addNewDocs = addNewDocs;
        choices.addExistingDocs = addExistingDocs;
        choices.fillFromLine = fillFromLine;
        return choices;
    }
    void setCounter(app::RunCounter, qint64) override {}
    void untickLibrary(int index) override {
        if (placed && index >= 0 && index < placed->libraries.size())
            placed->libraries[index].ticked = false;
    }
    void setGoEnabled(bool) override {}
    void setRunInProgress(bool value) override { running = value; }
    void showProgress(qint64, qint64) override {}
    void showRate(const QString&) override {}
    bool stopRequested() const override { return stop; }
    void endProgram(int exitStatus) override { endedWith.push_back(exitStatus); }
};

// The splash window as startup sees it.
class RecordingSplashView : public app::SplashView {
public:
    QStringList texts;
    QString dmVersion;
    QString build;
    bool shown = false;
    int unloads = 0;

    QString statusText() const override { return texts.isEmpty() ? QString() : texts.last(); }
    void setStatusText(const QString& text) override { texts.append(text); }
    void setBusy(bool) override {}
    bool isBusy() const override { return false; }
    void yield() override {}
    void setDmVersion(const QString& versionText) override { dmVersion = versionText; }
    void setBuild(const QString& number, const QString& date) override {
        build = number + QLatin1Char('|') + date;
    }
    void showSplash() override { shown = true; }
    void Unload() override {
        shown = false;
        ++unloads;
    }
};

} // namespace vantrelis::testing
