# A private, throwaway PostgreSQL cluster for scripts and tests, to be sourced (bash):
#
#   . scripts/pg-cluster.sh
#   pg_cluster_start [DIR] [--fast|--async-commit]
#                                     initdb + pg_ctl in DIR (emptied first; a new folder under /tmp
#                                     when none is given, removed again by pg_cluster_stop); --fast
#                                     turns off fsync and synchronous commit, for tests whose data
#                                     is thrown away; --async-commit only synchronous commit (a
#                                     crash loses the last moments' commits, never consistency)
#   pg_cluster_createdb NAME [TEMPLATE]   an empty database, or a copy of TEMPLATE
#   pg_database_uri NAME [ROLE]           its postgresql:// URI (as the owner unless ROLE is given)
#   pg_cluster_stop
#
# The cluster listens only on a Unix socket in its own folder, with trust authentication for the
# owner role vantrelis_owner and the program's role vantrelis (a login that gets its rights per
# library: vantrelis-dm create or copy --program-role vantrelis). As root, the server runs as the postgres user (it refuses root). It
# is stopped when the script that started it ends however it ends, killed included: a watchdog
# outside the script's process tree stops it once the script is gone.
# After pg_cluster_start: PG_CLUSTER_DIR, PG_CLUSTER_PORT, PG_CLUSTER_OWNER, PG_CLUSTER_ROLE,
# PG_CLUSTER_URI (the server's URI without a database, as `vantrelis-dm demo --server` takes it) and
# PG_BIN are set and exported, so that scripts started from this one use the same cluster.

pg_cluster_bin() {
    local bin=${VANTRELIS_PG_BIN:-$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)}
    if [[ -z "$bin" || ! -x "$bin/initdb" ]]; then
        echo "pg-cluster: the PostgreSQL server programs are not installed (scripts/install-deps.sh installs them)" >&2
        return 1
    fi
    printf '%s\n' "$bin"
}

# Runs a server program as the cluster's owner on this machine.
pg_cluster_as_owner() {
    if [[ $(id -u) -eq 0 ]]; then
        runuser -u postgres -- "$@"
    else
        "$@"
    fi
}

pg_cluster_start() {
    local dir="" settings="" argument
    for argument in "$@"; do
        case "$argument" in
        --fast) settings=" -c fsync=off -c synchronous_commit=off -c full_page_writes=off" ;;
        --async-commit) settings=" -c synchronous_commit=off" ;;
        *) dir=$argument ;;
        esac
    done
    PG_BIN=$(pg_cluster_bin) || return 1
    PG_CLUSTER_MADE_DIR=0
    if [[ -z "$dir" ]]; then
        dir=$(mktemp -d /tmp/vantrelis-pg-XXXXXX) || return 1
        PG_CLUSTER_MADE_DIR=1
    else
        # A folder given again starts afresh: a server left running there is stopped first.
        if [[ -f "$dir/data/postmaster.pid" ]]; then
            pg_cluster_as_owner "$PG_BIN/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
        fi
        rm -rf -- "$dir"
        mkdir -p "$dir" || return 1
        dir=$(cd "$dir" && pwd)
    fi
    if [[ $(id -u) -eq 0 ]]; then
        if ! id postgres >/dev/null 2>&1; then
            echo "pg-cluster: running as root needs a postgres user to run the server" >&2
            return 1
        fi
        chown postgres: "$dir" || return 1
    fi
    PG_CLUSTER_DIR=$dir
    # The socket folder is the cluster's own, so the port only names the socket file there.
    PG_CLUSTER_PORT=$((20000 + $$ % 30000))
    PG_CLUSTER_OWNER=vantrelis_owner
    PG_CLUSTER_ROLE=vantrelis
    PG_CLUSTER_URI="postgresql://$PG_CLUSTER_OWNER@/?host=$dir&port=$PG_CLUSTER_PORT"
    export PG_BIN PG_CLUSTER_DIR PG_CLUSTER_PORT PG_CLUSTER_OWNER PG_CLUSTER_ROLE PG_CLUSTER_URI
    local options="-k $dir -p $PG_CLUSTER_PORT -c listen_addresses='' -c max_connections=40$settings"
    if ! pg_cluster_as_owner "$PG_BIN/initdb" -D "$dir/data" -U "$PG_CLUSTER_OWNER" -A trust -E UTF8 \
        --no-locale --no-sync --no-instructions >"$dir/initdb.log" 2>&1; then
        echo "pg-cluster: initdb failed:" >&2
        cat "$dir/initdb.log" >&2
        return 1
    fi
    if ! pg_cluster_as_owner "$PG_BIN/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 -o "$options" \
        start >/dev/null; then
        echo "pg-cluster: the server did not start:" >&2
        cat "$dir/server.log" >&2
        return 1
    fi
    # The watchdog: detached (its own session, its parent gone at once), so that killing this
    # script's process tree leaves it to stop the server.
    local as_owner=""
    [[ $(id -u) -ne 0 ]] || as_owner="runuser -u postgres --"
    (setsid bash -c "while kill -0 $$ 2>/dev/null && [[ -f '$dir/data/postmaster.pid' ]]; do sleep 1; done
        if [[ -f '$dir/data/postmaster.pid' ]]; then
            $as_owner '$PG_BIN/pg_ctl' -D '$dir/data' -m immediate -w stop
            [[ $PG_CLUSTER_MADE_DIR == 0 ]] || rm -rf -- '$dir'
        fi" </dev/null >/dev/null 2>&1 &)
    "$PG_BIN/createuser" -h "$dir" -p "$PG_CLUSTER_PORT" -U "$PG_CLUSTER_OWNER" "$PG_CLUSTER_ROLE" || return 1
}

pg_cluster_stop() {
    [[ -n "${PG_CLUSTER_DIR:-}" ]] || return 0
    if [[ -f "$PG_CLUSTER_DIR/data/postmaster.pid" ]]; then
        pg_cluster_as_owner "$PG_BIN/pg_ctl" -D "$PG_CLUSTER_DIR/data" -m fast -w stop >/dev/null 2>&1 ||
            pg_cluster_as_owner "$PG_BIN/pg_ctl" -D "$PG_CLUSTER_DIR/data" -m immediate -w stop >/dev/null 2>&1
    fi
    if [[ "${PG_CLUSTER_MADE_DIR:-0}" == 1 ]]; then
        rm -rf -- "$PG_CLUSTER_DIR"
    fi
    PG_CLUSTER_DIR=""
}

pg_cluster_createdb() { # NAME [TEMPLATE]
    "$PG_BIN/createdb" -h "$PG_CLUSTER_DIR" -p "$PG_CLUSTER_PORT" -U "$PG_CLUSTER_OWNER" \
        ${2:+--template "$2"} "$1"
}

pg_database_uri() { # NAME [ROLE]
    printf 'postgresql://%s@/%s?host=%s&port=%s\n' "${2:-$PG_CLUSTER_OWNER}" "$1" "$PG_CLUSTER_DIR" \
        "$PG_CLUSTER_PORT"
}
