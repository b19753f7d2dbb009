#!/usr/bin/env bash
# A throwaway PostgreSQL cluster for the tests of the server engine.
#   test-server.sh start STATE_DIR   makes a cluster in a new temporary folder, starts it on a free
#                                    local port and writes "HOST PORT USER" to STATE_DIR/server
#   test-server.sh stop STATE_DIR    stops it and removes its folder
# When the server's programs are not installed, start says so, writes no STATE_DIR/server, and the
# server-engine tests skip themselves. As root the cluster runs as the user nobody (the server
# refuses to run as root).
set -euo pipefail

action=${1:?start or stop}
state=${2:?state folder}
mkdir -p "$state"

find_bin() {
  local name=$1 found
  if found=$(command -v "$name" 2>/dev/null); then echo "$found"; return 0; fi
  found=$(ls -d /usr/lib/postgresql/*/bin/"$name" 2>/dev/null | sort -V | tail -n 1 || true)
  if [ -n "$found" ]; then echo "$found"; return 0; fi
  return 1
}

as_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u nobody -- "$@"
  else
    "$@"
  fi
}

case "$action" in
start)
  rm -f "$state/server"
  if ! initdb=$(find_bin initdb) || ! pg_ctl=$(find_bin pg_ctl); then
    echo "PostgreSQL server programs (initdb, pg_ctl) not found: the server-engine tests are skipped." \
         "scripts/install-deps.sh installs them (package postgresql)." >&2
    exit 0
  fi
  if [ -f "$state/folder" ]; then "$0" stop "$state" || true; fi
  folder=$(mktemp -d /tmp/kszw-pgtest-XXXXXX)
  echo "$folder" > "$state/folder"
  if [ "$(id -u)" -eq 0 ]; then chown nobody "$folder"; fi
  as_owner "$initdb" -D "$folder/data" -U kszw --auth=trust -E UTF8 --locale=C --no-sync >"$state/initdb.log" 2>&1 \
    || { cat "$state/initdb.log" >&2; exit 1; }
  for attempt in $(seq 1 20); do
    port=$(( 20000 + RANDOM % 30000 ))
    if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then continue; fi
    if as_owner "$pg_ctl" -D "$folder/data" -l "$folder/server.log" -w -t 60 \
         -o "-p $port -c listen_addresses=127.0.0.1 -c unix_socket_directories= -c fsync=off -c synchronous_commit=off -c full_page_writes=off -c max_connections=200" \
         start >/dev/null; then
      echo "127.0.0.1 $port kszw" > "$state/server"
      echo "test server on 127.0.0.1:$port ($folder)"
      exit 0
    fi
  done
  cat "$folder/server.log" >&2 || true
  echo "the test server did not start" >&2
  exit 1
  ;;
stop)
  rm -f "$state/server"
  [ -f "$state/folder" ] || exit 0
  folder=$(cat "$state/folder")
  if pg_ctl=$(find_bin pg_ctl) && [ -d "$folder/data" ]; then
    as_owner "$pg_ctl" -D "$folder/data" -m immediate -w stop >/dev/null 2>&1 || true
  fi
  case "$folder" in /tmp/kszw-pgtest-*) rm -rf "$folder" ;; esac
  rm -f "$state/folder"
  ;;
*)
  echo "usage: $0 start|stop STATE_DIR" >&2
  exit 2
  ;;
esac
