# Read by ctest before it lists a test: the tests run only in the Wine prefix scripts/test makes for
# a run, never in the user's own ~/.wine.
if(NOT DEFINED ENV{CORVATEL_TEST_PREFIX} OR NOT "$ENV{WINEPREFIX}" STREQUAL "$ENV{CORVATEL_TEST_PREFIX}")
  message(FATAL_ERROR "Run the tests with scripts/test: they need the Wine prefix it makes.")
endif()
