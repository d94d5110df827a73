#pragma once

#include "platform/Error.h"

namespace orvane {

// The one error the actions raise themselves: their input is no image the app can read.
class EnlargeIntentError : public Error {
public:
    enum class Case { unreadable };
    static EnlargeIntentError unreadable() {
        return EnlargeIntentError("That file isn't an image Orvane can read.");
    }

private:
    using Error::Error;
};

} // namespace orvane
