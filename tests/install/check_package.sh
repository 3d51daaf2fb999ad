#!/usr/bin/env bash
# Builds the Debian package of `make package` into a temporary folder and checks its
# contents and its declared run-time dependencies.
set -euo pipefail
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
command -v dpkg-deb >/dev/null || { echo "dpkg-deb not found: package not checked"; exit 0; }

(cd "$build" && cpack -G DEB -B "$out" >/dev/null)
deb=$(ls "$out"/korv_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || fail "cpack wrote no korv_*.deb"

contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/korv-batch ./usr/share/korv/KORVWinHelp.html ./usr/share/applications/korv.desktop \
         ./usr/share/mime/packages/korv.xml ./usr/share/icons/hicolor/scalable/apps/korv.svg \
         ./usr/share/man/man1/korv-batch.1 ./usr/share/doc/korv/copyright; do
  grep -q " $f\$" <<<"$contents" || fail "the package lacks $f"
done
depends=$(dpkg-deb -f "$deb" Depends)
[ -x "$build/src/app/korv" ] && for d in libqt6widgets6 libqcustomplot2.1-qt6 qt6-qpa-plugins; do
  grep -q "$d" <<<"$depends" || fail "Depends lacks $d: $depends"
done
if ls "$build"/python/korv.*.so >/dev/null 2>&1; then
  grep -q " ./usr/lib/python3/dist-packages/korv\.cpython-.*\.so\$" <<<"$contents" || fail "the package lacks the Python module"
  grep -q " ./usr/lib/python3/dist-packages/korv.pyi\$" <<<"$contents" || fail "the package lacks korv.pyi"
  for d in "python3 (>= 3." "python3 (<< 3." python3-numpy; do
    grep -qF "$d" <<<"$depends" || fail "Depends lacks $d: $depends"
  done
fi
[ "$(dpkg-deb -f "$deb" Package)" = korv ] || fail "package name"
echo "package check passed: $(basename "$deb"), $(stat -c %s "$deb") bytes"
echo "Depends: $depends"
