#include "support/TestSeams.h"

namespace vantrelis::testing {

int RecordingPrompter::ask(const QString& prompt, int style, const QString& title) {
    prompts.push_back({prompt, style, title});
    return answer;
}

void RecordingStatusView::setBusy(bool value) {
    busy = value;
    busyChanges.push_back(value);
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

bool NullLauncher::startDetached(const QString& program, const QStringList& arguments) {
    started.append(program + QLatin1Char(' ') + arguments.join(QLatin1Char(' ')));
    return true;
}

} // namespace vantrelis::testing
