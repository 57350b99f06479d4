#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running Quillet need, skipping those
# already present. Runs apt-get through sudo when not root.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git clang-14 libclang-rt-14-dev
  libsqlite3-dev sqlite3
  unixodbc unixodbc-dev odbc-postgresql libsqliteodbc
  postgresql postgresql-client libpq-dev
  mariadb-server mariadb-client odbc-mariadb
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl1-mesa-dev
  xvfb xauth fonts-dejavu-core fonts-wqy-microhei
  libx11-dev dpkg-dev file desktop-file-utils appstream libxml2-utils shared-mime-info
  xdg-utils libfile-mimeinfo-perl groff-base
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
