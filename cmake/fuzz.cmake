# Fuzzing of the performance reader (tests/fuzz). Included from the native configuration.
#  - fuzz_corpus_check: the seed corpus through the fuzz target's checks, with g++ and the core
#    library; every seed's outcome must match its name. Always registered.
#  - fuzz_reader_short: libFuzzer for about 60 seconds (scripts/fuzz 60), built with clang in
#    <build>/fuzz. Skipped with a message when clang cannot build a libFuzzer target.
enable_testing()

add_executable(velmira_fuzz_corpus_check ${PROJECT_SOURCE_DIR}/tests/fuzz/corpus_check.cpp
               ${PROJECT_SOURCE_DIR}/tests/fuzz/performance_reader_fuzz.cpp)
velmira_target_defaults(velmira_fuzz_corpus_check)
target_link_libraries(velmira_fuzz_corpus_check PRIVATE velmira_core)
add_test(NAME fuzz_corpus_check
         COMMAND velmira_fuzz_corpus_check ${PROJECT_SOURCE_DIR}/tests/fuzz/corpus)

find_program(VELMIRA_FUZZ_CLANGXX NAMES clang++ clang++-14)
set(VELMIRA_FUZZ_PROBLEM "")
if(NOT VELMIRA_FUZZ_CLANGXX)
  set(VELMIRA_FUZZ_PROBLEM "clang++ not found")
else()
  # Can this clang link a libFuzzer target with the sanitizers (libclang-rt-*-dev)?
  set(probe ${CMAKE_BINARY_DIR}/fuzz-probe)
  file(WRITE ${probe}.cpp
       "#include <cstddef>\n#include <cstdint>\n"
       "extern \"C\" int LLVMFuzzerTestOneInput(const uint8_t*, size_t) { return 0; }\n")
  execute_process(
    COMMAND ${VELMIRA_FUZZ_CLANGXX} -fsanitize=fuzzer,address,undefined ${probe}.cpp -o ${probe}
    RESULT_VARIABLE probe_result OUTPUT_QUIET ERROR_QUIET)
  if(NOT probe_result EQUAL 0)
    set(VELMIRA_FUZZ_PROBLEM "${VELMIRA_FUZZ_CLANGXX} cannot link a libFuzzer target")
  endif()
endif()

if(VELMIRA_FUZZ_PROBLEM STREQUAL "")
  add_test(NAME fuzz_reader_short
           COMMAND ${CMAKE_COMMAND} -E env VELMIRA_FUZZ_BUILD=${CMAKE_BINARY_DIR}/fuzz
                   VELMIRA_FUZZ_CXX=${VELMIRA_FUZZ_CLANGXX}
                   ${PROJECT_SOURCE_DIR}/scripts/fuzz 60)
else()
  message(STATUS "Fuzzing: ${VELMIRA_FUZZ_PROBLEM}; fuzz_reader_short will be skipped")
  add_test(NAME fuzz_reader_short
           COMMAND sh -c "echo 'fuzz_reader_short skipped: ${VELMIRA_FUZZ_PROBLEM} (Debian: apt-get install clang libclang-rt-14-dev)'; exit 77")
endif()
set_tests_properties(fuzz_reader_short PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 900 LABELS fuzz)
