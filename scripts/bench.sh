#!/usr/bin/env bash
# The import benchmark: a generated library and import file, an unattended run with the default
# rule and verbose logging, its rates, and its statement trace replayed directly through sqlite3 on
# a copy of the library as it was before the run (the floor), at two sizes ten times apart.
# Usage: scripts/bench.sh BUILD_DIR [--quick|--full]   (make bench passes its build folder)
# Default: 500 paths on 5,000 documents, then 5,000 paths on 50,000; --full: 5,000 and 50,000 paths.
set -euo pipefail

build_dir=${1:?usage: scripts/bench.sh BUILD_DIR [--quick]}
build_dir=$(cd "$build_dir" && pwd)
quick=${2:-}
data_tool="$build_dir/bin/vantrelis-import-bench-data"
replay="$build_dir/bin/vantrelis-sql-replay"
program="$build_dir/bin/vantrelis-import"
work="$build_dir/bench-run"
for tool in "$data_tool" "$replay" "$program"; do
    [[ -x "$tool" ]] || { echo "bench: $tool is not built; run 'make build' first" >&2; exit 1; }
done

now() { date +%s.%N; }
calc() { awk "BEGIN { printf \"$1\", $2 }"; }

# run_import DIR [TRACE]: the unattended import in DIR's library; with TRACE, its statements go there.
run_import() {
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

# run_case NAME DOCUMENTS CLIENTS PATHS: prints the figures and leaves the run's seconds in $seconds.
# The timed run writes no statement trace (one write per statement is the instrument's cost, not the
# program's); the same run on a copy of the library records the statements for the floor.
run_case() {
    local name=$1 documents=$2 clients=$3 paths=$4
    local dir="$work/$name"
    rm -rf -- "$dir" "$dir-traced"
    "$data_tool" "$dir" --documents "$documents" --clients "$clients" --paths "$paths"
    cp -r "$dir" "$dir-traced"
    cp "$dir/bench.db" "$dir/floor.db"
    local start end status=0
    start=$(now)
    run_import "$dir" || status=$?
    end=$(now)
    seconds=$(calc '%.3f' "$end - $start")
    run_import "$dir-traced" "$dir/trace.sql" || true
    local summary folders filed statements floor
    summary=$(cat "$dir/summary.txt")
    echo "  $summary (exit status $status)"
    folders=$(sed -n 's/.* \([0-9]*\) folders added.*/\1/p' <<<"$summary")
    filed=$(sed -n 's/.* \([0-9]*\) documents filed.*/\1/p' <<<"$summary")
    statements=$(wc -l <"$dir/trace.sql")
    rm -rf -- "$dir-traced"
    local replayed
    replayed=$("$replay" "$dir/floor.db" 10 "$dir/trace.sql")
    echo "  floor: $replayed"
    floor=$(sed -n 's/.* in \([0-9.]*\) s$/\1/p' <<<"$replayed")
    "$replay" --per-document "$filed" "$dir/trace.sql" | sed 's/^/  /'

    printf '  %-9s %8s paths  %9.1f paths/s  %9.1f folders created/s  %9.1f documents filed/s\n' "$name" \
        "$paths" "$(calc '%.1f' "$paths / $seconds")" "$(calc '%.1f' "$folders / $seconds")" \
        "$(calc '%.1f' "$filed / $seconds")"
    printf '  %-9s run %.2f s, %s statements executed, floor %.2f s, run/floor %.2f\n' "$name" "$seconds" \
        "$statements" "$floor" "$(calc '%.2f' "$seconds / $floor")"
}

echo "Import benchmark (verbose logging on, default rule; the statements traced in a second run)"
case "$quick" in
--quick)
    run_case small 5000 200 500
    ;;
--full)
    run_case base 50000 2000 5000
    base=$seconds
    run_case tenfold 500000 20000 50000
    printf '  ten times the paths took %.2f times as long\n' "$(calc '%.2f' "$seconds / $base")"
    ;;
*)
    # A tenth of the data first, so that the two runs show how the cost grows with the paths.
    run_case tenth 5000 200 500
    tenth=$seconds
    run_case base 50000 2000 5000
    printf '  ten times the paths took %.2f times as long\n' "$(calc '%.2f' "$seconds / $tenth")"
    ;;
esac
