#!/usr/bin/env bash
# The import benchmark: a generated library and import file, an unattended run with the default
# rule and verbose logging, its rates on each engine side by side (the library as a file, and the
# same rows in a PostgreSQL database reached over a Unix socket), at two sizes ten times apart. On
# SQLite the run's statement trace is replayed directly through sqlite3 on a copy of the library as
# it was before the run (the floor).
# Usage: scripts/bench.sh BUILD_DIR [--quick|--full] [--engines sqlite,postgresql]
#   (make bench passes its build folder). Each engine's run goes a second time on a library that
#   keeps the run journal (vantrelis-dm upgrade): the journal's cost, then that run taken back
#   (--undo) and timed, and the library compared row for row with before the run; BENCH_JOURNAL=0
#   leaves these out.
# Default: 500 paths on 5,000 documents, then 5,000 paths on 50,000; --quick: the small one only;
# --full: 5,000 and 50,000 paths. --engines: the engines to run on (both by default). The PostgreSQL
# runs use a private cluster started and stopped here (scripts/pg-cluster.sh, synchronous commit
# off: a crash loses the last moments' commits, never consistency, as SQLite's WAL with
# synchronous=NORMAL), or the one PG_CLUSTER_URI names.
set -euo pipefail

build_dir=${1:?usage: scripts/bench.sh BUILD_DIR [--quick|--full] [--engines sqlite,postgresql]}
build_dir=$(cd "$build_dir" && pwd)
shift
size="" engines="sqlite,postgresql"
while (($#)); do
    case "$1" in
    --quick | --full) size=$1 ;;
    --engines) engines=${2:-}; shift ;;
    *) echo "bench: unknown option $1" >&2; exit 2 ;;
    esac
    shift
done
here=$(cd "$(dirname "$0")" && pwd)
. "$here/pg-cluster.sh"
. "$here/library-runs.sh"
libraries=(BENCH)
data_tool="$build_dir/bin/vantrelis-import-bench-data"
replay="$build_dir/bin/vantrelis-sql-replay"
work="$build_dir/bench-run"
for needed in "$data_tool" "$replay" "$program" "$tool"; do
    [[ -x "$needed" ]] || { echo "bench: $needed is not built; run 'make build' first" >&2; exit 1; }
done
if [[ ",$engines," == *,postgresql,* && -z "${PG_CLUSTER_URI:-}" ]]; then
    trap pg_cluster_stop EXIT
    pg_cluster_start --async-commit
fi

now() { date +%s.%N; }
calc() { awk "BEGIN { printf \"$1\", $2 }"; }

# timed_run DIR [TRACE]: the unattended import in DIR's library; with TRACE, its statements go there.
timed_run() {
    local dir=$1 trace=${2:-}
    mkdir -p "$dir/config/vantrelis" "$dir/data"
    printf '[General]\r\nLogFile=%s\r\nLogMethod=1\r\nCheckAddNewDocs=1\r\nCheckAddExistingDocs=1\r\n[Libraries]\r\nBENCH=1\r\n' \
        "$dir/Vantrelis.LOG" >"$dir/config/vantrelis/Vantrelis Import for OpenText eDOCS.ini"
    local -a environment=(VANTRELIS_DM_SERVER="$dir/dm-server.ini" XDG_CONFIG_HOME="$dir/config"
        XDG_DATA_HOME="$dir/data" QT_QPA_PLATFORM=offscreen)
    [[ -z "$trace" ]] || environment+=(VANTRELIS_SQL_TRACE="$trace")
    (cd "$dir" && env "${environment[@]}" "$program" /G /X /F "$dir/import.csv" /S CLIENT_MATTER \
        >"$dir/summary.txt")
}

# engine_case DIR ENGINE: the timed run on a copy of the data; leaves "seconds folders filed" in
# DIR-ENGINE/figures and prints the run's summary.
engine_case() {
    local data=$1 engine=$2
    local dir="$data-$engine"
    copy_environment "$data" "$dir" "$engine"
    local start status=0 seconds
    start=$(now)
    timed_run "$dir" || status=$?
    seconds=$(calc '%.3f' "$(now) - $start")
    local summary
    summary=$(sed 's/; log: .*//' "$dir/summary.txt")
    printf '  %-10s %s (exit status %s)\n' "$engine:" "$summary" "$status"
    printf '%s %s %s\n' "$seconds" "$(sed -n 's/.* \([0-9]*\) folders added.*/\1/p' <<<"$summary")" \
        "$(sed -n 's/.* \([0-9]*\) documents filed.*/\1/p' <<<"$summary")" >"$dir/figures"
}

# Library rows apart from the journal's own and the key counters.
journal_free_rows() { # dir
    dump_rows "$1" BENCH | awk -F ' [|] ' '$1 !~ /^(# )?(VANTRELIS_RUN|KEY_COUNTERS)/'
}

faster() { awk -v a="$1" -v b="$2" 'BEGIN { print (a < b ? a : b) }'; }

# Where vantrelis-dm upgrade reaches DIR's library: the journal's tables are made by the library's
# owner (the program's role may not), and the program's role gets its rights on them by the
# schema's default privileges.
journal_location() { # dir
    local location
    location=$(library_location "$1" BENCH)
    if [[ "$location" == postgresql://* ]]; then
        location=${location#*@/}
        location=$(pg_database_uri "${location%%\?*}")
    fi
    printf '%s\n' "$location"
}

# repeat_run DATA DIR ENGINE on|off SUMMARY: the run once more on a copy in DIR, with the journal or
# without; prints its seconds, or them and "not counted" when its summary line is not SUMMARY.
repeat_run() {
    local data=$1 dir=$2 engine=$3 journal=$4 summary=$5 start took
    copy_environment "$data" "$dir" "$engine" >/dev/null
    [[ "$journal" == off ]] || "$tool" upgrade "$(journal_location "$dir")" >/dev/null
    start=$(now)
    timed_run "$dir" || true
    took=$(calc '%.3f' "$(now) - $start")
    if [[ "$(sed 's/; log: .*//' "$dir/summary.txt")" == "$summary" ]]; then
        printf '%s\n' "$took"
    else
        printf '%s not counted: %s\n' "$took" "$(sed 's/; log: .*//' "$dir/summary.txt")"
    fi
}

# journal_case DIR ENGINE: the same run on a library that keeps the run journal, its cost against the
# run without it, then the run taken back (--undo): its time against the run's, and whether the
# library is row for row as before the run.
journal_case() {
    local data=$1 engine=$2
    local dir="$data-$engine-journal"
    copy_environment "$data" "$dir" "$engine"
    "$tool" upgrade "$(journal_location "$dir")" >/dev/null
    journal_free_rows "$dir" >"$dir/before.rows"
    local start status=0 seconds plain
    start=$(now)
    timed_run "$dir" || status=$?
    seconds=$(calc '%.3f' "$(now) - $start")
    # Each run again, in turn: the fastest of each is the figure, so that a passing load on the
    # machine is taken neither for the journal's cost nor for its saving. Two of each; five of a
    # run shorter than ten seconds, where a moment's load weighs more.
    local plain_first again="$data-$engine-again" rounds=2 round took
    plain_first=$(cut -d' ' -f1 "$data-$engine/figures")
    awk -v s="$plain_first" 'BEGIN { exit !(s < 10) }' && rounds=5
    local plain_times="$plain_first" journal_times="$seconds"
    plain=$plain_first
    local journal=$seconds
    # A run counts only when it did the same work as the first (its summary line the same).
    local summary
    summary=$(sed 's/; log: .*//' "$data-$engine/summary.txt")
    for ((round = 2; round <= rounds; round++)); do
        took=$(repeat_run "$data" "$again" "$engine" off "$summary")
        plain_times+=", $took"
        [[ "$took" == *counted* ]] || plain=$(faster "$plain" "$took")
        took=$(repeat_run "$data" "$again" "$engine" on "$summary")
        journal_times+=", $took"
        [[ "$took" == *counted* ]] || journal=$(faster "$journal" "$took")
    done
    rm -rf -- "$again"
    printf '  %-10s journal on %.2f s (the fastest of %s; exit status %s), off %.2f s (the fastest of %s): the journal costs %.1f %%\n' \
        "$engine:" "$journal" "$journal_times" "$status" "$plain" "$plain_times" \
        "$(calc '%.1f' "($journal - $plain) * 100 / $plain")"
    local id undo_seconds verdict
    id=$(first_run "$dir" BENCH)
    run_program "$dir" undo --undo "$id"
    undo_seconds=$(cat "$dir/undo/seconds")
    journal_free_rows "$dir" >"$dir/after.rows"
    if cmp -s "$dir/before.rows" "$dir/after.rows"; then
        verdict="the library holds the same $(grep -vc '^#' "$dir/before.rows") rows as before the run"
    else
        verdict="THE LIBRARY DIFFERS from before the run ($(diff "$dir/before.rows" "$dir/after.rows" | grep -c '^[<>]') rows)"
    fi
    printf '  %-10s undo %.2f s (exit status %s), %.2f of the run; %s\n' "$engine:" "$undo_seconds" \
        "$(cat "$dir/undo/status")" "$(calc '%.2f' "$undo_seconds / $seconds")" "$verdict"
    sed 's/^/             /' "$dir/undo/summary.txt"
}

# The SQLite run's statements, replayed through sqlite3 on the library as it was (the floor).
sqlite_floor() {
    local data=$1
    local dir="$data-sqlite"
    rm -rf -- "$data-traced"
    cp -r "$data" "$data-traced"
    timed_run "$data-traced" "$dir/trace.sql" || true
    rm -rf -- "$data-traced"
    local replayed floor
    cp "$data/bench.db" "$dir/floor.db"
    replayed=$("$replay" "$dir/floor.db" 10 "$dir/trace.sql")
    echo "  floor: $replayed"
    floor=$(sed -n 's/.* in \([0-9.]*\) s$/\1/p' <<<"$replayed")
    "$replay" --per-document "$(cut -d' ' -f3 "$dir/figures")" "$dir/trace.sql" | sed 's/^/  /'
    printf '  sqlite run %.2f s, %s statements executed, floor %.2f s, run/floor %.2f\n' \
        "$(cut -d' ' -f1 "$dir/figures")" "$(wc -l <"$dir/trace.sql")" "$floor" \
        "$(calc '%.2f' "$(cut -d' ' -f1 "$dir/figures") / $floor")"
}

# run_case NAME DOCUMENTS CLIENTS PATHS: prints the figures of each engine side by side.
run_case() {
    local name=$1 documents=$2 clients=$3 paths=$4
    local data="$work/$name"
    rm -rf -- "$data" "$data"-*
    echo "$name: $("$data_tool" "$data" --documents "$documents" --clients "$clients" --paths "$paths")"
    local engine
    for engine in ${engines//,/ }; do
        engine_case "$data" "$engine"
        # BENCH_JOURNAL=0: without the journal's run and the undo.
        [[ "${BENCH_JOURNAL:-1}" == 0 ]] || journal_case "$data" "$engine"
    done
    [[ ",$engines," != *,sqlite,* ]] || sqlite_floor "$data"
    printf '  %-9s %-11s %8s %10s %12s %12s %12s\n' "$name" engine paths "run s" "paths/s" "folders/s" \
        "documents/s"
    for engine in ${engines//,/ }; do
        local seconds folders filed
        read -r seconds folders filed <"$data-$engine/figures"
        printf '  %-9s %-11s %8s %10.2f %12.1f %12.1f %12.1f\n' "$name" "$engine" "$paths" "$seconds" \
            "$(calc '%.1f' "$paths / $seconds")" "$(calc '%.1f' "${folders:-0} / $seconds")" \
            "$(calc '%.1f' "${filed:-0} / $seconds")"
    done
}

# How much longer each engine took for ten times the paths.
growth() { # small large
    local engine
    for engine in ${engines//,/ }; do
        printf '  %s: ten times the paths took %.2f times as long\n' "$engine" \
            "$(calc '%.2f' "$(cut -d' ' -f1 "$work/$2-$engine/figures") / $(cut -d' ' -f1 "$work/$1-$engine/figures")")"
    done
}

echo "Import benchmark (verbose logging on, default rule; on SQLite the statements traced in a second run)"
case "$size" in
--quick)
    run_case small 5000 200 500
    ;;
--full)
    run_case base 50000 2000 5000
    run_case tenfold 500000 20000 50000
    growth base tenfold
    ;;
*)
    # A tenth of the data first, so that the two runs show how the cost grows with the paths.
    run_case tenth 5000 200 500
    run_case base 50000 2000 5000
    growth tenth base
    ;;
esac
