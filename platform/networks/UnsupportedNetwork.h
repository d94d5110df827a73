#pragma once

#include "platform/networks/NetworkError.h"

namespace orvane {

// A network that the runner can't run: an operator, or a setting of one, that it does not have.
class UnsupportedNetwork : public NetworkError {
public:
    using NetworkError::NetworkError;
};

} // namespace orvane
