#include "common/FaultReport.h"

#include "common/Fault.h"
#include "common/ProductInfo.h"

#include <exception>

namespace vantrelis {

void ReportCurrentFault(Log& log) noexcept {
    try {
        throw;
    } catch (const Fault& fault) {
        log.ReportError(fault.number(), fault.source(), fault.description());
    } catch (const std::exception& error) {
        log.ReportError(kInternalErrorNumber, ProductName(), QString::fromLocal8Bit(error.what()));
    } catch (...) {
        log.ReportError(0, QString(), QString());
    }
}

} // namespace vantrelis
