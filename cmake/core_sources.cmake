# One source list for the portable core, shared by the native and the MinGW build.
set(VELMIRA_CORE_SOURCES
  app/instrument_table.cpp
  app/menu_model.cpp
  engine/key_map.cpp
  engine/key_signature.cpp
  engine/midi_output.cpp
  engine/device_control.cpp
  engine/note_ledger.cpp
  engine/note_engine.cpp
)
