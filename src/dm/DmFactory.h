#pragma once

#include "dm/DmObject.h"

#include <QHash>
#include <QString>
#include <functional>
#include <memory>

namespace vantrelis::dm {

// Class names the program creates objects by, as a COM client would.
inline constexpr const char* kApplicationClass = "DOCSObjects.Application";
inline constexpr const char* kSqlClass = "PCDClient.PCDSQL";
inline constexpr const char* kBrowserClass = "DOCSBrowser.Browser";
inline constexpr const char* kCompanionClass = "DOCSBrowser.Companion";

// Creates DM objects by class name. A backend registers a creator for each class it provides.
class DmFactory {
public:
    using Creator = std::function<std::shared_ptr<DmObject>()>;

    void registerClass(const QString& className, Creator creator);
    // nullptr when the class is not registered or its creator fails.
    std::shared_ptr<DmObject> create(const QString& className) const;

    template <class T> std::shared_ptr<T> createAs(const QString& className) const {
        return std::dynamic_pointer_cast<T>(create(className));
    }

private:
    QHash<QString, Creator> m_creators;
};

} // namespace vantrelis::dm
