#!/bin/sh
# Builds the Debian package, unpacks it into a fresh folder with dpkg -x, and checks that what a
# user gets works: both programs start from there, the version is the project's, the files sit
# where Debian wants them, and lintian finds no error.
# Usage: package_test.sh BUILD_DIR CLI_EXE GUI_EXE VERSION SOURCE_DIR
# Exit 77 (skipped) when the programs are not built yet.
set -u

build=$1 cli=$2 gui=$3 version=$4 source=$5
cpack=${CPACK:-cpack}

if [ ! -x "$cli" ] || [ ! -x "$gui" ]; then
  echo "SKIP: build marbleset and marbleset-cli first"
  exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# 1. The package.
if ! (cd "$build" && "$cpack" -G DEB -B "$work/out") >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"
  echo "FAIL: cpack could not build the package"
  exit 1
fi
deb=$(ls "$work"/out/marbleset_*.deb 2>/dev/null | head -n 1)
if [ -z "$deb" ]; then
  cat "$work/cpack.log"
  echo "FAIL: cpack made no marbleset_*.deb"
  exit 1
fi
echo "package: $(basename "$deb")"

# 2. Its control fields.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = marbleset ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', the project's is $version"
[ "$(field Section)" = science ] || fail "Section is '$(field Section)'"
depends=$(field Depends)
echo "Depends: $depends"
for needed in libqt6widgets6 libqt6gui6 libqt6core6 libc6 libstdc++6; do
  case ", $depends" in
    *", $needed "* | *", $needed,"* | *", $needed") ;;
    *) fail "Depends lacks $needed" ;;
  esac
done

# 3. Its files, unpacked as dpkg would install them.
root=$work/root
dpkg -x "$deb" "$root" || { echo "FAIL: dpkg -x"; exit 1; }
for file in usr/bin/marbleset usr/bin/marbleset-cli \
  usr/share/applications/marbleset.desktop \
  usr/share/icons/hicolor/scalable/apps/marbleset.svg \
  usr/share/icons/hicolor/256x256/apps/marbleset.png \
  usr/share/man/man1/marbleset-cli.1.gz usr/share/man/man1/marbleset.1.gz \
  usr/share/doc/marbleset/copyright usr/share/doc/marbleset/changelog.gz; do
  [ -f "$root/$file" ] || fail "the package lacks /$file"
done
shipped="README.md markers.phy markers.nts marker_sets.phy populations.phy traits.phy traits.nts walk.sh"
for example in $shipped; do
  cmp -s "$source/examples/$example" "$root/usr/share/doc/marbleset/examples/$example" ||
    fail "example $example not installed as it is"
done
for installed in "$root"/usr/share/doc/marbleset/examples/*; do
  case " $shipped " in
    *" $(basename "$installed") "*) ;;
    *) fail "the examples folder holds $(basename "$installed"), which is not a shipped example" ;;
  esac
done
for page in "$source"/src/shell/help/*.html; do
  [ -f "$page" ] || continue
  [ -f "$root/usr/share/doc/marbleset/help/$(basename "$page")" ] ||
    fail "help page $(basename "$page") not installed"
done
if gzip -dc "$root/usr/share/man/man1/marbleset-cli.1.gz" 2>/dev/null | grep -q '^\.SH EXIT STATUS'; then :; else
  fail "the man page of marbleset-cli is not a readable gzip'd man page"
fi
if command -v desktop-file-validate >/dev/null 2>&1; then
  desktop-file-validate "$root/usr/share/applications/marbleset.desktop" ||
    fail "desktop-file-validate refuses the launcher entry"
fi

# 4. The programs, run from the unpacked folder.
said=$("$root/usr/bin/marbleset-cli" --version 2>&1)
[ "$said" = "marbleset-cli $version" ] || fail "marbleset-cli --version said '$said'"

mkdir -p "$work/home"
(cd "$work/home" && HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" \
  QT_QPA_PLATFORM=offscreen timeout -k 2 3 "$root/usr/bin/marbleset") >"$work/gui.log" 2>&1
status=$?
# Killed by the time-out (124) means it started and kept running, as a desktop program should.
if [ "$status" -ne 124 ]; then
  cat "$work/gui.log"
  fail "marbleset ended by itself within 3 s (status $status) instead of running"
fi

# 5. Debian's own checks: no error allowed; warnings are shown.
lintian --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1
status=$?
grep -v '^running with root privileges' "$work/lintian.log"
[ "$status" -le 1 ] || fail "lintian could not check the package (status $status)"
if grep -q '^E:' "$work/lintian.log"; then
  fail "lintian reports errors"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "the package builds, installs and starts"
