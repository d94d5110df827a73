#pragma once

namespace orvane::Terminal {

// Whether standard error goes to a terminal, where a person may be watching it.
bool showsStandardError();

} // namespace orvane::Terminal
