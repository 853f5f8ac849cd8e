// The whole program behind its main window, over recording fakes and a deterministic timer.
#pragma once

#include "app/app_controller.h"
#include "tests/fakes/engine_rig.h"
#include "tests/fakes/fake_timers.h"

namespace velmira::testing {

struct AppRig {
  AppRig() { timers.clock = &clock; }
  // With the memory of both event buffers taken from the given allocator.
  explicit AppRig(Reallocate reallocate, std::string recoveryFolder = "")
      : app{AppServices{service, ui, clock, timers, sink, sink, calendar, scoreUi,
                        Scheduling::Timeline, reallocate, std::move(recoveryFolder),
                        VELMIRA_SOURCE_DIR "/resources/songs"}} {
    timers.clock = &clock;
  }

  FakeMidiService service;
  FakeUi ui;
  ManualClock clock;
  FakeTimers timers;
  RecordingSink sink;
  FixedCalendar calendar;
  FakeScoreUi scoreUi;
  AppController app{AppServices{service, ui, clock, timers, sink, sink, calendar, scoreUi,
                                Scheduling::Timeline, &std::realloc, "",
                                VELMIRA_SOURCE_DIR "/resources/songs"}};
  Mods modifiers;  // held for the strokes of Down(), as a user holds Shift or Ctrl

  void Down(int scan) { app.OnKey(testing::Down(scan, modifiers)); }
  void Up(int scan) { app.OnKey(testing::Up(scan)); }
};

}  // namespace velmira::testing
