#!/bin/sh
# The command-line part of the README's walk, run by the Linux build and by the Windows build
# under wine, each in a fresh folder of its own: every output must be the same, byte for byte.
# Usage: compare_walk.sh LINUX-CLI WINDOWS-CLI.EXE   (run with wine's environment set)
set -eu
linux_cli=$1
windows_cli=$2
examples=$(cd "$(dirname "$0")/../../examples" && pwd)
scratch=$(mktemp -d "${TMPDIR:-/tmp}/marbleset-walk.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

# walk <folder> <cli...>: the walk's commands; each one's standard output and error go to
# <name>.out and its exit status to statuses.
walk() {
  folder=$1
  shift
  mkdir -p "$folder"
  cp "$examples/markers.phy" "$examples/traits.nts" "$folder/"
  (
    cd "$folder"
    run() {
      name=$1
      shift
      status=0
      "$@" >"$name.out" 2>&1 <"${input:-/dev/null}" || status=$?
      echo "$name $status" >>statuses
    }
    run bootstraps "$@" bootstraps --datasets 100 --seed 1 --force markers.phy markers_bs.phy
    run distances "$@" distances --coefficient Jaccard markers_bs.phy markers_bs.txt
    run tree "$@" tree --replicates 100 --coefficient Jaccard markers.phy markers_tree.nwk
    run info "$@" info markers.phy
    run nexus "$@" convert --to nexus traits.nts -
    # A table read from standard input, and files named in UTF-8.
    run csv "$@" convert --to csv markers.phy markers.csv
    input=markers.csv run from_table "$@" convert --from csv --to phylip - from_table.phy
    cp markers.phy "märker_ø.phy"
    run utf8 "$@" convert --to ntsys "märker_ø.phy" "märker_ø.nts"
    # A file written over (the atomic replace) and a refused one (no-replace creation).
    run replace "$@" permutations --datasets 10 --seed 3 --force markers.phy markers_bs.phy
    run refused "$@" permutations --datasets 10 --seed 3 markers.phy markers_bs.phy
  )
}

walk "$scratch/linux" "$linux_cli"
walk "$scratch/windows" wine "$windows_cli"
if grep -v -e ' 0$' -e '^refused [1-9]' "$scratch/linux/statuses"; then
  echo "The walk failed with $linux_cli: see above for the commands' exit statuses"
  exit 1
fi

failed=0
for file in "$scratch"/linux/*; do
  name=$(basename "$file")
  if ! cmp -s "$file" "$scratch/windows/$name"; then
    echo "marbleset-cli.exe wrote another $name than marbleset-cli:"
    diff "$file" "$scratch/windows/$name" | head -20
    failed=1
  fi
done
[ "$failed" -eq 0 ] && echo "The walk's outputs of marbleset-cli.exe under wine equal the Linux outputs byte for byte."
exit "$failed"
