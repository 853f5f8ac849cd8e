// The one-line question box (the tempo, the practice speed): the dialog "AskText" of the
// resources, with its caption and prompt set when it opens.
#pragma once

#include <windows.h>

#include <string>

namespace velmira {

// *text holds what the edit box starts with and receives the answer; false when cancelled.
bool AskTextBox(HWND owner, const char* caption, const char* prompt, std::string* text);

}  // namespace velmira
