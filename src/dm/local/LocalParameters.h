#pragma once

#include "dm/DmParameters.h"

#include <QString>
#include <QVariant>
#include <utility>
#include <vector>

namespace vantrelis::dm::local {

class LocalLibrary;

// A library's parameters for the login user: built-in defaults, overridden by the library's
// LIBRARY_PARAMS rows for everyone ('*'), overridden in turn by the user's own rows.
class LocalParameters : public DmParameters {
public:
    using Entry = std::pair<QString, QVariant>;

    explicit LocalParameters(std::vector<Entry> entries);
    // Reads the parameters of a connected library. Raises a Fault when the library cannot be read.
    static std::shared_ptr<LocalParameters> Load(const LocalLibrary& library);
    // 'Y'/'N'/'TRUE'/'FALSE'/'1'/'0' (any case) read as booleans, anything else as text.
    static QVariant ParseValue(const QString& text);

    int count() const override;
    QString name(int index) const override;
    QVariant value(const QString& name) const override;

private:
    std::vector<Entry> m_entries;
};

} // namespace vantrelis::dm::local
