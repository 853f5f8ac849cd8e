# MinGW-w64 cross build: the Windows services and programs.
enable_language(RC)

add_library(velmira_win32 STATIC win32/winmm_midi_output.cpp win32/mm_timer_service.cpp)
velmira_target_defaults(velmira_win32)
target_link_libraries(velmira_win32 PUBLIC velmira_core winmm)

# The Win32 shell, shared by velmira.exe and its simulation build.
add_library(velmira_shell STATIC
  win32/about.cpp
  win32/ask_text.cpp
  win32/bar_tips.cpp
  win32/code_pages.cpp
  win32/data_files.cpp
  win32/shell_resources.cpp
  win32/main_window.cpp
  win32/menu.cpp
  win32/splash.cpp
  win32/toolbar.cpp
  win32/ui.cpp
  win32/keyboard_gdi.cpp
  win32/paint_gdi.cpp
  win32/score_gdi.cpp
  win32/score_window.cpp
)
velmira_target_defaults(velmira_shell)
target_link_libraries(velmira_shell PUBLIC velmira_win32 comctl32 comdlg32 imm32 gdi32 user32)

# The resource script takes the version from a header written here from project().
set(VELMIRA_VERSION_NUMBERS)
foreach(part IN ITEMS MAJOR MINOR PATCH TWEAK)
  if("${PROJECT_VERSION_${part}}" STREQUAL "")
    list(APPEND VELMIRA_VERSION_NUMBERS 0)
  else()
    list(APPEND VELMIRA_VERSION_NUMBERS ${PROJECT_VERSION_${part}})
  endif()
endforeach()
list(JOIN VELMIRA_VERSION_NUMBERS "," VELMIRA_VERSION_NUMBERS)
set(VELMIRA_VERSION_HEADER ${PROJECT_BINARY_DIR}/resources/velmira_version.h)
configure_file(${PROJECT_SOURCE_DIR}/resources/velmira_version.h.in ${VELMIRA_VERSION_HEADER} @ONLY)

set(VELMIRA_RESOURCES ${PROJECT_SOURCE_DIR}/resources/velmira.rc)
# windres does not tell CMake which pictures and headers the script pulls in.
set(VELMIRA_RESOURCE_INPUTS ${VELMIRA_VERSION_HEADER})
foreach(picture IN ITEMS splash.bmp toolbar.bmp instruments.bmp keycaps.bmp velmira.ico)
  list(APPEND VELMIRA_RESOURCE_INPUTS ${PROJECT_SOURCE_DIR}/resources/${picture})
endforeach()
set_source_files_properties(${VELMIRA_RESOURCES} PROPERTIES
  OBJECT_DEPENDS "${VELMIRA_RESOURCE_INPUTS}" INCLUDE_DIRECTORIES ${PROJECT_BINARY_DIR}/resources)

# velmira.exe talks to WinMM; velmira-sim.exe to the simulated MIDI service. Nothing else differs.
foreach(variant IN ITEMS winmm sim)
  if(variant STREQUAL "winmm")
    set(program velmira)
  else()
    set(program velmira-sim)
  endif()
  add_executable(${program} WIN32 win32/main.cpp win32/variant_${variant}.cpp
                 ${VELMIRA_RESOURCES})
  velmira_target_defaults(${program})
  target_link_libraries(${program} PRIVATE velmira_shell)
endforeach()

add_executable(list-midi-devices tools/list_midi_devices.cpp)
velmira_target_defaults(list-midi-devices)
target_link_libraries(list-midi-devices PRIVATE velmira_win32)

# Measures the cost of drawing a key stroke and of a full paint (run under Wine).
add_executable(draw-bench tools/draw_bench_win32.cpp ${VELMIRA_RESOURCES})
velmira_target_defaults(draw-bench)
target_link_libraries(draw-bench PRIVATE velmira_shell)
include(${CMAKE_CURRENT_LIST_DIR}/help.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/e2e_driver.cmake)

# The song book beside the programs (songs\), as in the zip; copied again when a song changes.
file(GLOB VELMIRA_SONGS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/resources/songs/*.txt)
foreach(song IN LISTS VELMIRA_SONGS)
  get_filename_component(name ${song} NAME)
  configure_file(${song} ${CMAKE_BINARY_DIR}/songs/${name} COPYONLY)
endforeach()
