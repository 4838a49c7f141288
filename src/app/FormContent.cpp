#include "app/FormContent.h"

#include "common/SavedSetting.h"
#include "common/Text.h"

namespace vantrelis::app {

FormContent FormContent::Make(const QStringList& libraryNames, const QString& currentLibrary,
                              const RuleTable& rules, const SettingsStore& settings,
                              const QString& chosenImportSet) {
    FormContent content;
    content.currentLibrary = currentLibrary;
    for (const QString& name : libraryNames)
        content.libraries.append({name, LeadingNumber(SavedSetting::Library(name).read(settings)) == 1});

    const bool chosen = !chosenImportSet.isEmpty();
    // A chosen set that no rule serves leaves nothing selected.
    if (chosen)
        content.selectedImportSet = -1;
    const QString wanted = chosen ? chosenImportSet : SavedSetting::ComboImportSet().read(settings);
    const Qt::CaseSensitivity sensitivity = chosen ? Qt::CaseInsensitive : Qt::CaseSensitive;
    for (int row = 1; row <= rules.count(); ++row) {
        const QString name = rules.field(row, RuleTable::kName);
        if (name.compare(wanted, sensitivity) == 0)
            content.selectedImportSet = static_cast<int>(content.importSets.size());
        content.importSets.append(name);
    }
    return content;
}

} // namespace vantrelis::app
