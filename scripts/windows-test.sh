#!/usr/bin/env bash
# Builds the 64-bit and the 32-bit quernel.exe with MinGW-w64 and runs the
# end-to-end suite against both under Wine. Needs wine64, wine32:i386,
# g++-mingw-w64-x86-64 and g++-mingw-w64-i686 (see the README).
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --workflow --preset windows-x64
cmake --workflow --preset windows-x86
cmake --preset windows-e2e
cmake --build --preset windows-e2e
ctest --preset windows-e2e
