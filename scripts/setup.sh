#!/usr/bin/env bash
# Installs the Debian packages the project needs to build, test and run.
# Idempotent: packages already present are skipped, and apt is not touched at
# all when everything is there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libgl-dev qt6-translations-l10n
  qt6-svg-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libjpeg62-turbo-dev libxlsxwriter-dev zlib1g-dev
  fonts-liberation
  xvfb xauth
  xdotool imagemagick openbox x11-utils
  python3 python3-xlrd python3-openpyxl
  poppler-utils qpdf unrtf zbar-tools
  lintian
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
