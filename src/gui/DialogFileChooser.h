#pragma once

#include "app/FileChooser.h"

#include <QString>

class QWidget;

namespace vantrelis::gui {

// The common file dialogs as Qt file dialogs over a parent window.
class DialogFileChooser : public app::FileChooser {
public:
    explicit DialogFileChooser(QWidget* parent) : m_parent(parent) {}

    std::optional<QString> openFile(const app::FileRequest& request) override;
    std::optional<QString> saveFile(const app::FileRequest& request) override;

    // A "description|pattern|description|pattern" filter as Qt's name filters: the descriptions,
    // which name their patterns, joined by ";;". "*.*" becomes "*", so that names without an
    // extension are listed as well.
    static QString NameFilters(const QString& filter);

private:
    std::optional<QString> Choose(const app::FileRequest& request, bool save);

    QWidget* m_parent;
};

} // namespace vantrelis::gui
