# One source list for the portable core, shared by the native and the MinGW build.
set(VELMIRA_CORE_SOURCES
  app/app_controller.cpp
  app/instrument_table.cpp
  app/menu_model.cpp
  engine/device_control.cpp
  engine/key_map.cpp
  engine/key_signature.cpp
  engine/midi_output.cpp
  engine/note_engine.cpp
  engine/note_ledger.cpp
  engine/sim_midi_output.cpp
  view/keyboard_geometry.cpp
  view/window_layout.cpp
)
