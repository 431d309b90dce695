# Sourced by the farm's tests: the real services a render farm runs on, started as root on
# 127.0.0.1 from configurations written into a directory of the test's own, and stopped by their
# process ids when the test ends. Nothing of the machine's own configuration is read or changed.
#   start_sshd DIR       an OpenSSH server on a free port; exports PARALLEL_SSH, the ssh command
#                        that reaches it with a key of its own, and SSH_LOGIN
#   start_slurm DIR      munged, slurmctld and slurmd: one node with this machine's CPUs, one
#                        partition; exports SLURM_CONF for sbatch and the other clients
#   stop_services        ends every daemon started here

service_pids=()

# A TCP port on 127.0.0.1 that nothing listens on now (a connection to it is refused).
free_port() {
    local port
    while :; do
        port=$((20000 + RANDOM % 40000))
        (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || { echo "$port" && return; }
    done
}

# Waits up to 30 s for a command to succeed.
wait_for() {
    local _
    for _ in $(seq 1 300); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
    return 1
}

start_sshd() {
    local dir=$1 port
    mkdir -p "$dir" && chmod 700 "$dir"
    port=$(free_port)
    ssh-keygen -q -t ed25519 -N '' -f "$dir/host_key"
    ssh-keygen -q -t ed25519 -N '' -f "$dir/client_key"
    cp "$dir/client_key.pub" "$dir/authorized_keys"
    cat >"$dir/sshd_config" <<EOF
ListenAddress 127.0.0.1
Port $port
HostKey $dir/host_key
AuthorizedKeysFile $dir/authorized_keys
PidFile $dir/sshd.pid
PasswordAuthentication no
KbdInteractiveAuthentication no
UsePAM no
PermitRootLogin prohibit-password
StrictModes no
EOF
    echo "[127.0.0.1]:$port $(cut -d' ' -f1,2 "$dir/host_key.pub")" >"$dir/known_hosts"
    cat >"$dir/ssh_config" <<EOF
Host 127.0.0.1
    Port $port
    User $(id -un)
    IdentityFile $dir/client_key
    IdentitiesOnly yes
    UserKnownHostsFile $dir/known_hosts
    StrictHostKeyChecking yes
    BatchMode yes
EOF
    # sshd's privilege separation needs its directory, which Debian's service would make.
    mkdir -p /run/sshd
    /usr/sbin/sshd -D -e -f "$dir/sshd_config" 2>"$dir/sshd.log" &
    service_pids+=($!)
    export PARALLEL_SSH="ssh -F $dir/ssh_config" SSH_LOGIN=127.0.0.1
    wait_for $PARALLEL_SSH "$SSH_LOGIN" true || { cat "$dir/sshd.log" >&2; return 1; }
}

start_slurm() {
    local dir=$1 host
    host=$(hostname -s)
    mkdir -p "$dir/state" "$dir/spool" "$dir/munge" && chmod 700 "$dir/munge"
    mungekey -c -k "$dir/munge/munge.key"
    # --force: munged refuses root and a socket under /tmp otherwise.
    munged -F -f --socket="$dir/munge/socket" --key-file="$dir/munge/munge.key" \
        --pid-file="$dir/munge/munged.pid" --seed-file="$dir/munge/seed" \
        --log-file="$dir/munged.log" --origin=127.0.0.1 2>>"$dir/munged.log" &
    service_pids+=($!)
    wait_for munge --socket="$dir/munge/socket" -n || { cat "$dir/munged.log" >&2; return 1; }
    cat >"$dir/slurm.conf" <<EOF
ClusterName=farmtest
SlurmctldHost=$host(127.0.0.1)
SlurmctldPort=$(free_port)
SlurmdPort=$(free_port)
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$dir/munge/socket
StateSaveLocation=$dir/state
SlurmdSpoolDir=$dir/spool
SlurmctldPidFile=$dir/slurmctld.pid
SlurmdPidFile=$dir/slurmd.pid
SlurmctldLogFile=$dir/slurmctld.log
SlurmdLogFile=$dir/slurmd.log
# No cgroups and no accounting: neither is there in a test's sandbox.
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
MpiDefault=none
# Each CPU a schedulable unit, so a two-CPU node runs two segments at once.
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
ReturnToService=2
SlurmdParameters=config_overrides
NodeName=farmnode NodeHostname=$host NodeAddr=127.0.0.1 CPUs=$(nproc) State=UNKNOWN
PartitionName=farm Nodes=farmnode Default=YES MaxTime=INFINITE State=UP
EOF
    export SLURM_CONF="$dir/slurm.conf"
    slurmctld -D -f "$SLURM_CONF" 2>>"$dir/slurmctld.log" &
    service_pids+=($!)
    slurmd -D -N farmnode -f "$SLURM_CONF" 2>>"$dir/slurmd.log" &
    service_pids+=($!)
    # Ready once the node takes jobs.
    wait_for bash -c 'sinfo -h -N -o %t | grep -qx idle' ||
        { tail -n 20 "$dir/slurmctld.log" "$dir/slurmd.log" >&2; return 1; }
}

stop_services() {
    local pid
    for pid in "${service_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${service_pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    service_pids=()
}
