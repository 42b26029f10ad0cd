#!/usr/bin/env bash
# Builds the Debian package as a user without GoogleTest would (tests off,
# GoogleTest not to be found), unpacks it and checks what it holds: the
# program runs and says its version, the man page and completion pass
# check_docs.sh, and lintian finds no error. Exit 77 (skipped) without
# dpkg-deb.
# Usage: check_package.sh VERSION SOURCE_DIR BUILD_DIR [CMAKE_ARGS...]
set -euo pipefail
version=$1 src=$2 build=$3
shift 3
command -v dpkg-deb >/dev/null 2>&1 || { echo "dpkg-deb is not installed: skipped"; exit 77; }

gen=()
command -v ninja >/dev/null 2>&1 && gen=(-G Ninja)
[ -f "$build/CMakeCache.txt" ] && gen=()
cmake --no-warn-unused-cli -S "$src" -B "$build" "${gen[@]}" -DBUILD_TESTING=OFF -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON \
  -DKLVC_BENCH=OFF "$@" >/dev/null
cmake --build "$build" -j 2
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/klvc_*.deb)
root="$build/unpacked"
rm -rf "$root"
dpkg-deb -x "$deb" "$root"
dpkg-deb -f "$deb" Package Version Maintainer Depends Description

got=$("$root/usr/bin/klvc" --version)
[ "$got" = "klvc $version" ] || { echo "klvc --version said '$got', not 'klvc $version'"; exit 1; }
"$(dirname "$0")/check_docs.sh" "$root/usr/bin/klvc" "$root/usr/share/man/man1/klvc.1.gz" \
  "$root/usr/share/bash-completion/completions/klvc"
[ -f "$root/usr/share/doc/klvc/README.md" ] || { echo "the README is not in the package"; exit 1; }

if command -v lintian >/dev/null 2>&1; then
  report=$(lintian --no-cfg "$deb" 2>&1 || true)
  echo "$report"
  if grep -q '^E:' <<<"$report"; then echo "lintian reports errors"; exit 1; fi
fi
echo "package ok: $deb"
