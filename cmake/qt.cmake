# The Linux program: the Qt 6 shell over the portable core. Included from the native
# configuration. Its text is UTF-8 throughout (file names on Linux are UTF-8 too), so the core
# is compiled once more for it with UTF-8 narrow literals.
find_package(Qt6 COMPONENTS Widgets QUIET)
if(NOT Qt6_FOUND)
  message(WARNING "Qt 6 Widgets not found (Debian: qt6-base-dev): the Linux program is not built")
  return()
endif()
find_package(X11 REQUIRED)
find_package(Threads REQUIRED)
find_package(PkgConfig REQUIRED)
pkg_check_modules(FLUIDSYNTH REQUIRED IMPORTED_TARGET fluidsynth)
pkg_check_modules(ALSA REQUIRED IMPORTED_TARGET alsa)
pkg_check_modules(PULSE REQUIRED IMPORTED_TARGET libpulse)

function(velmira_utf8_defaults target)
  target_compile_options(${target} PRIVATE ${VELMIRA_WARNINGS} -finput-charset=UTF-8
                                           -fexec-charset=UTF-8)
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()

add_library(velmira_core_utf8 STATIC ${VELMIRA_CORE_SOURCES})
velmira_utf8_defaults(velmira_core_utf8)

set(CMAKE_AUTORCC ON)
add_library(velmira_qt STATIC
  qt/data_files.cpp
  qt/instrument_view.cpp
  qt/key_input.cpp
  qt/latency_probe.cpp
  qt/main_window.cpp
  qt/menu_bar.cpp
  qt/options.cpp
  qt/painting.cpp
  qt/playback_sink.cpp
  qt/score_painting.cpp
  qt/score_window.cpp
  qt/termination.cpp
)
velmira_utf8_defaults(velmira_qt)
# Run from the build folder, the program opens the Linux set of the help pages.
target_compile_definitions(velmira_qt PRIVATE
  VELMIRA_VERSION="${PROJECT_VERSION}" VELMIRA_BUILD_HELP_DIR="${VELMIRA_LINUX_HELP_DIR}"
  VELMIRA_BUILD_SONG_DIR="${PROJECT_SOURCE_DIR}/resources/songs")
target_link_libraries(velmira_qt PUBLIC velmira_core_utf8 Qt6::Widgets X11::X11 Threads::Threads)

# The built-in synthesizer and the ALSA sequencer's ports: the MIDI output of velmira.
add_library(velmira_sound STATIC
  qt/alsa_sequencer.cpp
  qt/fluid_driver_output.cpp
  qt/fluid_synth_device.cpp
  qt/linux_midi_output.cpp
  qt/output_gate.cpp
  qt/pulse_output.cpp
  qt/soundfont_file.cpp
)
velmira_utf8_defaults(velmira_sound)
target_link_libraries(velmira_sound PUBLIC velmira_core_utf8 PkgConfig::FLUIDSYNTH PkgConfig::ALSA
                      PkgConfig::PULSE Qt6::Core)

# velmira and velmira-sim differ only in their MIDI output service.
foreach(variant IN ITEMS default sim)
  if(variant STREQUAL "default")
    set(program velmira)
  else()
    set(program velmira-sim)
  endif()
  add_executable(${program} qt/main.cpp qt/variant_${variant}.cpp qt/resources.qrc)
  velmira_utf8_defaults(${program})
  target_compile_definitions(${program} PRIVATE VELMIRA_VERSION="${PROJECT_VERSION}")
  target_link_libraries(${program} PRIVATE velmira_qt)
endforeach()
target_link_libraries(velmira PRIVATE velmira_sound)

# The Debian package (packaging/make_deb.sh): control fields, files, lintian, the unpacked program.
add_test(NAME package_deb
  COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tests/package/check_deb.py
          ${CMAKE_CURRENT_BINARY_DIR}/package_deb ${PROJECT_VERSION})
set_tests_properties(package_deb PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 600 LABELS package
                     ENVIRONMENT "PYTHONDONTWRITEBYTECODE=1")

# Unit tests of the synthesizer's pure parts: the SoundFont file check, the output gate and the
# sound's options.
if(TARGET GTest::gtest)
  add_executable(velmira_sound_tests tests/sound/soundfont_file_test.cpp
                                     tests/sound/output_gate_test.cpp
                                     tests/sound/options_test.cpp qt/options.cpp)
  velmira_utf8_defaults(velmira_sound_tests)
  target_link_libraries(velmira_sound_tests PRIVATE velmira_sound GTest::gtest GTest::gtest_main)
  gtest_discover_tests(velmira_sound_tests DISCOVERY_TIMEOUT 60)
endif()
