// Keys by position on X11 (and XWayland): the PC scan code of a key event, and detectable
// auto-repeat, so that a held key arrives as repeated presses and one release instead of
// release/press pairs that would end and restart its note.
#pragma once

class QKeyEvent;

namespace velmira {

// The X key code less 8: the scan code of the main block (Q = 16, A = 30, Z = 44); 0 when the
// event carries none.
int ScanCodeOf(const QKeyEvent& event);

// Asks the X server for detectable auto-repeat; false where it is not granted (then a held key
// repeats as release/press pairs).
bool RequestDetectableAutoRepeat();

// Whether the key with this scan code is down now, as the X server tells; fills down[256] and
// returns false where it cannot be asked.
bool ReadKeysDown(bool down[256]);

}  // namespace velmira
