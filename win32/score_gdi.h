// Draws a score's page (view/score_layout.h) with GDI, a layout unit to a device pixel. The text is
// drawn with the wide functions from its UTF-8, so that characters with no GBK code (the key hints'
// "⇧") show too.
#pragma once

#include <windows.h>

#include "view/score_layout.h"

namespace velmira {

// The layout's (0, 0) lands on origin. Only the primitives that reach into the clip box are
// drawn.
void DrawScore(HDC dc, const ScoreLayout& layout, POINT origin);

}  // namespace velmira
