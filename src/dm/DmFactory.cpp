#include "dm/DmFactory.h"

namespace vantrelis::dm {

void DmFactory::registerClass(const QString& className, Creator creator) {
    m_creators.insert(className.toUpper(), std::move(creator));
}

std::shared_ptr<DmObject> DmFactory::create(const QString& className) const {
    const auto it = m_creators.constFind(className.toUpper());
    if (it == m_creators.constEnd())
        return nullptr;
    try {
        return (*it)();
    } catch (...) {
        return nullptr;
    }
}

} // namespace vantrelis::dm
