#pragma once

#include <QString>
#include <exception>
#include <string>

namespace vantrelis {

// A run-time fault: what the DM layer and the program raise instead of error codes.
// Numbers may exceed 16 bits (the DM component's HRESULT-style numbers do).
class Fault : public std::exception {
public:
    Fault(qint64 number, QString source, QString description);

    qint64 number() const noexcept { return m_number; }
    const QString& source() const noexcept { return m_source; }
    const QString& description() const noexcept { return m_description; }
    const char* what() const noexcept override { return m_what.c_str(); }

private:
    qint64 m_number;
    QString m_source;
    QString m_description;
    std::string m_what;
};

} // namespace vantrelis
