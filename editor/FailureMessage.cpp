#include "editor/FailureMessage.h"

#include "platform/Error.h"
#include "platform/networks/NetworkError.h"

#include <iostream>

namespace orvane {

namespace {

QString logged(const char* text) {
    std::cerr << "orvane: " << text << '\n';
    return generalFailureMessage;
}

} // namespace

QString failureMessage(const std::exception& failure) {
    // A network error carries the runtime's own text, which is not addressed to the user.
    if (dynamic_cast<const Error*>(&failure) != nullptr &&
        dynamic_cast<const NetworkError*>(&failure) == nullptr) {
        return QString::fromUtf8(failure.what());
    }
    return logged(failure.what());
}

QString failureMessage(std::exception_ptr failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& error) {
        return failureMessage(error);
    } catch (...) {
        return logged("a failure that is not an exception");
    }
}

} // namespace orvane
