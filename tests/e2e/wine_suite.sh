#!/usr/bin/env bash
# Runs the end-to-end suite against one Windows build under Wine:
#   wine_suite.sh BITS LOADER EXE RUNNER [RUNNER ARGUMENTS...]
# BITS is 64 or 32, LOADER the Wine loader for that word size
# (/usr/lib/wine/wine64 or /usr/lib/wine/wine), RUNNER the suite's binary.
#
# Some machines cannot run 32-bit programs at all (a kernel without IA32
# emulation refuses them with "Exec format error"). There the 32-bit suite
# prints why it did not run and exits with 77, which CTest reports as
# skipped. QUERNEL_ASSUME_NO_32BIT=1 takes that path on any machine.
set -u

bits=$1 loader=$2 exe=$3
shift 3

skip() {
  echo "32-bit suite skipped: $*"
  exit 77
}

if [ "$bits" = 32 ]; then
  if [ -n "${QUERNEL_ASSUME_NO_32BIT:-}" ]; then
    skip "QUERNEL_ASSUME_NO_32BIT is set"
  elif [ ! -x "$loader" ]; then
    skip "no 32-bit Wine loader (the package wine32:i386) is installed"
  elif ! refusal=$("$loader" --version 2>&1); then
    skip "this machine cannot run 32-bit programs ($loader --version: $refusal)"
  fi
fi

QUERNEL_TARGET=windows QUERNEL_COMMAND="$loader $exe" exec "$@"
