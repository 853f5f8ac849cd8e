// Drawing the key caps with GDI.
#pragma once

#include <windows.h>

#include <vector>

#include "engine/player_state.h"
#include "engine/ui_effects.h"
#include "view/keyboard_geometry.h"

namespace velmira {

// A new font of the face at size (tenths of a point); attributes: 1 bold, 2 italic,
// 4 underline, 8 strike-out. Size 0 gives the font mapper's default height.
HFONT CreateSizedFont(HDC dc, const char* faceName, int size, int attributes,
                      bool useLogicalResolution);

// Prepares dc for key caps (label font, black brush) and returns a memory drawing context
// holding the key-cap picture.
HDC BeginKeyDrawing(HDC dc);
void EndKeyDrawing(HDC dc, HDC capSource);
// One cap, pressed in the colour of the shift or released (orange when a lesson marks it, with
// the shift its note needs); labels and octave dots on top.
void DrawKeyCap(HDC dc, HDC capSource, const KeyboardOrigin& origin, int slot, bool pressed,
                int shift, const CapMark* mark);
// The sustain pedal where the layout put it (nothing where it has no room): a cap stretched
// to the pedal's size, grey when up and blue when down, labelled "踏板".
void DrawPedal(HDC dc, HDC capSource, const KeyboardOrigin& origin, bool down);
// Every cap released, the marked ones orange, and the pedal as it is.
void DrawKeyboard(HDC dc, const KeyboardOrigin& origin, const std::vector<CapMark>& marks,
                  bool pedalDown);

// The engine's key-cap drawing during one key-drawing occasion; it keeps the lesson's marks,
// which the window's painting shows too.
class GdiKeyCapDrawer final : public KeyCapDrawer {
 public:
  GdiKeyCapDrawer(HWND window, const PlayerState& state, const KeyboardOrigin& origin)
      : window_(window), state_(state), origin_(origin) {}
  void Begin(HDC dc) {
    dc_ = dc;
    capSource_ = BeginKeyDrawing(dc);
  }
  void End() {
    EndKeyDrawing(dc_, capSource_);
    dc_ = nullptr;
    capSource_ = nullptr;
  }
  void DrawKeyCap(int slot, bool pressed, bool useGivenShift, int givenShift) override {
    if (dc_ == nullptr) return;
    velmira::DrawKeyCap(dc_, capSource_, origin_, slot, pressed,
                        useGivenShift ? givenShift : state_.shiftState, MarkOf(marks_, slot));
  }
  void SetMarks(const std::vector<CapMark>& marks) override;
  const std::vector<CapMark>& marks() const { return marks_; }
  void DrawPedal(bool down) override {
    if (dc_ != nullptr) velmira::DrawPedal(dc_, capSource_, origin_, down);
  }

 private:
  HWND window_;
  std::vector<CapMark> marks_;
  const PlayerState& state_;
  const KeyboardOrigin& origin_;
  HDC dc_ = nullptr;
  HDC capSource_ = nullptr;
};

}  // namespace velmira
