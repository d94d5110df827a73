#pragma once

#include "platform/Error.h"

namespace orvane {

// A failure of the runtime: loading, compiling or running a network. Its description is the
// runtime's own.
class NetworkError : public Error {
public:
    using Error::Error;
};

} // namespace orvane
