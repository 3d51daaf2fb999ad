#!/usr/bin/env bash
# Installs KORV into a temporary prefix and checks what a desktop and a package rely on:
# the programs start from there, the help viewer of the installed korv finds the guide,
# the menu entry validates and the MIME declaration is well-formed XML.
set -euo pipefail
build=$1
source=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null

for f in bin/korv-batch share/korv/KORVWinHelp.html share/applications/korv.desktop \
         share/icons/hicolor/scalable/apps/korv.svg share/mime/packages/korv.xml \
         share/man/man1/korv-batch.1; do
  [ -f "$prefix/$f" ] || fail "$f was not installed"
done

version=$("$prefix/bin/korv-batch" --version) || fail "installed korv-batch --version failed"
case "$version" in *"KORV Ver."*) ;; *) fail "unexpected version text: $version" ;; esac

if [ -x "$build/src/app/korv" ]; then
  [ -f "$prefix/bin/korv" ] || fail "bin/korv was not installed"
  [ -f "$prefix/share/man/man1/korv.1" ] || fail "korv.1 was not installed"
  guide=$(QT_QPA_PLATFORM=offscreen "$prefix/bin/korv" --guide-path) || fail "installed korv found no guide"
  [ "$guide" = "$(cd "$prefix" && pwd -P)/share/korv/KORVWinHelp.html" ] || fail "installed korv opens $guide"
  # A relocated install still finds its guide.
  moved=$(mktemp -d)
  cp -a "$prefix/." "$moved/"
  guide=$(QT_QPA_PLATFORM=offscreen "$moved/bin/korv" --guide-path) || { rm -rf "$moved"; fail "relocated korv found no guide"; }
  [ "$guide" = "$(cd "$moved" && pwd -P)/share/korv/KORVWinHelp.html" ] || { rm -rf "$moved"; fail "relocated korv opens $guide"; }
  rm -rf "$moved"
fi

if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$prefix/share/applications/korv.desktop" || fail "desktop-file-validate"
else
  echo "desktop-file-validate not found: desktop entry not validated" >&2
fi
if command -v xmllint >/dev/null; then
  xmllint --noout "$prefix/share/mime/packages/korv.xml" || fail "MIME XML is not well formed"
  xmllint --noout "$prefix/share/icons/hicolor/scalable/apps/korv.svg" || fail "icon is not well-formed SVG"
fi
grep -q '^MimeType=.*application/x-korv-measurement-n' "$prefix/share/applications/korv.desktop" ||
  fail "desktop entry does not open measurements"
grep -q 'pattern="\*.nT"' "$prefix/share/mime/packages/korv.xml" || fail "MIME declares no *.nT"
grep -q 'pattern="\*.pT"' "$prefix/share/mime/packages/korv.xml" || fail "MIME declares no *.pT"
grep -q '^\.TH KORV-BATCH 1' "$prefix/share/man/man1/korv-batch.1" || fail "korv-batch.1 has no title line"
grep -q 'korv-batch analyze' "$prefix/share/man/man1/korv-batch.1" || fail "korv-batch.1 lacks the usage"
# The Python module goes into dist-packages and imports from there with Debian's interpreter.
if ls "$build"/python/korv.*.so >/dev/null 2>&1; then
  site="$prefix/lib/python3/dist-packages"
  ls "$site"/korv.*.so >/dev/null 2>&1 || fail "the Python module was not installed in lib/python3/dist-packages"
  [ -f "$site/korv.pyi" ] || fail "korv.pyi was not installed"
  PYTHONPATH="$site" /usr/bin/python3 -c "import korv, sys; sys.exit(0 if korv.__file__.startswith('$site') else 1)" ||
    fail "the installed Python module does not import"
fi
echo "install check passed: $prefix"
