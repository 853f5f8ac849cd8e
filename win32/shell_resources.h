// The pictures and handles that the program loads at start-up and keeps until it ends.
#pragma once

#include <windows.h>

#include <commctrl.h>

namespace velmira {

struct ShellResources {
  HINSTANCE instance = nullptr;
  const char* commandLine = "";
  HBITMAP splashPicture = nullptr;
  int splashWidth = 0;
  int splashHeight = 0;
  HBITMAP instrumentPictures = nullptr;      // resource 110: 15 cells of 171 x 141
  COLORREF BackgroundColour = RGB(0, 0, 0);  // pixel (0, 0) of the instrument pictures
  HBITMAP toolbarStrip = nullptr;            // resource 107: 15 images of 32 x 32
  HIMAGELIST toolbarImages = nullptr;
  HBITMAP keyCapPicture = nullptr;  // resource 114: four caps of 38 x 39
};

ShellResources& Shell();

}  // namespace velmira
