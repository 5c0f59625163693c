# The end-to-end suite once more for each Windows build, run under Wine as
# one test per build; a setup fixture prepares the Wine prefix first.
#
# Each build runs with its own Wine loader, never through the `wine` wrapper:
# on a kernel without 32-bit support the wrapper, which picks the 32-bit
# loader, fails even for 64-bit programs. The 32-bit suite is skipped, with
# the reason, where the 32-bit loader cannot run.

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

# Debian keeps the loaders in /usr/lib/wine (wine64, and wine from wine32:i386).
find_program(QUERNEL_WINE64 wine64 HINTS /usr/lib/wine REQUIRED)
# Without the 32-bit one the 32-bit suite says that it was skipped, and why.
find_program(QUERNEL_WINE32 wine HINTS /usr/lib/wine NO_DEFAULT_PATH)
find_program(QUERNEL_WINESERVER wineserver HINTS /usr/lib/wine REQUIRED)

set(QUERNEL_WINE_SESSION ${CMAKE_CURRENT_SOURCE_DIR}/e2e/wine_session.sh)
set(QUERNEL_WINE_SUITE ${CMAKE_CURRENT_SOURCE_DIR}/e2e/wine_suite.sh)
# C.UTF-8: code pages 1252 and 437, and Unix file names that hold any character.
set(QUERNEL_WINE_ENVIRONMENT "WINEPREFIX=${QUERNEL_WINE_PREFIX}" "WINEDEBUG=-all" "LC_ALL=C.UTF-8"
    "QUERNEL_WINE64=${QUERNEL_WINE64}" "QUERNEL_WINESERVER=${QUERNEL_WINESERVER}")

add_test(NAME wine_session_start COMMAND ${QUERNEL_WINE_SESSION} start)
add_test(NAME wine_session_stop COMMAND ${QUERNEL_WINE_SESSION} stop)
set_tests_properties(wine_session_start PROPERTIES
  FIXTURES_SETUP wine LABELS wine ENVIRONMENT "${QUERNEL_WINE_ENVIRONMENT}" TIMEOUT 180)
set_tests_properties(wine_session_stop PROPERTIES
  FIXTURES_CLEANUP wine LABELS wine ENVIRONMENT "${QUERNEL_WINE_ENVIRONMENT}")

function(quernel_wine_suite name bits loader exe)
  add_test(NAME windows-${name}.e2e
           COMMAND ${QUERNEL_WINE_SUITE} ${bits} ${loader} ${exe} $<TARGET_FILE:quernel_e2e_tests>)
  set_tests_properties(windows-${name}.e2e PROPERTIES
    FIXTURES_REQUIRED wine
    LABELS wine
    SKIP_RETURN_CODE 77
    ENVIRONMENT "${QUERNEL_WINE_ENVIRONMENT}")
endfunction()
quernel_wine_suite(x64 64 ${QUERNEL_WINE64} ${QUERNEL_WINE_X64_EXE})
quernel_wine_suite(x86 32 ${QUERNEL_WINE32} ${QUERNEL_WINE_X86_EXE})

# The skip itself: where 32-bit programs cannot run, the 32-bit suite must say
# so instead of running or failing. Simulated with the override, and with a
# "loader" that is a bare ELF header, which the kernel refuses as "Exec format
# error" just as a kernel without IA32 emulation refuses the real one.
set(refused_loader ${CMAKE_CURRENT_BINARY_DIR}/wine-refused-loader)
execute_process(COMMAND printf "\\177ELF\\001\\001\\001\\000" OUTPUT_FILE ${refused_loader})
file(CHMOD ${refused_loader} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
add_test(NAME windows-x86.skip-when-assumed-absent
         COMMAND ${CMAKE_COMMAND} -E env QUERNEL_ASSUME_NO_32BIT=1
                 ${QUERNEL_WINE_SUITE} 32 ${QUERNEL_WINE32} ${QUERNEL_WINE_X86_EXE} false)
add_test(NAME windows-x86.skip-when-not-executable
         COMMAND ${CMAKE_COMMAND} -E env --unset=QUERNEL_ASSUME_NO_32BIT
                 ${QUERNEL_WINE_SUITE} 32 ${refused_loader} ${QUERNEL_WINE_X86_EXE} false)
set_tests_properties(windows-x86.skip-when-assumed-absent PROPERTIES
  LABELS wine PASS_REGULAR_EXPRESSION "32-bit suite skipped: QUERNEL_ASSUME_NO_32BIT is set")
set_tests_properties(windows-x86.skip-when-not-executable PROPERTIES
  LABELS wine
  PASS_REGULAR_EXPRESSION "32-bit suite skipped: this machine cannot run 32-bit programs .*Exec format error")

# The "-imap" upload of the 64-bit build into the same Dovecot test server:
# Schannel, trusting the test CA through -cafile (Wine's store lacks it).
add_test(NAME windows-x64.imap_dovecot_upload
         COMMAND Python3::Interpreter ${CMAKE_CURRENT_SOURCE_DIR}/imap/dovecot_upload.py
                 ${QUERNEL_WINE_X64_EXE} $<TARGET_FILE:imap_upload_mailbox> ${PROJECT_SOURCE_DIR}/samples/store)
set_tests_properties(windows-x64.imap_dovecot_upload PROPERTIES
  FIXTURES_REQUIRED wine
  LABELS wine
  SKIP_RETURN_CODE 77
  TIMEOUT 600
  ENVIRONMENT "${QUERNEL_WINE_ENVIRONMENT};QUERNEL_WINE_LOADER=${QUERNEL_WINE64}")
