#pragma once

namespace velmira {

// Opens the topic "default.htm" of the help file qj.chm beside the program, through the HTML
// Help viewer loaded at the moment of use; where no viewer is installed, nothing happens.
void OpenHelp();

}  // namespace velmira
