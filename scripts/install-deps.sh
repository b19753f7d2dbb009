#!/usr/bin/env bash
# Installs with apt what the build, the tests and the GUI need, only what is missing.
# Safe to run again and again.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  qt6-base-dev libqt6printsupport6 qt6-svg-dev libx11-dev qt6-translations-l10n
  libsqlite3-dev libxlsxwriter-dev libpq-dev postgresql
  googletest libgtest-dev libbenchmark-dev
  fonts-noto-cjk fonts-arphic-uming
  xvfb xauth imagemagick poppler-utils
  dpkg-dev file desktop-file-utils shared-mime-info libxml2-utils
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
