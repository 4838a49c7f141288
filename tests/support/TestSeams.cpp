#include "support/TestSeams.h"

namespace vantrelis::testing {

int RecordingPrompter::ask(const QString& prompt, int style, const QString& title) {
    prompts.push_back({prompt, style, title});
    return answer;
}

void RecordingStatusView::setStatusText(const QString& value) {
    text = value;
    texts.append(value);
}

void RecordingStatusView::setBusy(bool value) {
    busy = value;
    busyChanges.append(value);
}

QString MemorySettingsStore::Key(const QString& application, const QString& section, const QString& key) {
    return application + QLatin1Char('|') + section + QLatin1Char('|') + key;
}

QString MemorySettingsStore::read(const QString& application, const QString& section, const QString& key,
                                  const QString& defaultValue) const {
    return values.value(Key(application, section, key), defaultValue);
}

void MemorySettingsStore::save(const QString& application, const QString& section, const QString& key,
                               const QString& value) {
    values.insert(Key(application, section, key), value);
    ++saves;
}

bool RecordingLauncher::startDetached(const QString& program, const QStringList& arguments) {
    calls.push_back({program, arguments});
    return succeed;
}

} // namespace vantrelis::testing
