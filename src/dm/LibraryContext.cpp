#include "dm/LibraryContext.h"

namespace vantrelis::dm {

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
