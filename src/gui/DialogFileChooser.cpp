#include "gui/DialogFileChooser.h"

#include <QDir>
#include <QFileDialog>
#include <QStringList>

namespace vantrelis::gui {

QString DialogFileChooser::NameFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        QString description = parts.at(i);
        description.replace(QLatin1String("(*.*)"), QLatin1String("(*)"));
        filters.append(description);
    }
    return filters.join(QLatin1String(";;"));
}

std::optional<QString> DialogFileChooser::openFile(const app::FileRequest& request) {
    return Choose(request, false);
}

std::optional<QString> DialogFileChooser::saveFile(const app::FileRequest& request) {
    return Choose(request, true);
}

std::optional<QString> DialogFileChooser::Choose(const app::FileRequest& request, bool save) {
    QFileDialog dialog(m_parent, request.title, request.folder, NameFilters(request.filter));
    dialog.setObjectName(QStringLiteral("CommDLG"));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
}

} // namespace vantrelis::gui
