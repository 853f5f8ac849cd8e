// SIGTERM (a logout that may not ask, a system shutting down, kill) reaches the window thread
// as an ordinary event: the signal handler only writes a byte into a socket that the event loop
// watches.
#pragma once

#include <functional>

namespace velmira {

// From now on SIGTERM calls `ended` on the window thread (once).
void OnTermination(std::function<void()> ended);

}  // namespace velmira
