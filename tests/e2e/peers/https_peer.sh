# The HTTPS peer of the tests: a certificate authority and a server certificate made for one run,
# and the TLS server (https_server.py) on two ports. The maker's host names (HTTPS_PEER_HOSTS) are
# mapped by the run's own hosts file (scripts/lib/namespace.sh) to a loopback address of the run's
# own, so that a scenario can serve the maker's web site on its real port, 443, while other runs
# on the machine do the same. Source it, then:
#   https_peer_pick_address       # exports CORVATEL_HTTPS_ADDRESS, 127.x.y.z with 443 free
#   https_peer_make_certs DIR     # DIR/ca.der is the authority to trust, DIR/server.{crt,key} the server's
#   https_peer_start DIR          # exports CORVATEL_HTTPS_PORT, CORVATEL_HTTPS_PORT2 and
#                                 # CORVATEL_HTTPS_CERTS (DIR, where a site server finds its keys)
#   https_peer_stop
# shellcheck shell=bash

HTTPS_PEER_HOSTS=(www.quendar.com sftp.quendar.com)
HTTPS_PEER_PID=""
HTTPS_PEER_DIR_SELF=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

https_peer_pick_address() {
  CORVATEL_HTTPS_ADDRESS=$(python3 -c '
import random, socket
for _ in range(100):
    address = "127.%d.%d.%d" % (random.randint(1, 254), random.randint(1, 254), random.randint(1, 254))
    probe = socket.socket()
    try:
        probe.bind((address, 443))
    except OSError:
        continue
    finally:
        probe.close()
    print(address)
    break') && [[ -n $CORVATEL_HTTPS_ADDRESS ]] || die "no loopback address with port 443 free for the HTTPS peer"
  export CORVATEL_HTTPS_ADDRESS
}

# A fresh authority per run: its key never outlives the run's temp folder.
https_peer_make_certs() {
  local dir=$1 san="DNS:${HTTPS_PEER_HOSTS[0]},DNS:${HTTPS_PEER_HOSTS[1]},DNS:localhost,IP:127.0.0.1"
  mkdir -p "$dir"
  {
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -sha256 \
      -subj "/O=Corvatel Tests/CN=Corvatel Test CA" \
      -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
      -keyout "$dir/ca.key" -out "$dir/ca.crt" &&
      openssl x509 -in "$dir/ca.crt" -outform der -out "$dir/ca.der" &&
      openssl req -newkey rsa:2048 -nodes -sha256 -subj "/O=Corvatel Tests/CN=${HTTPS_PEER_HOSTS[0]}" \
        -keyout "$dir/server.key" -out "$dir/server.csr" &&
      printf '%s\n' "subjectAltName=$san" "basicConstraints=critical,CA:FALSE" \
        "keyUsage=critical,digitalSignature,keyEncipherment" "extendedKeyUsage=serverAuth" >"$dir/server.ext" &&
      openssl x509 -req -in "$dir/server.csr" -CA "$dir/ca.crt" -CAkey "$dir/ca.key" -CAcreateserial \
        -days 2 -sha256 -extfile "$dir/server.ext" -out "$dir/server.crt"
  } >"$dir/openssl.log" 2>&1 || { cat "$dir/openssl.log" >&2; die "making the test certificates failed"; }
}

https_peer_start() {
  local dir=$1 ports_file=$1/ports i python=/usr/bin/python3
  [[ -x $python ]] || python=python3
  rm -f "$ports_file"
  "$python" "$HTTPS_PEER_DIR_SELF/https_server.py" --cert "$dir/server.crt" --key "$dir/server.key" \
    --fixtures "$CORVATEL_ROOT/tests/fixtures" --address "$CORVATEL_HTTPS_ADDRESS" --ports-file "$ports_file" \
    </dev/null >"$dir/https_server.log" 2>&1 &
  HTTPS_PEER_PID=$!
  for ((i = 0; i < 200; i++)); do
    [[ -s $ports_file ]] && break
    kill -0 "$HTTPS_PEER_PID" 2>/dev/null || break
    sleep 0.05
  done
  [[ -s $ports_file ]] || { cat "$dir/https_server.log" >&2; die "the HTTPS test server did not start"; }
  read -r CORVATEL_HTTPS_PORT CORVATEL_HTTPS_PORT2 <"$ports_file"
  CORVATEL_HTTPS_CERTS=$dir
  export CORVATEL_HTTPS_PORT CORVATEL_HTTPS_PORT2 CORVATEL_HTTPS_CERTS
}

https_peer_stop() {
  if [[ -n $HTTPS_PEER_PID ]]; then
    kill "$HTTPS_PEER_PID" 2>/dev/null || true
    wait "$HTTPS_PEER_PID" 2>/dev/null || true
    HTTPS_PEER_PID=""
  fi
}
