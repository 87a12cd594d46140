# GoogleTest from Debian's sources, cross-compiled with the project; ctest runs the tests through wine.
set(GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(${GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
target_compile_options(gtest PRIVATE -w)
target_compile_options(gtest_main PRIVATE -w)

include(GoogleTest)

# A bare ctest (in the build folder or any folder below it) refuses to run.
function(corvatel_require_test_harness)
  get_property(files DIRECTORY PROPERTY TEST_INCLUDE_FILES)
  if(NOT "${PROJECT_SOURCE_DIR}/cmake/RequireTestHarness.cmake" IN_LIST files)
    set_property(DIRECTORY PROPERTY TEST_INCLUDE_FILES
                 ${PROJECT_SOURCE_DIR}/cmake/RequireTestHarness.cmake ${files})
  endif()
endfunction()
corvatel_require_test_harness()

# corvatel_add_test(NAME SOURCES src... [LIBS lib...])
# Tests are listed at ctest time, when the wine prefix of the run exists.
function(corvatel_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  corvatel_require_test_harness()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} gtest_main gtest)
  # Wine maps the host's root to drive Z:.
  target_compile_definitions(${name} PRIVATE CORVATEL_FIXTURES_DIR="Z:${PROJECT_SOURCE_DIR}/tests/fixtures")
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                       WORKING_DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
endfunction()
