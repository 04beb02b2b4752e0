#!/bin/bash
# The Slurm example on a real Slurm: munged, slurmctld and slurmd started on this machine from
# a generated key and slurm.conf in a fresh folder, the array job and its merge job submitted,
# and the merged files compared with the one-process run byte for byte. Every daemon started
# here is stopped by its process id; a daemon that does not start fails the test with its log.
# Usage: slurm_test.sh MARBLESET-CLI EXAMPLES-FOLDER
set -euo pipefail
cli=$(realpath "$1")
examples=$(realpath "$2")
work=$(mktemp -d "${TMPDIR:-/tmp}/marbleset-slurm.XXXXXX")
pids=()

stop() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap stop EXIT

fail() {
  echo "FAIL: $*" >&2
  for log in "$work"/*.log "$work"/run/logs/*.log; do
    [ -f "$log" ] && { echo "--- $log" >&2; tail -n 40 "$log" >&2; }
  done
  exit 1
}

# Waits up to $1 seconds for the command after it to succeed.
wait_for() {
  local seconds=$1
  shift
  for _ in $(seq $((seconds * 10))); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
  return 1
}

for program in munged slurmctld slurmd sbatch scontrol sinfo; do
  command -v "$program" >/dev/null || fail "$program is not installed (scripts/install-deps.sh test)"
done
[ "$(id -u)" -eq 0 ] || fail "the daemons run as root here; run the test as root"

# munge: a key of our own and a socket in the folder, so a system munged is never touched.
mkdir -p "$work/munge" "$work/state" "$work/spool" "$work/run"
chmod 711 "$work/munge"
head -c 1024 /dev/urandom > "$work/munge/munge.key"
chmod 400 "$work/munge/munge.key"
socket="$work/munge/munge.socket"
munged --foreground --force --key-file="$work/munge/munge.key" --socket="$socket" \
  --pid-file="$work/munge/munged.pid" --seed-file="$work/munge/munge.seed" \
  --log-file="$work/munged.log" >> "$work/munged.log" 2>&1 &
pids+=($!)
wait_for 10 test -S "$socket" || fail "munged did not start"

# Ports of this run's own, so another run or a system Slurm is never asked.
port=$((20000 + RANDOM % 20000))
host=$(hostname -s)
memory=$(awk '/MemTotal/ { print int($2 / 1024 / 2) }' /proc/meminfo)
export SLURM_CONF="$work/slurm.conf"
cat > "$SLURM_CONF" <<CONF
ClusterName=marbleset
SlurmctldHost=$host(127.0.0.1)
SlurmctldPort=$port
SlurmdPort=$((port + 1))
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$socket
SlurmUser=root
SlurmdUser=root
StateSaveLocation=$work/state
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/slurmctld.pid
SlurmdPidFile=$work/slurmd.pid
SlurmctldLogFile=$work/slurmctld.log
SlurmdLogFile=$work/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
SchedulerType=sched/builtin
AccountingStorageType=accounting_storage/none
JobAcctGatherType=jobacct_gather/none
JobCompType=jobcomp/none
MpiDefault=none
ReturnToService=2
NodeName=$host NodeAddr=127.0.0.1 CPUs=$(nproc) RealMemory=$memory State=UNKNOWN
PartitionName=marbleset Nodes=$host Default=YES MaxTime=INFINITE State=UP
CONF

slurmctld -D -i -f "$SLURM_CONF" >> "$work/slurmctld.log" 2>&1 &
pids+=($!)
wait_for 20 scontrol ping || fail "slurmctld did not start"
slurmd -D -f "$SLURM_CONF" >> "$work/slurmd.log" 2>&1 &
pids+=($!)
idle() { [ "$(sinfo -h -n "$host" -o %t)" = idle ]; }
wait_for 30 idle || fail "slurmd did not report its node idle: $(sinfo 2>&1)"

# The example as a user runs it: a copy of the script beside the data.
cd "$work/run"
cp "$examples/markers.phy" "$examples/cluster/slurm-array.sh" .
settings=(CLI="$cli" DATA=markers.phy PIECES=3 RANGES=2 REPLICATES=30
  TREE_OPTIONS="--replicates 30 --seed 11" DISTANCE_OPTIONS="--missing Ignore")
submitted=$(env "${settings[@]}" bash slurm-array.sh) || fail "sbatch refused the jobs"
merge=${submitted##* }
state() { scontrol show job "$merge" | grep -o 'JobState=[A-Z_]*' | cut -d= -f2; }
ended() { case "$(state)" in COMPLETED | FAILED | CANCELLED | TIMEOUT | NODE_FAIL) return 0 ;; esac; return 1; }
wait_for 90 ended || fail "the merge job did not end in 90 s (state $(state))"
[ "$(state)" = COMPLETED ] || fail "the merge job ended $(state)"

"$cli" distances --missing Ignore markers.phy whole.txt
"$cli" tree --replicates 30 --seed 11 --consensus whole_consensus.nwk markers.phy whole.nwk
cmp distances.txt whole.txt || fail "the merged distances differ from the whole run's"
cmp tree.nwk whole.nwk || fail "the merged tree differs from the whole run's"
cmp consensus.nwk whole_consensus.nwk || fail "the merged consensus differs from the whole run's"
echo "Slurm: 3 distance pieces and 2 replicate ranges merged equal the one-process run"
