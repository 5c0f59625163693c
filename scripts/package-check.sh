#!/usr/bin/env bash
# Makes the Debian package from the release build (build/release, the build
# the tests ran against), lints the man page, installs the package on this
# machine, checks that the shell and man find what it installed, and removes
# it again. Needs root (CI runs as root), mandoc, man-db, dpkg-dev and file.
set -euo pipefail
cd "$(dirname "$0")/.."

fail() { echo "package-check: $*" >&2; exit 1; }

version=$(sed -n 's/^project(quernel VERSION \([0-9][0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || fail "no version in CMakeLists.txt"

echo "--- man page lint"
lint=$(mandoc -T lint -W all docs/quernel.1 2>&1) || true
[ -z "$lint" ] || fail "mandoc -T lint reports:"$'\n'"$lint"

echo "--- make the package from the release build"
rm -f build/release/quernel_*.deb
cmake --preset release >/dev/null
cmake --build --preset release
cpack --preset release
deb="$PWD/build/release/quernel_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "expected $deb"
dpkg-deb --info "$deb"
dpkg-deb --contents "$deb"

if dpkg -s quernel >/dev/null 2>&1; then
  fail "quernel is installed already; remove it first (dpkg -r quernel)"
fi

echo "--- install"
remove() { dpkg -r quernel >/dev/null 2>&1 || true; }
trap remove EXIT
DEBIAN_FRONTEND=noninteractive apt-get install -y -q -o DPkg::Lock::Timeout=300 "$deb"

echo "--- check the installed files"
[ "$(command -v quernel)" = /usr/bin/quernel ] || fail "the shell does not find /usr/bin/quernel"
shown=$(quernel --version) || fail "quernel --version exited with $?"
[ "$shown" = "quernel $version" ] || fail "quernel --version printed '$shown'"
quernel --help >/dev/null || fail "quernel --help exited with $?"
[ -f /usr/share/man/man1/quernel.1 ] ||
  fail "man page not installed (a dpkg path-exclude rule for /usr/share/man?)"
manpage=$(man -w quernel) || fail "man -w quernel finds nothing"
[ "$manpage" = /usr/share/man/man1/quernel.1 ] || fail "man -w quernel gives $manpage"
[ -f /usr/share/doc/quernel/README.md ] || fail "README not installed"
echo "quernel --version: $shown"
echo "man -w quernel:    $manpage"

echo "--- remove"
trap - EXIT
dpkg -r quernel
if [ -e /usr/bin/quernel ] || [ -e /usr/share/man/man1/quernel.1 ] || [ -e /usr/share/doc/quernel ]; then
  fail "files left behind after dpkg -r"
fi
if dpkg -s quernel 2>/dev/null | grep -q '^Status: install'; then
  fail "dpkg still lists quernel as installed"
fi
echo "package-check: $(basename "$deb") built, installed, checked and removed"
