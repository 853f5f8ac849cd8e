# End-to-end tests (tests/e2e): the Windows programs under Wine and the Linux programs natively,
# on a virtual X display, through the harness in tools/harness. Included from the native
# configuration. VELMIRA_WIN32_DIR is the folder with the .exe files (velmira.exe,
# velmira-sim.exe and the tests' helper velmira-e2e-driver.exe). A test skips (exit code 77)
# with a message when neither program can run (no Wine, no Xvfb, no Linux build).
if(NOT VELMIRA_WIN32_DIR)
  set(VELMIRA_WIN32_DIR ${PROJECT_SOURCE_DIR}/build/win32)
endif()

find_package(Python3 COMPONENTS Interpreter)
if(NOT Python3_Interpreter_FOUND)
  message(WARNING "python3 not found: the end-to-end tests are not registered")
  return()
endif()

find_program(VELMIRA_WINE_PROGRAM wine)
find_program(VELMIRA_XVFB_PROGRAM Xvfb)
if(NOT VELMIRA_WINE_PROGRAM OR NOT VELMIRA_XVFB_PROGRAM)
  message(STATUS "Wine or Xvfb not installed: the Windows programs' end-to-end tests will be "
                 "skipped")
endif()

# One CTest test per tests/e2e/test_NAME.py, named e2e_NAME. They share the Wine prefix
# (build/wineprefix) and its wineserver, so they run one at a time and alone.
file(GLOB VELMIRA_E2E_SCRIPTS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/e2e/test_*.py)
set(VELMIRA_E2E_ENVIRONMENT
    VELMIRA_WIN32_DIR=${VELMIRA_WIN32_DIR}
    VELMIRA_NATIVE_DIR=${CMAKE_BINARY_DIR}
    PYTHONPATH=${PROJECT_SOURCE_DIR}/tools
    PYTHONDONTWRITEBYTECODE=1)
foreach(script IN LISTS VELMIRA_E2E_SCRIPTS)
  get_filename_component(stem ${script} NAME_WE)
  string(REGEX REPLACE "^test_" "" name ${stem})
  add_test(NAME e2e_${name}
           COMMAND ${Python3_EXECUTABLE} ${script}
           WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}/tests/e2e)
  set_tests_properties(e2e_${name} PROPERTIES
    TIMEOUT 900
    RUN_SERIAL TRUE
    SKIP_RETURN_CODE 77
    LABELS e2e
    ENVIRONMENT "${VELMIRA_E2E_ENVIRONMENT}")
endforeach()
