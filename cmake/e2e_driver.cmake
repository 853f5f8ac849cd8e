# The end-to-end tests' helper program, run under Wine beside the program under test: it finds
# windows and controls of another process, posts messages to them and takes the keyboard focus.
# Included from cmake/win32.cmake (MinGW-w64 build); the tests look for it next to velmira.exe.
add_executable(velmira-e2e-driver ${CMAKE_CURRENT_LIST_DIR}/../tests/e2e/driver/driver.cpp)
set_target_properties(velmira-e2e-driver PROPERTIES
  CXX_STANDARD 17
  CXX_STANDARD_REQUIRED ON
  CXX_EXTENSIONS OFF)
target_compile_options(velmira-e2e-driver PRIVATE -Wall -Wextra -Werror)
target_compile_definitions(velmira-e2e-driver PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN)
target_link_options(velmira-e2e-driver PRIVATE -static -static-libgcc -static-libstdc++)
target_link_libraries(velmira-e2e-driver PRIVATE user32 gdi32)
