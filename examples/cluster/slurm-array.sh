#!/bin/bash
# Marbleset on Slurm with plain sbatch: the distance matrix of DATA in PIECES pieces and its
# supported tree in RANGES ranges of replicates run as one array job, then a merge job that
# starts when every task has ended well writes distances.txt, tree.nwk and consensus.nwk, the
# files one process writes, byte for byte.
#   bash slurm-array.sh            submits both jobs from the folder that holds DATA
# Any setting can be given in the environment: PIECES=8 bash slurm-array.sh; SBATCH_OPTIONS
# passes options to every sbatch (a partition, --time, --mem).
set -euo pipefail
# --- settings ---
DATA=${DATA:-markers.phy}
KIND=${KIND:---binary}
DISTANCE_OPTIONS=${DISTANCE_OPTIONS:-}
TREE_OPTIONS=${TREE_OPTIONS:---replicates 100 --seed 1}
REPLICATES=${REPLICATES:-100}
PIECES=${PIECES:-4}
RANGES=${RANGES:-4}
CLI=${CLI:-marbleset-cli}
# --- end of settings ---
SBATCH_OPTIONS=${SBATCH_OPTIONS:-}
export DATA KIND DISTANCE_OPTIONS TREE_OPTIONS REPLICATES PIECES RANGES CLI

# Options are kept as words of one string each; eval splits them as the shell would.
run() { eval "$CLI $*"; }

case "${1:-submit}" in
  submit)
    mkdir -p pieces logs
    array=$(sbatch --parsable $SBATCH_OPTIONS --job-name=marbleset-pieces \
      --array=1-$((PIECES + RANGES)) --output=logs/piece_%a.log "$0" piece)
    merge=$(sbatch --parsable $SBATCH_OPTIONS --job-name=marbleset-merge \
      --dependency=afterok:"$array" --output=logs/merge.log "$0" merge)
    echo "array job $array, merge job $merge"
    ;;
  piece)
    k=$SLURM_ARRAY_TASK_ID
    if ((k <= PIECES)); then
      run distances "$KIND" "$DISTANCE_OPTIONS" --piece "$k/$PIECES" --force \
        "'$DATA'" "pieces/distances_$k.txt"
    else
      r=$((k - PIECES))
      range="$((REPLICATES * (r - 1) / RANGES + 1))-$((REPLICATES * r / RANGES))"
      run tree "$KIND" "$TREE_OPTIONS" --replicate-range "$range" \
        --replicate-trees "pieces/trees_$r.tre" --force "'$DATA'"
    fi
    ;;
  merge)
    pieces=() trees=()
    for ((k = 1; k <= PIECES; k++)); do pieces+=("pieces/distances_$k.txt"); done
    for ((r = 1; r <= RANGES; r++)); do trees+=("pieces/trees_$r.tre"); done
    cat "${pieces[@]}" > distances.txt
    run support "$KIND" "$TREE_OPTIONS" --force --consensus consensus.nwk \
      --replicate-trees "${trees[*]}" "'$DATA'" tree.nwk
    rm -f "${pieces[@]}" "${trees[@]}"
    ;;
  *)
    echo "usage: bash $0 [submit]" >&2
    exit 2
    ;;
esac
