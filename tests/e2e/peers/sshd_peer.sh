# The SFTP peer of the tests: OpenSSH's sshd on 127.0.0.1, one server per authentication method,
# each with the run's own host key, config and pid file, and a test account that exists only in
# the servers' own mount namespace; in front of the password server, the fault proxy
# (fault_proxy.py). Needs root. Source it, then:
#   sshd_peer_start DIR   # exports the CORVATEL_SFTP_* settings below
#   sshd_peer_stop        # stops what sshd_peer_start started, by pid file and pid
#
#   CORVATEL_SFTP_USER, CORVATEL_SFTP_PASSWORD   the test account; the password is also the client
#                                                key's pass phrase
#   CORVATEL_SFTP_HOME                           its home: the folder the servers serve
#   CORVATEL_SFTP_CLIENT_DIR                     holds ~/.ssh/id_rsa{,.pub}, the client key the
#                                                public-key server accepts
#   CORVATEL_SFTP_HOSTKEY                        the servers' host key, "SHA256:..."
#   CORVATEL_SFTP_PORT_{PASSWORD,KBDINT,PUBLICKEY,NONE}
#                                                the servers; NONE offers only "hostbased"; each
#                                                takes 100 connections not yet logged in at once
#   CORVATEL_SFTP_PORT_STOCK                     a password server with OpenSSH's default
#                                                MaxStartups (10:30:100): past 10 connections not
#                                                yet logged in, it drops new ones more and more often
#   CORVATEL_SFTP_PORT_{STALL,DROP,REFUSE,PASS}  the fault proxy's listeners in front of the password
#                                                server; stall and drop act after 1 MiB from it
#   CORVATEL_SFTP_PORT_{SILENT,TRICKLE,FULL}     the fault proxy's listeners that never send a byte,
#                                                send an empty line every 5 s and never a greeting,
#                                                and never answer a connect
#   CORVATEL_SFTP_PORT_DELAY                     the fault proxy's listener in front of the password
#                                                server that delays every byte by 400 ms each way
# A refused login is answered at once: the servers' PAM service has no failure delay, so tests
# wait on the client's own limits, never on the server's timers. The password server sends a
# keep-alive after 5 s without a word from the client, as many servers do.
# shellcheck shell=bash

SSHD_PEER_DIR=""
SSHD_PEER_PROXY_PID=""
SSHD_PEER_SELF=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
SSHD_PEER_METHODS=(password kbdint publickey none stock)
SSHD_PEER_USER=quendar-sftp

sshd_peer_free_ports() {
  python3 -c '
import socket, sys
held = [socket.socket() for _ in range(int(sys.argv[1]))]
for s in held:
    s.bind(("127.0.0.1", 0))
print(" ".join(str(s.getsockname()[1]) for s in held))' "$1"
}

# The account files of the servers' namespace: the machine's own plus the test account.
sshd_peer_make_account() {
  local dir=$1 uid=64000
  while getent passwd "$uid" >/dev/null || getent group "$uid" >/dev/null; do uid=$((uid + 1)); done
  mkdir -p "$dir/etc"
  cp /etc/passwd /etc/group "$dir/etc/"
  install -m 640 /etc/shadow "$dir/etc/shadow"
  printf '%s:x:%d:%d:Corvatel SFTP test:%s:/bin/sh\n' "$SSHD_PEER_USER" "$uid" "$uid" "$dir/home" >>"$dir/etc/passwd"
  printf '%s:x:%d:\n' "$SSHD_PEER_USER" "$uid" >>"$dir/etc/group"
  printf '%s:%s:19000:0:99999:7:::\n' "$SSHD_PEER_USER" "$(openssl passwd -6 "$CORVATEL_SFTP_PASSWORD")" \
    >>"$dir/etc/shadow"
  cat >"$dir/etc/pam.sshd" <<'EOF'
auth     [success=1 default=ignore] pam_unix.so nodelay
auth     requisite pam_deny.so
auth     required  pam_permit.so
account  required  pam_permit.so
session  required  pam_permit.so
password requisite pam_deny.so
EOF
}

sshd_peer_write_config() {
  local dir=$1 method=$2 port=$3 pam=no password=no kbdint=no pubkey=no hostbased=no alive=0 startups=100
  case $method in
    password) password=yes alive=5 ;;
    stock) password=yes startups=10:30:100 ;;
    kbdint) kbdint=yes pam=yes ;;
    publickey) pubkey=yes ;;
    none) hostbased=yes ;;
  esac
  cat >"$dir/sshd_$method.conf" <<EOF
ListenAddress 127.0.0.1
Port $port
HostKey $dir/host_ed25519
PidFile $dir/sshd_$method.pid
AllowUsers $SSHD_PEER_USER
StrictModes no
UsePAM $pam
PasswordAuthentication $password
KbdInteractiveAuthentication $kbdint
PubkeyAuthentication $pubkey
HostbasedAuthentication $hostbased
AuthorizedKeysFile $dir/authorized_keys
PermitRootLogin no
MaxStartups $startups
ClientAliveInterval $alive
AllowTcpForwarding no
X11Forwarding no
PrintMotd no
Subsystem sftp internal-sftp
EOF
}

# Runs in the servers' own mount namespace: the account files and an empty /run (for sshd's
# privilege-separation folder) are seen there alone; the daemons keep the namespace alive.
sshd_peer_serve() {
  local dir=$1 method f
  for f in passwd shadow group; do
    mount --bind "$dir/etc/$f" "/etc/$f" || return 1
  done
  mount --bind "$dir/etc/pam.sshd" /etc/pam.d/sshd || return 1
  mount -t tmpfs -o mode=755,size=1m corvatel-sshd /run && mkdir -m 755 /run/sshd || return 1
  for method in "${SSHD_PEER_METHODS[@]}"; do
    /usr/sbin/sshd -f "$dir/sshd_$method.conf" -E "$dir/sshd_$method.log" || return 1
  done
}

sshd_peer_start() {
  local dir=$1/sshd method ports i
  [[ $EUID -eq 0 ]] || die "the SFTP test peer needs root"
  SSHD_PEER_DIR=$dir
  mkdir -p "$dir/home" "$dir/client/~/.ssh"
  # The account reads its home and authorized_keys through the run's folder.
  chmod o+x "$1" "$(dirname "$1")"
  chmod 755 "$dir" "$dir/home"
  CORVATEL_SFTP_USER=$SSHD_PEER_USER
  CORVATEL_SFTP_PASSWORD=$(openssl rand -hex 12)
  {
    ssh-keygen -q -t ed25519 -N '' -C corvatel-test-host -f "$dir/host_ed25519" &&
      ssh-keygen -q -t rsa -b 2048 -m PEM -N "$CORVATEL_SFTP_PASSWORD" -C corvatel-test-client \
        -f "$dir/client/~/.ssh/id_rsa"
  } >"$dir/keygen.log" 2>&1 || { cat "$dir/keygen.log" >&2; die "making the SFTP test keys failed"; }
  install -m 644 "$dir/client/~/.ssh/id_rsa.pub" "$dir/authorized_keys"
  CORVATEL_SFTP_HOSTKEY=$(ssh-keygen -l -E sha256 -f "$dir/host_ed25519.pub" | awk '{ print $2 }')
  sshd_peer_make_account "$dir"

  read -ra ports <<<"$(sshd_peer_free_ports ${#SSHD_PEER_METHODS[@]})"
  for i in "${!SSHD_PEER_METHODS[@]}"; do
    sshd_peer_write_config "$dir" "${SSHD_PEER_METHODS[i]}" "${ports[i]}"
  done
  unshare -m --propagation private bash -c "$(declare -f sshd_peer_serve); SSHD_PEER_METHODS=(${SSHD_PEER_METHODS[*]}); sshd_peer_serve '$dir'" \
    >"$dir/unshare.log" 2>&1 || { cat "$dir/unshare.log" >&2; sshd_peer_stop; die "the SFTP test servers did not start"; }
  for method in "${SSHD_PEER_METHODS[@]}"; do
    for ((i = 0; i < 200; i++)); do
      [[ -s $dir/sshd_$method.pid ]] && break
      sleep 0.05
    done
    [[ -s $dir/sshd_$method.pid ]] || { sshd_peer_stop; die "sshd ($method) wrote no pid file"; }
  done
  CORVATEL_SFTP_PORT_PASSWORD=${ports[0]} CORVATEL_SFTP_PORT_KBDINT=${ports[1]}
  CORVATEL_SFTP_PORT_PUBLICKEY=${ports[2]} CORVATEL_SFTP_PORT_NONE=${ports[3]} CORVATEL_SFTP_PORT_STOCK=${ports[4]}

  python3 "$SSHD_PEER_SELF/fault_proxy.py" --target-port "$CORVATEL_SFTP_PORT_PASSWORD" \
    --ports-file "$dir/proxy.ports" </dev/null >"$dir/proxy.log" 2>&1 &
  SSHD_PEER_PROXY_PID=$!
  for ((i = 0; i < 200; i++)); do
    [[ -s $dir/proxy.ports ]] && break
    kill -0 "$SSHD_PEER_PROXY_PID" 2>/dev/null || break
    sleep 0.05
  done
  [[ -s $dir/proxy.ports ]] || { cat "$dir/proxy.log" >&2; sshd_peer_stop; die "the fault proxy did not start"; }
  read -r CORVATEL_SFTP_PORT_STALL CORVATEL_SFTP_PORT_DROP CORVATEL_SFTP_PORT_REFUSE CORVATEL_SFTP_PORT_PASS \
    CORVATEL_SFTP_PORT_SILENT CORVATEL_SFTP_PORT_TRICKLE CORVATEL_SFTP_PORT_DELAY CORVATEL_SFTP_PORT_FULL \
    <"$dir/proxy.ports"

  CORVATEL_SFTP_HOME=$dir/home CORVATEL_SFTP_CLIENT_DIR=$dir/client
  export CORVATEL_SFTP_USER CORVATEL_SFTP_PASSWORD CORVATEL_SFTP_HOME CORVATEL_SFTP_CLIENT_DIR CORVATEL_SFTP_HOSTKEY \
    CORVATEL_SFTP_PORT_PASSWORD CORVATEL_SFTP_PORT_KBDINT CORVATEL_SFTP_PORT_PUBLICKEY CORVATEL_SFTP_PORT_NONE \
    CORVATEL_SFTP_PORT_STOCK \
    CORVATEL_SFTP_PORT_STALL CORVATEL_SFTP_PORT_DROP CORVATEL_SFTP_PORT_REFUSE CORVATEL_SFTP_PORT_PASS \
    CORVATEL_SFTP_PORT_SILENT CORVATEL_SFTP_PORT_TRICKLE CORVATEL_SFTP_PORT_DELAY CORVATEL_SFTP_PORT_FULL
}

sshd_peer_stop() {
  local method pid i
  if [[ -n $SSHD_PEER_PROXY_PID ]]; then
    kill "$SSHD_PEER_PROXY_PID" 2>/dev/null || true
    wait "$SSHD_PEER_PROXY_PID" 2>/dev/null || true
    SSHD_PEER_PROXY_PID=""
  fi
  [[ -n $SSHD_PEER_DIR ]] || return 0
  for method in "${SSHD_PEER_METHODS[@]}"; do
    [[ -s $SSHD_PEER_DIR/sshd_$method.pid ]] || continue
    pid=$(<"$SSHD_PEER_DIR/sshd_$method.pid")
    kill "$pid" 2>/dev/null || continue
    for ((i = 0; i < 100; i++)); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.05
    done
  done
  SSHD_PEER_DIR=""
}
