#include "dm/LibraryContext.h"

#include "common/Text.h"

#include <cmath>

namespace vantrelis::dm {

namespace {
// The PARENT_FOLDER setting as a folder number: a whole number from 1 to the largest 32-bit number.
// Empty and 0 mean none; anything else names no folder and is refused (0, `valid` false), rather
// than rounded or cut into the number of some other item.
qint64 ParentFolderNumber(const QString& text, bool& valid) {
    valid = true;
    if (text.isEmpty())
        return 0;
    bool isNumber = false;
    const double value = text.toDouble(&isNumber);
    if (isNumber && value == 0)
        return 0;
    if (!isNumber || value != std::floor(value) || value < 1 || value > 2147483647.0) {
        valid = false;
        return 0;
    }
    return static_cast<qint64>(value);
}
} // namespace

QString LibraryContext::ApplySetting(const QString& subKey, const QString& charValue,
                                     const QString& intValue) {
    const QString key = TrimBlanks(subKey).toUpper();
    if (key == QLatin1String("PROFILE_EXCLUDE_COLUMN")) {
        m_profileExcludeColumn = TrimBlanks(charValue);
    } else if (key == QLatin1String("ROOT_FOLDER")) {
        m_rootFolder = TrimBlanks(charValue);
    } else if (key == QLatin1String("PARENT_FOLDER")) {
        const QString text = TrimBlanks(intValue);
        bool valid = true;
        m_parentFolder = ParentFolderNumber(text, valid);
        if (!valid && !m_settingWarnings.contains(text)) {
            m_settingWarnings.append(text);
            return QStringLiteral("Warning: The PARENT_FOLDER setting ") + text +
                   QStringLiteral(" is not a folder number - folders are created at the top level");
        }
    }
    return QString();
}

void LibraryContext::ClearSettings() {
    m_profileExcludeColumn.clear();
    m_rootFolder.clear();
    m_parentFolder = 0;
    m_settingWarnings.clear();
}

void LibraryContext::setEngine(int engineCode) {
    m_engineCode = engineCode;
    m_engineName = EngineName(engineCode);
}

void LibraryContext::BuildLibraryTable(const QStringList& names) {
    m_libraries.assign(1, Row{});
    for (const QString& name : names) {
        Row row;
        row[kFieldName] = name;
        m_libraries.push_back(row);
    }
}

QString LibraryContext::libraryField(int row, int field) const {
    if (row < 1 || row > libraryCount() || field < 0 || field >= kFieldCount)
        return QString();
    return m_libraries[static_cast<size_t>(row)][static_cast<size_t>(field)];
}

void LibraryContext::setLibraryField(int row, int field, const QString& value) {
    if (row < 1 || row > libraryCount() || field < 0 || field >= kFieldCount)
        return;
    m_libraries[static_cast<size_t>(row)][static_cast<size_t>(field)] = value;
}

int LibraryContext::FindLibrary(const QString& name) const {
    for (int row = 1; row <= libraryCount(); ++row)
        if (m_libraries[static_cast<size_t>(row)][kFieldName].compare(name, Qt::CaseInsensitive) == 0)
            return row;
    return 0;
}

} // namespace vantrelis::dm
