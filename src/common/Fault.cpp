#include "common/Fault.h"

namespace vantrelis {

Fault::Fault(qint64 number, QString source, QString description)
    : m_number(number), m_source(std::move(source)), m_description(std::move(description)),
      m_what(
          (QString::number(m_number) + QStringLiteral(" ") + m_source + QStringLiteral(": ") + m_description)
              .toStdString()) {}

} // namespace vantrelis
