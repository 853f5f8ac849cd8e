# Native build: unit tests and benchmarks of the portable core.
enable_testing()
find_package(GTest REQUIRED)
find_package(benchmark REQUIRED)

file(GLOB VELMIRA_UNIT_TESTS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/unit/*.cpp)
add_executable(velmira_unit_tests ${VELMIRA_UNIT_TESTS})
velmira_target_defaults(velmira_unit_tests)
target_link_libraries(velmira_unit_tests PRIVATE velmira_core GTest::gtest GTest::gtest_main)
# The song book and other files of the tree that tests read.
target_compile_definitions(velmira_unit_tests PRIVATE VELMIRA_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
include(GoogleTest)
gtest_discover_tests(velmira_unit_tests DISCOVERY_TIMEOUT 60)
# They read the score's SVG back with expat.
find_package(EXPAT REQUIRED)
target_link_libraries(velmira_unit_tests PRIVATE EXPAT::EXPAT)

# The rendered pictures: sizes, bit depths, cells and the background pixel.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_test(NAME resources_check
  COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tests/resources/check_bitmaps.py
          ${PROJECT_SOURCE_DIR}/resources)

file(GLOB VELMIRA_BENCHES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/bench/*.cpp)
add_executable(velmira_bench ${VELMIRA_BENCHES})
velmira_target_defaults(velmira_bench)
target_link_libraries(velmira_bench PRIVATE velmira_core benchmark::benchmark GTest::gtest)
target_compile_definitions(velmira_bench PRIVATE VELMIRA_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
# The benchmarks must at least run: one short pass of each under CTest, written in both formats
# that people feed to their tools (CSV needs the same counters in every run).
add_test(NAME bench_smoke COMMAND velmira_bench --benchmark_min_time=0.01 --benchmark_format=csv
         --benchmark_out=bench_smoke.json --benchmark_out_format=json)

# The std::thread timer service and playback against it, built twice: under ThreadSanitizer
# (data races) and under AddressSanitizer (memory used after it was freed, which the thread
# sanitizer cannot see).
set(VELMIRA_THREAD_TESTS tests/threads/thread_timer_test.cpp tests/threads/playback_stress_test.cpp
    record/playback.cpp record/thread_timer_service.cpp record/event_buffer.cpp)
foreach(sanitizer IN ITEMS thread address)
  add_executable(velmira_${sanitizer}_tests ${VELMIRA_THREAD_TESTS})
  velmira_target_defaults(velmira_${sanitizer}_tests)
  target_compile_options(velmira_${sanitizer}_tests PRIVATE -fsanitize=${sanitizer} -g -O1)
  target_link_options(velmira_${sanitizer}_tests PRIVATE -fsanitize=${sanitizer})
  target_link_libraries(velmira_${sanitizer}_tests PRIVATE GTest::gtest GTest::gtest_main)
endforeach()
add_test(NAME tsan_timer_and_playback COMMAND velmira_thread_tests)
add_test(NAME asan_timer_and_playback COMMAND velmira_address_tests)
set_tests_properties(tsan_timer_and_playback PROPERTIES
  ENVIRONMENT "TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1" TIMEOUT 300)
set_tests_properties(asan_timer_and_playback PROPERTIES
  ENVIRONMENT "ASAN_OPTIONS=halt_on_error=1:detect_leaks=1" TIMEOUT 300)

# The demo performance: made from its score through the key map; the committed file must match.
add_executable(make-demo tools/make_demo.cpp)
velmira_target_defaults(make-demo)
target_link_libraries(make-demo PRIVATE velmira_core)
add_test(NAME demo_matches_its_score
  COMMAND ${CMAKE_COMMAND} -DMAKE_DEMO=$<TARGET_FILE:make-demo>
          -DSCORE=${PROJECT_SOURCE_DIR}/resources/demo/ode_to_joy.txt
          -DCOMMITTED=${PROJECT_SOURCE_DIR}/resources/demo/demo.qji
          -DOUT=${CMAKE_BINARY_DIR}/demo-check.qji
          -P ${PROJECT_SOURCE_DIR}/cmake/check_demo.cmake)

# The help pages, both sets as staged here (cmake/help_pages.cmake), and the compiled help file,
# once the Windows build has made it.
add_test(NAME help_check
  COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tests/help/check_help.py
          ${PROJECT_SOURCE_DIR}/build/win32/qj.chm --staged Windows ${VELMIRA_HELP_DIR}
          --staged Linux ${VELMIRA_LINUX_HELP_DIR})

include(${CMAKE_CURRENT_LIST_DIR}/house.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/e2e.cmake)
