#include "support/ExpectFault.h"

#include "common/Fault.h"

#include <gtest/gtest.h>

namespace vantrelis::testing {

QString ExpectFault(qint64 number, const std::function<void()>& work, std::source_location where) {
    try {
        work();
    } catch (const Fault& fault) {
        if (fault.number() == number)
            return fault.description();
        ADD_FAILURE_AT(where.file_name(), static_cast<int>(where.line()))
            << "expected fault #" << number << ", got #" << fault.number() << " from "
            << fault.source().toStdString() << ": " << fault.description().toStdString();
        return QString();
    } catch (const std::exception& error) {
        ADD_FAILURE_AT(where.file_name(), static_cast<int>(where.line()))
            << "expected fault #" << number << ", got another exception: " << error.what();
        return QString();
    }
    ADD_FAILURE_AT(where.file_name(), static_cast<int>(where.line()))
        << "expected fault #" << number << ", nothing was raised";
    return QString();
}

} // namespace vantrelis::testing
