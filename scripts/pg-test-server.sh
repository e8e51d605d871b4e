#!/usr/bin/env bash
# A throwaway PostgreSQL server on 127.0.0.1 for the ODBC engine's tests.
#   pg-test-server.sh start DIR PORT   initdb in DIR/data (trust auth), start it on PORT, and
#                                      write DIR/odbcinst.ini registering the PostgreSQL and
#                                      FreeTDS drivers (use it with ODBCSYSINI=DIR)
#   pg-test-server.sh stop DIR         stop the server (DIR itself is left to the caller)
# PostgreSQL refuses to run as root: as root the server runs as the postgres user.
set -euo pipefail

usage() { echo "usage: $0 start DIR PORT | stop DIR" >&2; exit 2; }
[[ $# -ge 2 ]] || usage
command=$1
dir=$(realpath -m "$2")

pg_bin() {
    local candidate
    if command -v pg_config >/dev/null 2>&1; then
        candidate=$(pg_config --bindir)
        if [[ -x $candidate/initdb ]]; then echo "$candidate"; return; fi
    fi
    candidate=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1 || true)
    if [[ -n $candidate && -x $candidate/initdb ]]; then echo "$candidate"; return; fi
    echo "PostgreSQL server programs (initdb, pg_ctl) not found: install the postgresql package" >&2
    exit 1
}

as_server_user() {
    if [[ $(id -u) -eq 0 ]]; then
        runuser -u postgres -- "$@"
    else
        "$@"
    fi
}

find_driver() {
    local name=$1 found
    found=$(ls /usr/lib/*/odbc/"$name" /usr/lib/odbc/"$name" /usr/lib/*/"$name" 2>/dev/null | head -n 1 || true)
    echo "$found"
}

case $command in
start)
    [[ $# -eq 3 ]] || usage
    port=$3
    mkdir -p "$dir"
    if [[ $(id -u) -eq 0 ]]; then chown postgres:postgres "$dir"; fi
    postgres_driver=$(find_driver psqlodbcw.so)
    freetds_driver=$(find_driver libtdsodbc.so)
    {
        if [[ -n $postgres_driver ]]; then
            printf '[PostgreSQL Unicode]\nDriver=%s\n\n' "$postgres_driver"
        fi
        if [[ -n $freetds_driver ]]; then
            printf '[FreeTDS]\nDriver=%s\n\n' "$freetds_driver"
        fi
    } >"$dir/odbcinst.ini"
    : >"$dir/odbc.ini"
    if [[ -z $postgres_driver ]]; then
        echo "PostgreSQL ODBC driver psqlodbcw.so not found: install odbc-postgresql" >&2
        exit 1
    fi
    bin=$(pg_bin)
    if [[ ! -f $dir/data/PG_VERSION ]]; then
        as_server_user "$bin/initdb" -D "$dir/data" -U postgres -A trust -E UTF8 --locale=C \
            --no-sync >"$dir/initdb.log" 2>&1 || { cat "$dir/initdb.log" >&2; exit 1; }
    fi
    as_server_user "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 30 \
        -o "-k $dir -p $port -c listen_addresses=127.0.0.1 -c fsync=off" start >/dev/null ||
        { cat "$dir/server.log" >&2; exit 1; }
    ;;
stop)
    bin=$(pg_bin)
    if [[ -f $dir/data/postmaster.pid ]]; then
        as_server_user "$bin/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null
    fi
    ;;
*)
    usage
    ;;
esac
