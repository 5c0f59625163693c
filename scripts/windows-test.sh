#!/usr/bin/env bash
# Builds the 64-bit and the 32-bit quernel.exe with MinGW-w64 and runs the
# end-to-end suite of the release build against both under Wine. Needs
# wine64, g++-mingw-w64-x86-64 and g++-mingw-w64-i686, and wine32:i386 for
# the 32-bit suite (see the README). On a machine that cannot run 32-bit
# programs the 32-bit suite is skipped and the reason printed; set
# QUERNEL_ASSUME_NO_32BIT=1 to take that path anywhere.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --workflow --preset windows-x64
cmake --workflow --preset windows-x86
cmake --preset windows-e2e
cmake --build --preset windows-e2e

# The file-system contract against Win32FileSystem, in the tests' Wine
# prefix, in a fresh folder on the RAM disk when there is one.
prefix=$(sed -n 's/^QUERNEL_WINE_PREFIX:PATH=//p' build/release/CMakeCache.txt)
loader32=$(sed -n 's/^QUERNEL_WINE32:FILEPATH=//p' build/release/CMakeCache.txt)
loader64=$(sed -n 's/^QUERNEL_WINE64:FILEPATH=//p' build/release/CMakeCache.txt)
run_contract() {  # LOADER EXE
  local folder
  folder=$(mktemp -d "$( [ -d /dev/shm ] && echo /dev/shm || echo "${TMPDIR:-/tmp}")/quernel-contract.XXXXXX")
  local status=0
  WINEPREFIX=$prefix WINEDEBUG=-all LC_ALL=C.UTF-8 "$1" "$2" "Z:${folder//\//\\}" || status=$?
  rm -rf "$folder"
  return $status
}
run_contract "$loader64" build/windows-x64/quernel_fs_contract.exe
if tests/e2e/wine_suite.sh 32 "$loader32" build/windows-x86/quernel.exe true >/dev/null; then
  run_contract "$loader32" build/windows-x86/quernel_fs_contract.exe
fi

ctest --preset windows-e2e

# CTest keeps a skipped test's output in its log only: ask the same check
# again so that the reason shows here.
tests/e2e/wine_suite.sh 32 "$loader32" build/windows-x86/quernel.exe true ||
  [ $? -eq 77 ]

