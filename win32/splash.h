#pragma once

namespace velmira {

// Shows the splash picture centred on the screen for five seconds; returns when it is gone.
// Returns false when the window class cannot be registered.
bool ShowSplash(int showCommand);

}  // namespace velmira
