#pragma once

#include <QString>
#include <exception>

namespace orvane {

// What the user is told when no error of the system's own says more.
inline const QString generalFailureMessage = QStringLiteral("The operation couldn't be completed.");

// The text the user reads for a failure. An error of the system's own says what it is in its own
// words; anything else (a library's text, or a network runtime's own message) is written to the
// log on standard error, and the user reads the general sentence. Callable on any thread.
QString failureMessage(const std::exception& failure);
QString failureMessage(std::exception_ptr failure);

} // namespace orvane
