#pragma once

#include <QString>

namespace vantrelis::dm {

// What a library connection shows on the main window: the three info labels
// (LabelUserName, LabelPrimaryGroup, LabelLibraryName) and the check marks of the library menu.
class ConnectionView {
public:
    virtual ~ConnectionView() = default;
    virtual void setUserName(const QString& userName) = 0;
    virtual void setPrimaryGroup(const QString& primaryGroup) = 0;
    virtual void setLibraryName(const QString& libraryName) = 0;
    // Every library menu entry is checked when its caption equals the name, unchecked otherwise.
    virtual void checkLibraryMenu(const QString& libraryName) = 0;
    // The warning sound before an urgent message box.
    virtual void beep() = 0;
};

} // namespace vantrelis::dm
