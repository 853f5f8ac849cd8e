# velmira-cli (tools/): reads performance files and exports them as Standard MIDI Files exactly
# as the program does; other tools rely on its output. Included from both configurations after
# velmira_core: the native build makes velmira-cli, the MinGW build velmira-cli.exe.
# The native configuration also registers the tool's tests (tests/cli) and the independent
# checks of exported files (tests/smf).
if(WIN32)
  set(VELMIRA_CLI_TEXT_ENCODING ${PROJECT_SOURCE_DIR}/tools/text_encoding_win32.cpp)
else()
  set(VELMIRA_CLI_TEXT_ENCODING ${PROJECT_SOURCE_DIR}/tools/text_encoding_posix.cpp)
endif()

add_executable(velmira-cli ${PROJECT_SOURCE_DIR}/tools/velmira_cli.cpp ${VELMIRA_CLI_TEXT_ENCODING})
velmira_target_defaults(velmira-cli)
target_link_libraries(velmira-cli PRIVATE velmira_core)

if(NOT WIN32)
  enable_testing()
  find_package(GTest REQUIRED)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)

  # The conversion of the core's GBK messages.
  add_executable(velmira_cli_encoding_tests ${PROJECT_SOURCE_DIR}/tests/cli/text_encoding_test.cpp
                 ${VELMIRA_CLI_TEXT_ENCODING})
  velmira_target_defaults(velmira_cli_encoding_tests)
  target_link_libraries(velmira_cli_encoding_tests PRIVATE velmira_core GTest::gtest GTest::gtest_main)
  add_test(NAME cli_text_encoding COMMAND velmira_cli_encoding_tests)

  # Makes performance files and reference MIDI bytes through the core, for the tests.
  add_executable(velmira_cli_test_helper ${PROJECT_SOURCE_DIR}/tests/cli/cli_test_helper.cpp)
  velmira_target_defaults(velmira_cli_test_helper)
  target_link_libraries(velmira_cli_test_helper PRIVATE velmira_core)

  # The command-line contract: output, messages and exit codes (Python standard library only).
  add_test(NAME cli_contract
    COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tests/cli/test_cli.py
            --cli $<TARGET_FILE:velmira-cli> --helper $<TARGET_FILE:velmira_cli_test_helper>
            --demo ${PROJECT_SOURCE_DIR}/resources/demo/demo.qji)
  set_tests_properties(cli_contract PROPERTIES ENVIRONMENT "PYTHONDONTWRITEBYTECODE=1" TIMEOUT 300)

  # velmira-cli.exe under Wine keeps the same contract (skipped without Wine or the .exe).
  set(VELMIRA_CLI_WIN32_EXE ${PROJECT_SOURCE_DIR}/build/win32/velmira-cli.exe CACHE FILEPATH
      "velmira-cli.exe of the MinGW build, for the cli_win32_under_wine test")
  add_test(NAME cli_win32_under_wine
    COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tests/cli/test_cli_wine.py
            --exe ${VELMIRA_CLI_WIN32_EXE} --cli $<TARGET_FILE:velmira-cli>
            --demo ${PROJECT_SOURCE_DIR}/resources/demo/demo.qji
            --work ${CMAKE_CURRENT_BINARY_DIR}/cli_wine)
  set_tests_properties(cli_win32_under_wine PROPERTIES
    SKIP_RETURN_CODE 77 TIMEOUT 900 ENVIRONMENT "PYTHONDONTWRITEBYTECODE=1")

  # Exported files read by other programs. python3-mido is a Debian package, which only
  # Debian's own interpreter sees; the strict check needs nothing beyond the standard library.
  if(EXISTS /usr/bin/python3)
    set(VELMIRA_SMF_PYTHON /usr/bin/python3)
  else()
    set(VELMIRA_SMF_PYTHON ${Python3_EXECUTABLE})
  endif()
  foreach(check IN ITEMS strict mido fluidsynth)
    add_test(NAME smf_${check}
      COMMAND ${VELMIRA_SMF_PYTHON} ${PROJECT_SOURCE_DIR}/tests/smf/check_${check}.py
              --cli $<TARGET_FILE:velmira-cli> --demo ${PROJECT_SOURCE_DIR}/resources/demo/demo.qji
              --work ${CMAKE_CURRENT_BINARY_DIR}/smf_${check})
    set_tests_properties(smf_${check} PROPERTIES
      SKIP_RETURN_CODE 77 TIMEOUT 600 LABELS smf ENVIRONMENT "PYTHONDONTWRITEBYTECODE=1")
  endforeach()
endif()
