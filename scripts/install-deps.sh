#!/usr/bin/env bash
# Installs the Debian packages that building and testing KORV need, when any is missing.
# Runs apt-get as root, or through sudo.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-svg-dev libqcustomplot-dev libgl-dev
  clang libclang-rt-14-dev
  libgsl-dev
  desktop-file-utils libxml2-utils dpkg-dev file
  xvfb xauth locales
  python3 python3-dev pybind11-dev python3-pybind11 python3-numpy python3-pytest python3-matplotlib
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

# The locale tests check that a German desktop still reads "0.5".
need_locale=0
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then need_locale=1; fi
[ ${#missing[@]} -eq 0 ] && [ $need_locale -eq 0 ] && exit 0

[ ${#missing[@]} -gt 0 ] && echo "Installing missing packages: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  SUDO=()
elif command -v sudo >/dev/null 2>&1; then
  SUDO=(sudo)
else
  echo "These packages are missing and neither root nor sudo is available: ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
if [ ${#missing[@]} -gt 0 ]; then
  "${SUDO[@]}" apt-get update -qq
  "${SUDO[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

if [ $need_locale -eq 1 ] && [ -f /etc/locale.gen ]; then
  "${SUDO[@]}" sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | "${SUDO[@]}" tee -a /etc/locale.gen >/dev/null
  "${SUDO[@]}" locale-gen >/dev/null || echo "locale-gen failed; the locale tests will be skipped" >&2
fi
