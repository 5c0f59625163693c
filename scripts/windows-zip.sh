#!/usr/bin/env bash
# Packs the Windows download (both quernel.exe builds and a CR LF README) into
# build/windows-zip/quernel-X.Y.Z-windows.zip and checks what it holds.
# Needs the windows-x64 and windows-x86 builds (scripts/windows-test.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/windows-zip
cmake -S packaging/windows-zip -B "$build" -G Ninja \
  -DQUERNEL_X64_EXE="$PWD/build/windows-x64/quernel.exe" \
  -DQUERNEL_X86_EXE="$PWD/build/windows-x86/quernel.exe" >/dev/null
(cd "$build" && cpack >/dev/null)
zip=$(ls "$build"/quernel-*-windows.zip)
echo "$zip"

listing=$(cd "$build" && cmake -E tar tf "$(basename "$zip")")
echo "$listing"
for wanted in 64-bit/quernel.exe 32-bit/quernel.exe README.txt; do
  grep -q "/$wanted\$" <<<"$listing" || { echo "missing from the zip: $wanted"; exit 1; }
done
# Every line of the README ends in CR LF.
readme=$(mktemp -d)
trap 'rm -rf "$readme"' EXIT
(cd "$readme" && cmake -E tar xf "$OLDPWD/$zip")
if grep -q $'[^\r]$' "$readme"/quernel-*-windows/README.txt; then
  echo "README.txt has lines without CR LF"; exit 1
fi
