# MinGW-w64 cross build: the Windows services and programs.
add_library(velmira_win32 STATIC engine/winmm_midi_output.cpp)
velmira_target_defaults(velmira_win32)
target_link_libraries(velmira_win32 PUBLIC velmira_core winmm)

add_executable(list-midi-devices tools/list_midi_devices.cpp)
velmira_target_defaults(list-midi-devices)
target_link_libraries(list-midi-devices PRIVATE velmira_win32)
