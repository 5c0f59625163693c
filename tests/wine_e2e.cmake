# The end-to-end suite once more for each Windows build, run under Wine as
# one test per build; a setup fixture prepares the Wine prefix first.

set(QUERNEL_WINE_X64_EXE "${PROJECT_SOURCE_DIR}/build/windows-x64/quernel.exe" CACHE FILEPATH
    "The 64-bit quernel.exe that the Wine tests run")
set(QUERNEL_WINE_X86_EXE "${PROJECT_SOURCE_DIR}/build/windows-x86/quernel.exe" CACHE FILEPATH
    "The 32-bit quernel.exe that the Wine tests run")
# A prefix holds thousands of small files: in memory it takes seconds to
# make, on a slow disk minutes. One per build folder.
string(MD5 build_hash "${CMAKE_BINARY_DIR}")
string(SUBSTRING "${build_hash}" 0 12 build_hash)
if(IS_DIRECTORY /dev/shm)
  set(default_prefix "/dev/shm/quernel-wine-${build_hash}")
else()
  set(default_prefix "${CMAKE_BINARY_DIR}/wine-prefix")
endif()
set(QUERNEL_WINE_PREFIX "${default_prefix}" CACHE PATH "The Wine prefix of the tests; made on first use")

find_program(QUERNEL_WINE wine REQUIRED)
set(QUERNEL_WINE_SESSION ${CMAKE_CURRENT_SOURCE_DIR}/e2e/wine_session.sh)
# C.UTF-8: code pages 1252 and 437, and Unix file names that hold any character.
set(QUERNEL_WINE_ENVIRONMENT "WINEPREFIX=${QUERNEL_WINE_PREFIX}" "WINEDEBUG=-all" "LC_ALL=C.UTF-8")

add_test(NAME wine_session_start COMMAND ${QUERNEL_WINE_SESSION} start)
add_test(NAME wine_session_stop COMMAND ${QUERNEL_WINE_SESSION} stop)
set_tests_properties(wine_session_start PROPERTIES
  FIXTURES_SETUP wine ENVIRONMENT "${QUERNEL_WINE_ENVIRONMENT}" TIMEOUT 180)
set_tests_properties(wine_session_stop PROPERTIES
  FIXTURES_CLEANUP wine ENVIRONMENT "${QUERNEL_WINE_ENVIRONMENT}")

foreach(build x64 x86)
  string(TOUPPER "${build}" upper)
  set(exe "${QUERNEL_WINE_${upper}_EXE}")
  add_test(NAME windows-${build}.e2e COMMAND quernel_e2e_tests)
  set_tests_properties(windows-${build}.e2e PROPERTIES
    FIXTURES_REQUIRED wine
    LABELS wine
    ENVIRONMENT "${QUERNEL_WINE_ENVIRONMENT};QUERNEL_TARGET=windows;QUERNEL_COMMAND=${QUERNEL_WINE} ${exe}")
endforeach()
