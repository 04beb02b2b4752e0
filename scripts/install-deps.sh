#!/bin/sh
# Installs the Debian packages one use of Marbleset needs, if any are missing.
# Usage: install-deps.sh run|test|bench|dev|windows
#   run    building and running both programs
#   test   run, plus what the tests need (PHYLIP, PLINK, R and its packages, a comma locale, ...)
#   bench  test, plus the benchmark library
#   dev    bench, plus the fuzzing and packaging tools
#   windows  run, plus the Windows cross build: mingw-w64, its zlib, GoogleTest's sources, wine
#            to run the Windows programs, groff and zip for the Windows package
# As root it runs apt-get itself, quietly; otherwise it prints the one line to run and fails.
set -eu

RUN="cmake make g++ pkgconf libcli11-dev qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev
libhts-dev zlib1g-dev fonts-dejavu-core"
TEST="libgtest-dev libgmock-dev xvfb xauth phylip plink1.9 bcftools tabix locales
r-base-core r-cran-ape r-cran-phangorn r-cran-adegenet r-cran-ade4 r-cran-vegan
python3-numpy python3-scipy dpkg-dev lintian file desktop-file-utils
slurm-wlm munge snakemake"
BENCH="libbenchmark-dev time"
DEV="clang libclang-rt-14-dev"
WINDOWS="g++-mingw-w64-x86-64-posix libz-mingw-w64-dev googletest wine wine64 groff zip"

case "${1:-test}" in
  run) wanted=$RUN ;;
  test) wanted="$RUN $TEST" ;;
  bench) wanted="$RUN $TEST $BENCH" ;;
  dev) wanted="$RUN $TEST $BENCH $DEV" ;;
  windows) wanted="$RUN $WINDOWS" ;;
  *)
    echo "usage: $0 run|test|bench|dev|windows" >&2
    exit 2
    ;;
esac

missing=""
for package in $wanted; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $package"
  fi
done

# The distance files must not depend on the locale; a test proves it under a locale whose
# decimal separator is a comma, so the set-up for tests makes one available.
comma_locale_missing() {
  case "$wanted" in *locales*) ;; *) return 1 ;; esac
  ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'
}

if [ -z "$missing" ] && ! comma_locale_missing; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "Marbleset needs these Debian packages. Install them with:" >&2
  echo "  sudo apt-get update && sudo apt-get install -y$missing" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
if [ -n "$missing" ]; then
  echo "Installing:$missing"
  apt-get update -qq >/dev/null
  # shellcheck disable=SC2086
  apt-get install -y -q --no-install-recommends $missing >/tmp/marbleset-apt.log 2>&1 || {
    cat /tmp/marbleset-apt.log >&2
    exit 1
  }
  grep -E '^[0-9]+ upgraded' /tmp/marbleset-apt.log || true
fi
if comma_locale_missing; then
  echo "Generating the de_DE.UTF-8 locale for the locale test"
  sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' >>/etc/locale.gen
  locale-gen >/dev/null
fi
