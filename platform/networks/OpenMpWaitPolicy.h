#pragma once

// How the networks' threads wait at each layer's barrier, chosen when an executable starts
// (OpenMpWaitPolicy.cpp).

namespace orvane::OpenMpWaitPolicy {

// Whether the threads should sleep at once rather than spin a while, with `otherRunnable` threads
// of other programs ready to run on `processors` processors when the program starts. Spinning is
// the quicker where the cores are free (waking a sleeping thread is slow, above all in a virtual
// machine); where other programs keep cores busy, a spinning team waits at every barrier for the one
// thread the system has taken off its core.
bool sleepsAtOnce(int otherRunnable, int processors);

// How many threads a team then takes: the processors the others leave free, and at least half of
// them, so that busy programs don't push the networks onto one or two cores.
int teamSize(int otherRunnable, int processors);

} // namespace orvane::OpenMpWaitPolicy
