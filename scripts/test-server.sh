#!/usr/bin/env bash
# A throwaway PostgreSQL cluster for the server tests and the bench, on this machine only.
#   test-server.sh start   prints the folder of its Unix socket (it listens on nothing else)
#   test-server.sh stop FOLDER
# The cluster lives in that folder's parent, a fresh temporary folder; stop removes it. As root
# the server runs as an unprivileged user (postgres, or nobody): PostgreSQL refuses root.
set -euo pipefail

bindir="$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)"
[ -x "$bindir/initdb" ] || { echo "no PostgreSQL server is installed" >&2; exit 1; }

as_server_user() {
    if [ "$(id -u)" -eq 0 ]; then
        local user=postgres
        id "$user" >/dev/null 2>&1 || user=nobody
        runuser -u "$user" -- "$@"
    else
        "$@"
    fi
}

case "${1:-}" in
start)
    top="$(mktemp -d /tmp/sitora-pg.XXXXXX)"
    chmod 755 "$top"
    mkdir "$top/data" "$top/socket"
    [ "$(id -u)" -eq 0 ] && { id postgres >/dev/null 2>&1 && owner=postgres || owner=nobody; chown "$owner" "$top/data" "$top/socket"; }
    if ! as_server_user "$bindir/initdb" -D "$top/data" -U sitora -A trust -E UTF8 --no-locale --no-sync \
            >"$top/initdb.log" 2>&1 ||
       ! as_server_user "$bindir/pg_ctl" -D "$top/data" -l "$top/socket/server.log" -w -t 30 \
            -o "-c listen_addresses='' -c unix_socket_directories='$top/socket' -c fsync=off \
                -c synchronous_commit=off -c full_page_writes=off -c max_connections=200" start \
            >"$top/pg_ctl.log" 2>&1; then
        cat "$top"/*.log "$top/socket/server.log" >&2 2>/dev/null || true
        rm -rf "$top"
        exit 1
    fi
    echo "$top/socket"
    ;;
stop)
    socket="${2:?the socket folder}"
    top="$(dirname "$socket")"
    case "$top" in /tmp/sitora-pg.*) ;; *) echo "not a test cluster: $socket" >&2; exit 2 ;; esac
    as_server_user "$bindir/pg_ctl" -D "$top/data" -m immediate -w stop >/dev/null 2>&1 || true
    rm -rf "$top"
    ;;
*)
    echo "usage: $0 start | stop FOLDER" >&2
    exit 2
    ;;
esac
