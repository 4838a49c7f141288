#pragma once

#include "app/RunView.h"

#include <QStringList>
#include <map>
#include <vector>

namespace vantrelis::testing {

// The window's run choices as set by a test, and everything the run shows, recorded.
class RecordingRunView : public app::RunView {
public:
    app::RunChoices choices;
    std::map<app::RunCounter, qint64> counters;
    std::vector<std::pair<app::RunCounter, qint64>> counterChanges;
    std::vector<int> unticked;
    std::vector<bool> goEnabled;
    std::vector<bool> running;
    std::vector<app::RunState> states;
    std::vector<std::pair<qint64, qint64>> progress;
    QStringList rates;
    bool stop = false;
    // Stop once this many counter changes were shown (-1: never).
    int stopAfterCounterChanges = -1;
    // Stop once the progress bar shows this many items processed (-1: never).
    qint64 stopAtProgress = -1;
    std::vector<int> endedWith;

    app::RunChoices runChoices() const override { return choices; }
    void setCounter(app::RunCounter counter, qint64 value) override {
        counters[counter] = value;
        counterChanges.emplace_back(counter, value);
        if (stopAfterCounterChanges >= 0 &&
            static_cast<int>(counterChanges.size()) >= stopAfterCounterChanges)
            stop = true;
    }
    void untickLibrary(int index) override {
        unticked.push_back(index);
        choices.libraries[index].ticked = false;
    }
    void setGoEnabled(bool enabled) override { goEnabled.push_back(enabled); }
    void setRunInProgress(bool value) override { running.push_back(value); }
    void setRunState(app::RunState state) override { states.push_back(state); }
    void showProgress(qint64 processed, qint64 total) override {
        progress.emplace_back(processed, total);
        if (processed == stopAtProgress)
            stop = true;
    }
    void showRate(const QString& text) override { rates.append(text); }
    bool stopRequested() const override { return stop; }
    void endProgram(int exitStatus) override { endedWith.push_back(exitStatus); }

    qint64 counter(app::RunCounter which) const {
        const auto found = counters.find(which);
        return found == counters.end() ? -1 : found->second;
    }
};

} // namespace vantrelis::testing
