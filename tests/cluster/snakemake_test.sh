#!/bin/bash
# The Snakemake example on this machine: snakemake --cores 2 in a fresh folder, distances in
# 5 pieces of quantitative data and the tree in 3 replicate ranges, and the merged files
# compared with the one-process run byte for byte.
# Usage: snakemake_test.sh MARBLESET-CLI EXAMPLES-FOLDER
set -euo pipefail
cli=$(realpath "$1")
examples=$(realpath "$2")
work=$(mktemp -d "${TMPDIR:-/tmp}/marbleset-snakemake.XXXXXX")
trap 'rm -rf "$work"' EXIT
command -v snakemake >/dev/null || { echo "FAIL: snakemake is not installed" >&2; exit 1; }

cd "$work"
cp "$examples/traits.phy" "$examples/cluster/Snakefile" .
snakemake --cores 2 --quiet --config data=traits.phy kind=--quantitative cli="$cli" pieces=5 \
  ranges=3 replicates=20 tree_options="--replicates 20 --seed 9 --method upgma" \
  distance_options="--coefficient Correlation" > snakemake.log 2>&1 ||
  { echo "FAIL: snakemake" >&2; cat snakemake.log >&2; exit 1; }

"$cli" distances --quantitative --coefficient Correlation traits.phy whole.txt
"$cli" tree --quantitative --replicates 20 --seed 9 --method upgma \
  --consensus whole_consensus.nwk traits.phy whole.nwk 2>/dev/null
status=0
cmp distances.txt whole.txt || status=1
cmp tree.nwk whole.nwk || status=1
cmp consensus.nwk whole_consensus.nwk || status=1
[ $status -eq 0 ] && echo "Snakemake: 5 distance pieces and 3 replicate ranges merged equal the one-process run"
exit $status
