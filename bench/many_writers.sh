#!/usr/bin/env bash
# Many writers on the same libraries: N unattended imports of the same file into the same libraries,
# started at once, beside one run alone on a copy of the same libraries. Then checks that the N runs
# left no duplicate folder (the same name twice under one parent, or twice at the top level), that
# every item chain is sound (vantrelis-dm folders), that every run ended with exit status 0 or 1 and no
# more errors than the run alone, and that the libraries hold the same folders, items, trustee rows
# and folder profiles as after the run alone. Prints the figures and the time of the N runs beside
# the one run.
#
# Usage: bench/many_writers.sh BUILD_DIR [--demo|--bench|--split] [N] [--engine sqlite|postgresql]
#                              [--from DIR]
#   --demo   the demo libraries and import file (default; the tests run it with N = 4)
#   --bench  a generated library of 5,000 documents and 500 paths (make bench runs it with N = 8)
#   --split  the bench data, its import file split by client into N parts, one run per part, beside
#            one run of the whole file (runs into different clients)
#   --engine the libraries as files (sqlite, the default) or on a PostgreSQL server: the cluster of
#            scripts/pg-cluster.sh that PG_CLUSTER_URI names, else a private one started and stopped
#            here; either way the same rows as the files
#   --from   the libraries and import file as they are before any run, instead of building them
# Exit status 0 when every check passed, 1 when one failed, 2 on bad usage or a missing tool.
set -uo pipefail

usage="usage: bench/many_writers.sh BUILD_DIR [--demo|--bench|--split] [N] [--engine sqlite|postgresql] [--from DIR]"
build_dir=${1:?$usage}
build_dir=$(cd "$build_dir" && pwd)
shift
mode=--demo runs=4 engine=sqlite from=""
while (($#)); do
    case "$1" in
    --demo | --bench | --split) mode=$1 ;;
    --engine) engine=${2:-}; shift ;;
    --from) from=${2:-}; shift ;;
    *) runs=$1 ;;
    esac
    shift
done
here=$(cd "$(dirname "$0")/.." && pwd)
. "$here/scripts/pg-cluster.sh"
. "$here/scripts/library-runs.sh"
data_tool="$build_dir/bin/vantrelis-import-bench-data"
work="$build_dir/many-writers${mode#-}$([[ "$engine" == sqlite ]] || echo -pg)"
case "$mode" in
--demo) libraries=(VANTRELIS_MSSQL VANTRELIS_ORACLE) ;;
*) libraries=(BENCH) ;;
esac
[[ "$engine" == sqlite || "$engine" == postgresql ]] || { echo "many_writers: --engine is sqlite or postgresql" >&2; exit 2; }
[[ "$runs" =~ ^[1-9][0-9]*$ ]] || { echo "many_writers: N must be a whole number above 0" >&2; exit 2; }
for needed in "$tool" "$program"; do
    [[ -x "$needed" ]] || { echo "many_writers: $needed is not built; run 'make build' first" >&2; exit 2; }
done
if [[ "$engine" == postgresql && -z "${PG_CLUSTER_URI:-}" ]]; then
    trap pg_cluster_stop EXIT
    pg_cluster_start --async-commit || exit 2
fi

now() { date +%s.%N; }
calc() { awk "BEGIN { printf \"$1\", $2 }"; }

# The libraries as they are before any run (files).
make_pristine() {
    local dir=$1
    if [[ -n "$from" ]]; then
        cp -r "$from" "$dir"
        return
    fi
    case "$mode" in
    --demo) "$tool" demo "$dir" >/dev/null ;;
    *) "$data_tool" "$dir" --documents 5000 --clients 200 --paths 500 >/dev/null ;;
    esac
}

summary_field() { # file pattern
    sed -n "s/.* \([0-9]*\) $2.*/\1/p" "$1" | head -n 1
}

rm -rf -- "$work"
mkdir -p "$work"
make_pristine "$work/pristine"
copy_environment "$work/pristine" "$work/alone" "$engine" || { echo "many_writers: no copy of the libraries" >&2; exit 2; }
copy_environment "$work/pristine" "$work/many" "$engine" || { echo "many_writers: no copy of the libraries" >&2; exit 2; }
import_file="$work/pristine/import.csv"
paths=$(grep -c . "$import_file")

# The files of the N runs: the same file for all, or (--split) each run its part of the clients.
declare -a files
if [[ "$mode" == --split ]]; then
    awk -F, -v dir="$work/many" -v parts="$runs" '{ if (!($1 in part)) part[$1] = n++ % parts;
        print > (dir "/part" part[$1] ".csv") }' "$import_file"
    for ((i = 0; i < runs; i++)); do
        [[ -f "$work/many/part$i.csv" ]] || : >"$work/many/part$i.csv"
        files[i]="$work/many/part$i.csv"
    done
else
    for ((i = 0; i < runs; i++)); do files[i]="$work/many/import.csv"; done
fi

echo "Many writers ($mode, $engine): $runs runs at once on ${libraries[*]}, beside one run alone ($paths lines)"
start=$(now)
run_import "$work/alone" run "$work/alone/import.csv"
alone_seconds=$(calc '%.2f' "$(now) - $start")
alone_status=$(cat "$work/alone/run/status")
alone_errors=$(summary_field "$work/alone/run/summary.txt" errors)
echo "  one run:  $(cat "$work/alone/run/summary.txt") (exit status $alone_status)"

start=$(now)
for ((i = 0; i < runs; i++)); do
    run_import "$work/many" "run$i" "${files[i]}" &
done
wait
many_seconds=$(calc '%.2f' "$(now) - $start")

failed=0
fail() {
    echo "  FAILED: $*"
    failed=1
}
[[ "$alone_status" == 0 || "$alone_status" == 1 ]] || fail "the run alone ended with exit status $alone_status"
for ((i = 0; i < runs; i++)); do
    status=$(cat "$work/many/run$i/status")
    errors=$(summary_field "$work/many/run$i/summary.txt" errors)
    held=$(grep -c "is held by another writer" "$work/many/run$i/errors.txt" || true)
    echo "  run $i: $(cat "$work/many/run$i/summary.txt") (exit status $status)"
    if [[ "$status" != 0 && "$status" != 1 ]]; then
        fail "run $i ended with exit status $status: $(head -c 300 "$work/many/run$i/errors.txt")"
    elif [[ "$held" != 0 ]]; then
        fail "run $i gave up a library that another run held"
    elif [[ "$mode" != --split && "${errors:-x}" != "${alone_errors:-y}" ]]; then
        fail "run $i counted ${errors:-no} errors, the run alone $alone_errors"
    fi
done

for library in "${libraries[@]}"; do
    dups_alone=$(duplicates "$work/alone" "$library")
    dups_many=$(duplicates "$work/many" "$library")
    chain_alone=$(chains "$work/alone" "$library" "$work/alone/$library.chains")
    chain_many=$(chains "$work/many" "$library" "$work/many/$library.chains")
    printf '  %-16s duplicate groups: %s (alone %s); chains: %s (alone %s)\n' "$library" "$dups_many" \
        "$dups_alone" "$chain_many" "$chain_alone"
    [[ "$dups_many" == "$dups_alone" ]] || fail "$library: $dups_many duplicate groups, $dups_alone after one run"
    [[ "$chain_many" == sound ]] || fail "$library: item chains $chain_many"
    cmp -s "$work/alone/$library.chains" "$work/many/$library.chains" ||
        fail "$library: the chain order differs from one run's"
    signatures "$work/alone" "$library" >"$work/alone/$library.signatures"
    signatures "$work/many" "$library" >"$work/many/$library.signatures"
    while read -r alone <&3 && read -r many <&4; do
        read -r what many_rows _ <<<"$many"
        printf '  %-16s %-8s %s rows after %s runs, %s after one run\n' "$library" "$what" "$many_rows" \
            "$runs" "$(cut -d' ' -f2 <<<"$alone")"
        same_signature "$many" "$alone" || fail "$library: the $what differ from one run's ($many, alone $alone)"
    done 3<"$work/alone/$library.signatures" 4<"$work/many/$library.signatures"
done

printf '  time: one run %.2f s (%.1f lines/s); %s runs at once %.2f s (%.1f lines/s in all, %.2f times the one run)\n' \
    "$alone_seconds" "$(calc '%.1f' "$paths / $alone_seconds")" "$runs" "$many_seconds" \
    "$(calc '%.1f' "$([[ "$mode" == --split ]] && echo 1 || echo "$runs") * $paths / $many_seconds")" \
    "$(calc '%.2f' "$many_seconds / $alone_seconds")"
if ((failed)); then
    echo "Many writers: some checks failed (the runs are in $work)"
    exit 1
fi
echo "Many writers: all checks passed"
