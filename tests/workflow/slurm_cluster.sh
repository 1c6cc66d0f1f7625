# A one-machine Slurm cluster from Debian's packages (slurm-wlm, munge), all
# of it under one folder: munged, slurmctld and slurmd with a generated
# slurm.conf (one node of this machine's CPUs and memory, ports of its own,
# accounting off, finished jobs in DIR/jobcomp.log). Sourced by the Slurm
# test and by bench/scaleout.sh.
#
#   slurm_cluster_start DIR   starts it, exports SLURM_CONF; status 1 when it does not come up
#   slurm_cluster_stop DIR    stops every daemon it started (by their pid files)

slurm_cluster_start() {
  local dir=$1 ctld_port d_port node cpus memory
  chmod 755 "$dir"  # munged wants the socket's folders open to all
  mkdir -m 700 "$dir/key" "$dir/state" "$dir/spool"
  mkdir -m 755 "$dir/munge"
  head -c 1024 /dev/urandom > "$dir/key/munge.key"
  chmod 600 "$dir/key/munge.key"
  munged --key-file="$dir/key/munge.key" --socket="$dir/munge/socket" \
    --pid-file="$dir/munged.pid" --log-file="$dir/munged.log" --seed-file="$dir/key/seed" || return 1
  # Ports of its own, free now, so it meets no other cluster on this machine.
  read -r ctld_port d_port < <(/usr/bin/python3 -c '
import socket
s = [socket.socket() for _ in range(2)]
for x in s: x.bind(("127.0.0.1", 0))
print(*[x.getsockname()[1] for x in s])')
  node=$(hostname -s)
  cpus=$(nproc)
  memory=$(awk '/^MemTotal/ { print int($2 / 1024 * 0.8) }' /proc/meminfo)
  export SLURM_CONF=$dir/slurm.conf
  cat > "$SLURM_CONF" <<CONF
ClusterName=trivanextest
SlurmctldHost=$node
SlurmUser=root
SlurmdUser=root
SlurmctldPort=$ctld_port
SlurmdPort=$d_port
AuthType=auth/munge
AuthInfo=socket=$dir/munge/socket
CredType=cred/munge
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/filetxt
JobCompLoc=$dir/jobcomp.log
SelectType=select/cons_tres
SelectTypeParameters=CR_Core_Memory
SchedulerType=sched/backfill
MpiDefault=none
ReturnToService=2
StateSaveLocation=$dir/state
SlurmdSpoolDir=$dir/spool
SlurmctldPidFile=$dir/slurmctld.pid
SlurmdPidFile=$dir/slurmd.pid
SlurmctldLogFile=$dir/slurmctld.log
SlurmdLogFile=$dir/slurmd.log
NodeName=$node CPUs=$cpus RealMemory=$memory State=UNKNOWN
PartitionName=trivanex Nodes=$node Default=YES MaxTime=INFINITE State=UP
CONF
  slurmctld -c -f "$SLURM_CONF" || return 1
  slurmd -f "$SLURM_CONF" || return 1
  for _ in $(seq 60); do
    [ "$(sinfo -h -o %t 2>/dev/null)" = idle ] && return 0
    sleep 1
  done
  echo "the Slurm cluster did not come up:"
  tail -5 "$dir/slurmctld.log" "$dir/slurmd.log" 2>/dev/null
  return 1
}

slurm_cluster_stop() {
  local dir=$1 pidfile
  for pidfile in "$dir/slurmd.pid" "$dir/slurmctld.pid" "$dir/munged.pid"; do
    [ -s "$pidfile" ] && kill "$(cat "$pidfile")" 2>/dev/null || true
  done
  sleep 1
  for pidfile in "$dir/slurmd.pid" "$dir/slurmctld.pid" "$dir/munged.pid"; do
    [ -s "$pidfile" ] && kill -9 "$(cat "$pidfile")" 2>/dev/null || true
  done
}
