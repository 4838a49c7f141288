#!/usr/bin/env bash
# Where an import on PostgreSQL spends its time: the unattended run of scripts/bench.sh (generated
# library, verbose logging, default rule, one client, Unix socket) on a private cluster that loads
# pg_stat_statements. Prints the run's rate, the CPU the client and the server took per filed
# document (on a shared machine steadier than the rate), the statements the server ran per document,
# its own time executing and planning them, and the statements that took most of it.
#
# Usage: bench/pg_profile.sh BUILD_DIR [DOCUMENTS] [--journal] [--keep]
#   DOCUMENTS  documents in the library (default 5,000; a tenth as many paths, a 25th as many
#              clients, as scripts/bench.sh makes them)
#   --journal  the library keeps the run journal (vantrelis-dm upgrade): run it with and without to
#              see what the journal costs in CPU and statements, steadier than the wall time
#   --keep     leave the cluster running until Enter is pressed, for EXPLAIN on the rows left
# VANTRELIS_IMPORT names another build of the program to run (to compare two builds on the same data).
# PG_PROFILE_WORK names the folder for the data, the cluster and the run (BUILD_DIR/pg-profile).
set -euo pipefail

usage="usage: bench/pg_profile.sh BUILD_DIR [DOCUMENTS] [--journal] [--keep]"
build_dir=${1:?$usage}
build_dir=$(cd "$build_dir" && pwd)
shift
documents=5000 keep=0 journal=0
while (($#)); do
    case "$1" in
    --keep) keep=1 ;;
    --journal) journal=1 ;;
    [0-9]*) documents=$1 ;;
    *) echo "$usage" >&2; exit 2 ;;
    esac
    shift
done
here=$(cd "$(dirname "$0")/../scripts" && pwd)
. "$here/pg-cluster.sh"
. "$here/library-runs.sh"
libraries=(BENCH)
program=${VANTRELIS_IMPORT:-$program}
work="${PG_PROFILE_WORK:-$build_dir/pg-profile}"
rm -rf -- "$work"
mkdir -p "$work"
trap pg_cluster_stop EXIT
pg_cluster_start "$work/cluster" --async-commit
if [[ ! -f "$(dirname "$PG_BIN")/lib/pg_stat_statements.so" ]]; then
    echo "pg_profile: pg_stat_statements is not installed with the server" >&2
    exit 2
fi
pg_cluster_as_owner bash -c "printf '%s\n' \"shared_preload_libraries = 'pg_stat_statements'\" \
    'pg_stat_statements.track_planning = on' 'pg_stat_statements.max = 10000' >>'$PG_CLUSTER_DIR/data/postgresql.conf'"
pg_cluster_as_owner "$PG_BIN/pg_ctl" -D "$PG_CLUSTER_DIR/data" -w -m fast restart >/dev/null

data="$work/data"
echo "$("$build_dir/bin/vantrelis-import-bench-data" "$data" --documents "$documents" \
    --clients $((documents / 25)) --paths $((documents / 10)))"
dir="$work/run"
copy_environment "$data" "$dir" postgresql
database=$(sed -n 's|^Database=postgresql://[^/]*/\([^?]*\).*|\1|p' "$dir/dm-server.ini" | head -n 1)
sql() { "$PG_BIN/psql" -h "$PG_CLUSTER_DIR" -p "$PG_CLUSTER_PORT" -U "$PG_CLUSTER_OWNER" -d "$database" "$@"; }
((journal == 0)) || "$tool" upgrade "$(pg_database_uri "$database")" >/dev/null
sql -qc "CREATE EXTENSION pg_stat_statements" -c "SELECT pg_stat_statements_reset()" >/dev/null

# The server's CPU: its processes' own (the postmaster's reaped children included), before and after.
postmaster=$(head -n 1 "$PG_CLUSTER_DIR/data/postmaster.pid")
server_ticks() {
    local total=0 pid
    for pid in $postmaster $(pgrep -P "$postmaster"); do
        total=$((total + $(awk '{ print $14 + $15 + $16 + $17 }' "/proc/$pid/stat" 2>/dev/null || echo 0)))
    done
    echo "$total"
}
mkdir -p "$dir/config/vantrelis" "$dir/data"
printf '[General]\r\nLogFile=%s\r\nLogMethod=1\r\nCheckAddNewDocs=1\r\nCheckAddExistingDocs=1\r\n[Libraries]\r\nBENCH=1\r\n' \
    "$dir/Vantrelis.LOG" >"$dir/config/vantrelis/Vantrelis Import for OpenText eDOCS.ini"
before=$(server_ticks)
start=$(date +%s.%N)
(cd "$dir" && env VANTRELIS_DM_SERVER="$dir/dm-server.ini" XDG_CONFIG_HOME="$dir/config" XDG_DATA_HOME="$dir/data" \
    QT_QPA_PLATFORM=offscreen /usr/bin/time -f '%U %S' -o "$work/client-cpu" \
    "$program" /G /X /F "$dir/import.csv" /S CLIENT_MATTER >"$dir/summary.txt") || true
end=$(date +%s.%N)
sleep 1
after=$(server_ticks)
sed 's/; log: .*//' "$dir/summary.txt"
filed=$(sed -n 's/.* \([0-9]*\) documents filed.*/\1/p' "$dir/summary.txt")
((filed > 0)) || { echo "pg_profile: no document was filed" >&2; exit 1; }
read -r user system <"$work/client-cpu"
awk -v s="$start" -v e="$end" -v n="$filed" -v u="$user" -v y="$system" -v b="$before" -v a="$after" \
    -v hz="$(getconf CLK_TCK)" 'BEGIN {
    printf "  run %.2f s, %.1f documents/s\n", e - s, n / (e - s)
    printf "  CPU per document: client %.0f us, server %.0f us\n", (u + y) / n * 1e6, (a - b) / hz / n * 1e6 }'
sql -At -F ' ' -c "SELECT sum(calls), round(sum(total_exec_time)), round(sum(total_plan_time)), sum(plans)
    FROM pg_stat_statements WHERE query NOT LIKE '%pg_stat_statements%'" |
    awk -v n="$filed" '{ printf "  server: %.1f statements per document; %.0f us executing, %.0f us planning per document (%d plans)\n",
        $1 / n, $2 / n * 1000, $3 / n * 1000, $4 }'
sql -P pager=off -c "SELECT calls, plans, round(total_exec_time::numeric, 1) AS exec_ms,
    round(total_plan_time::numeric, 1) AS plan_ms,
    round((total_exec_time / greatest(calls, 1) * 1000)::numeric) AS us_per_call,
    left(regexp_replace(query, '\s+', ' ', 'g'), 110) AS statement
    FROM pg_stat_statements WHERE query NOT LIKE '%pg_stat_statements%'
    ORDER BY total_exec_time + total_plan_time DESC LIMIT 20"
if ((keep)); then
    echo "The cluster runs on: $(pg_database_uri "$database"); press Enter to stop it"
    read -r _
fi
