// The number dialogs of the 乐谱 menu (速度, 练习速度): a whole number in a range, or a refusal.
#pragma once

#include "engine/ui_effects.h"

namespace velmira {

// Asks with the text dialog, offering *value; a whole number from low to high (blanks around
// it allowed) replaces *value and gives true. Anything else beeps, shows refusal, and leaves
// *value as it was; a cancelled dialog changes nothing either.
bool AskNumber(UiEffects& ui, const char* caption, const char* prompt, int low, int high,
               const char* refusal, int* value);

}  // namespace velmira
