// The whole program behind its main window, over recording fakes and a deterministic timer.
#pragma once

#include "app/app_controller.h"
#include "tests/fakes/engine_rig.h"
#include "tests/fakes/fake_timers.h"

namespace velmira::testing {

struct AppRig {
  AppRig() = default;
  // With the memory of both event buffers taken from the given allocator.
  explicit AppRig(Reallocate reallocate)
      : app{AppServices{service, ui, modifiers, clock, timers, sink, calendar, Scheduling::Timeline,
                        reallocate}} {}

  FakeMidiService service;
  FakeUi ui;
  FakeModifiers modifiers;
  ManualClock clock;
  FakeTimers timers;
  RecordingSink sink;
  FixedCalendar calendar;
  AppController app{AppServices{service, ui, modifiers, clock, timers, sink, calendar}};
};

}  // namespace velmira::testing
