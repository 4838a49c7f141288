#!/usr/bin/env bash
# The demo with its libraries on a PostgreSQL server: starts a private, throwaway cluster (initdb and
# pg_ctl in BUILD_DIR/demo-server-pg, listening only on a socket there; as the postgres user when run
# as root), creates the demo's databases, runs scripts/demo.sh against them and stops the cluster.
# Usage: scripts/demo-server.sh BUILD_DIR   (make demo-server passes its build folder)
# To use a server of your own instead, set VANTRELIS_DEMO_SERVER to its URI (the owner of three empty
# databases vantrelis_mssql, vantrelis_oracle and vantrelis_small) and run scripts/demo.sh.
set -euo pipefail

build_dir=${1:?usage: scripts/demo-server.sh BUILD_DIR}
build_dir=$(cd "$build_dir" && pwd)
here=$(cd "$(dirname "$0")" && pwd)

bin=${VANTRELIS_PG_BIN:-$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)}
if [[ -z "$bin" || ! -x "$bin/initdb" ]]; then
    echo "demo-server: the PostgreSQL server programs are not installed (scripts/install-deps.sh installs them)" >&2
    exit 1
fi

cluster="$build_dir/demo-server-pg"
owner=vantrelis_owner
port=54321
as_owner=()
if [[ $(id -u) -eq 0 ]]; then
    as_owner=(runuser -u postgres --)
fi

stop() {
    if [[ -f "$cluster/data/postmaster.pid" ]]; then
        "${as_owner[@]}" "$bin/pg_ctl" -D "$cluster/data" -m fast -w stop >/dev/null || true
    fi
}
stop
rm -rf -- "$cluster"
mkdir -p "$cluster"
if [[ ${#as_owner[@]} -gt 0 ]]; then
    chown postgres: "$cluster"
fi
trap stop EXIT

"${as_owner[@]}" "$bin/initdb" -D "$cluster/data" -U "$owner" -A trust -E UTF8 --no-locale --no-sync \
    --no-instructions >"$cluster/initdb.log"
"${as_owner[@]}" "$bin/pg_ctl" -D "$cluster/data" -l "$cluster/server.log" -w \
    -o "-k $cluster -p $port -c listen_addresses=''" start >/dev/null
for database in vantrelis_mssql vantrelis_oracle vantrelis_small; do
    "$bin/createdb" -h "$cluster" -p "$port" -U "$owner" "$database"
done
echo "PostgreSQL cluster in $cluster (socket $cluster, port $port)"

VANTRELIS_DEMO_SERVER="postgresql://$owner@/?host=$cluster&port=$port" "$here/demo.sh" "$build_dir"
