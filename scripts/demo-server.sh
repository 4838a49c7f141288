#!/usr/bin/env bash
# The demo with its libraries on a PostgreSQL server: starts a private, throwaway cluster
# (scripts/pg-cluster.sh: initdb and pg_ctl in BUILD_DIR/demo-server-pg, listening only on a socket
# there; as the postgres user when run as root), creates the demo's databases, runs scripts/demo.sh
# against them and stops the cluster.
# Usage: scripts/demo-server.sh BUILD_DIR   (make demo-server passes its build folder)
# To use a server of your own instead, set VANTRELIS_DEMO_SERVER to its URI (the owner of three empty
# databases vantrelis_mssql, vantrelis_oracle and vantrelis_small) and run scripts/demo.sh.
set -euo pipefail

build_dir=${1:?usage: scripts/demo-server.sh BUILD_DIR}
build_dir=$(cd "$build_dir" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
. "$here/pg-cluster.sh"

trap pg_cluster_stop EXIT
pg_cluster_start "$build_dir/demo-server-pg"
for database in vantrelis_mssql vantrelis_oracle vantrelis_small; do
    pg_cluster_createdb "$database"
done
echo "PostgreSQL cluster in $PG_CLUSTER_DIR (socket $PG_CLUSTER_DIR, port $PG_CLUSTER_PORT)"

VANTRELIS_DEMO_SERVER="$PG_CLUSTER_URI" "$here/demo.sh" "$build_dir"
