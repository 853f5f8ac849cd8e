# Checks of the tree itself. Included from the native configuration.
#  - house_format: every C++ file formatted as .clang-format says (scripts/check-format).
#  - house_layers: includes point down through the layers, no include circles, no platform
#    header in the portable core (tests/house/check_layers.py).
add_test(NAME house_format COMMAND ${PROJECT_SOURCE_DIR}/scripts/check-format)
set_tests_properties(house_format PROPERTIES SKIP_RETURN_CODE 77 LABELS house)
add_test(NAME house_layers
         COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tests/house/check_layers.py
                 ${PROJECT_SOURCE_DIR})
set_tests_properties(house_layers PROPERTIES LABELS house ENVIRONMENT "PYTHONDONTWRITEBYTECODE=1")
