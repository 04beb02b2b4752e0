#!/bin/sh
# Installs the Debian packages Marbleset needs to build, test and run, if any are missing.
# As root it runs apt-get itself; otherwise it prints the one line to run and fails.
set -eu

PACKAGES="cmake make g++ pkgconf libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
qt6-base-dev qt6-base-dev-tools libgl-dev fonts-dejavu-core xvfb xauth phylip
clang libclang-rt-14-dev dpkg-dev lintian file desktop-file-utils"

missing=""
for package in $PACKAGES; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $package"
  fi
done

[ -z "$missing" ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "Marbleset needs these Debian packages. Install them with:" >&2
  echo "  sudo apt-get update && sudo apt-get install -y$missing" >&2
  exit 1
fi

echo "Installing:$missing"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
# shellcheck disable=SC2086
apt-get install -y -qq --no-install-recommends $missing
