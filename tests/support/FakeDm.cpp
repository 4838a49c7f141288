#include "support/FakeDm.h"

#include "common/Fault.h"

namespace vantrelis::testing {

QString FakeParameters::name(int index) const {
    const QList<QString> keys = values.keys();
    return index >= 1 && index <= keys.size() ? keys.at(index - 1) : QString();
}

QVariant FakeParameters::value(const QString& name) const {
    for (auto it = values.constBegin(); it != values.constEnd(); ++it)
        if (it.key().compare(name, Qt::CaseInsensitive) == 0)
            return it.value();
    return QVariant();
}

FakeLibrary::FakeLibrary(QString name, QString userName, QString primaryGroup)
    : libraryName(std::move(name)), user(std::move(userName)), group(std::move(primaryGroup)) {}

std::shared_ptr<dm::DmLibrary> FakeLibraries::item(int index) const {
    if (raiseOnItem)
        throw Fault(-2147023174, QStringLiteral("DOCSObjects.Libraries"),
                    QStringLiteral("The RPC server is unavailable."));
    if (index < 1 || index > count())
        return nullptr;
    return items[static_cast<size_t>(index - 1)];
}

std::shared_ptr<dm::DmLibraries> FakeApplication::libraries() {
    return hasLibraries ? libs : nullptr;
}

std::shared_ptr<dm::DmLibrary> FakeApplication::currentLibrary() {
    for (const auto& item : libs->items)
        if (item->libraryName == currentName)
            return item;
    return nullptr;
}

std::shared_ptr<FakeLibrary> FakeApplication::AddLibrary(const QString& name) {
    auto library = std::make_shared<FakeLibrary>(name);
    libs->items.push_back(library);
    return library;
}

} // namespace vantrelis::testing
