#pragma once

#include <QString>
#include <optional>

namespace vantrelis::app {

// One file dialog: its title, its filter as pairs of description and pattern joined by "|", the
// folder and file name it starts with, and the extension added to a name typed without one.
struct FileRequest {
    QString title;
    QString filter;
    QString folder;
    QString fileName;
    QString defaultSuffix;
};

// The common file dialogs. An empty optional means the user cancelled.
class FileChooser {
public:
    virtual ~FileChooser() = default;
    virtual std::optional<QString> openFile(const FileRequest& request) = 0;
    virtual std::optional<QString> saveFile(const FileRequest& request) = 0;
};

} // namespace vantrelis::app
