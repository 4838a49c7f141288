#!/usr/bin/env bash
# Many writers on the same libraries: N unattended imports of the same file into the same libraries,
# started at once, beside one run alone on a copy of the same libraries. Then checks that the N runs
# left no duplicate folder (the same name twice under one parent, or twice at the top level), that
# every item chain is sound (vantrelis-dm folders), that every run ended with exit status 0 or 1 and no
# more errors than the run alone, and that the libraries hold the same folders, items and trustee
# rows as after the run alone. Prints the figures and the time of the N runs beside the one run.
#
# Usage: bench/many_writers.sh BUILD_DIR [--demo|--bench|--split] [N]
#   --demo   the demo libraries and import file (default; the test runs it with N = 4)
#   --bench  a generated library of 5,000 documents and 500 paths (make bench runs it with N = 8)
#   --split  the bench data, its import file split by client into N parts, one run per part, beside
#            one run of the whole file (runs into different clients)
# Exit status 0 when every check passed, 1 when one failed, 2 on bad usage or a missing tool.
set -uo pipefail

build_dir=${1:?usage: bench/many_writers.sh BUILD_DIR [--demo|--bench|--split] [N]}
build_dir=$(cd "$build_dir" && pwd)
mode=${2:---demo}
runs=${3:-4}
tool="$build_dir/bin/vantrelis-dm"
program="$build_dir/bin/vantrelis-import"
data_tool="$build_dir/bin/vantrelis-import-bench-data"
work="$build_dir/many-writers${mode#-}"
case "$mode" in
--demo) libraries=(VANTRELIS_MSSQL VANTRELIS_ORACLE) ;;
--bench | --split) libraries=(BENCH) ;;
*)
    echo "many_writers: unknown mode $mode" >&2
    exit 2
    ;;
esac
[[ "$runs" =~ ^[1-9][0-9]*$ ]] || { echo "many_writers: N must be a whole number above 0" >&2; exit 2; }
for needed in "$tool" "$program"; do
    [[ -x "$needed" ]] || { echo "many_writers: $needed is not built; run 'make build' first" >&2; exit 2; }
done

now() { date +%s.%N; }
calc() { awk "BEGIN { printf \"$1\", $2 }"; }

# The libraries as they are before any run.
make_pristine() {
    local dir=$1
    case "$mode" in
    --demo) "$tool" demo "$dir" >/dev/null ;;
    *) "$data_tool" "$dir" --documents 5000 --clients 200 --paths 500 >/dev/null ;;
    esac
}

# A library's database file, from the server file.
library_file() { # dir library
    local file
    file=$(awk -F= -v section="[Library.$2]" '$0 == section { found = 1; next } /^\[/ { found = 0 }
        found && $1 == "Database" { print $2; exit }' "$1/dm-server.ini" | tr -d '\r')
    [[ "$file" == /* ]] || file="$1/$file"
    printf '%s\n' "$file"
}

# One statement's single value through the SQL object.
value() { # dir library statement
    "$tool" sql "$1/dm-server.ini" "$2" "$3" --max-rows 1 | tail -n 1
}

# run_import DIR NAME FILE: one unattended run in DIR's libraries, its settings, log and report in
# DIR/NAME; leaves the exit status in DIR/NAME/status.
run_import() {
    local dir=$1 name=$2 file=$3
    local home="$dir/$name"
    mkdir -p "$home/config/vantrelis" "$home/data"
    {
        printf '[General]\r\nLogFile=%s\r\nLogMethod=1\r\nCheckAddNewDocs=1\r\nCheckAddExistingDocs=1\r\n' \
            "$home/Vantrelis.LOG"
        printf '[Libraries]\r\n'
        local library
        for library in "${libraries[@]}"; do printf '%s=1\r\n' "$library"; done
    } >"$home/config/vantrelis/Vantrelis Import for OpenText eDOCS.ini"
    local status=0
    (cd "$home" && env VANTRELIS_DM_SERVER="$dir/dm-server.ini" XDG_CONFIG_HOME="$home/config" \
        XDG_DATA_HOME="$home/data" QT_QPA_PLATFORM=offscreen \
        "$program" /G /X /F "$file" /S CLIENT_MATTER --report "$home/report.csv" \
        >"$home/summary.txt" 2>"$home/errors.txt") || status=$?
    echo "$status" >"$home/status"
}

# The folders as paths of names from the top level, the items under them and every trustee row (a
# folder's by its path, a document's by its number), each sorted, so that libraries whose folders got
# other numbers compare equal.
readonly TREE="WITH RECURSIVE T(DOCNUMBER, PATH, DEPTH) AS (SELECT F.DOCNUMBER, P.DOCNAME, 1 FROM \
DOCSADM.FOLDER F, DOCSADM.PROFILE P WHERE P.DOCNUMBER = F.DOCNUMBER AND NOT EXISTS (SELECT 1 FROM \
DOCSADM.FOLDER_ITEM FI WHERE FI.DOCNUMBER = F.DOCNUMBER AND FI.LIBRARY = 0) UNION ALL SELECT \
FI.DOCNUMBER, T.PATH || '/' || FI.DISPLAYNAME, T.DEPTH + 1 FROM T, DOCSADM.FOLDER_ITEM FI WHERE \
FI.PARENT = T.DOCNUMBER AND FI.NODE_TYPE = 'F' AND T.DEPTH < 32)"
signature() { # dir library what
    local statement
    case "$3" in
    folders) statement="$TREE SELECT COUNT(*) || ':' || COALESCE(group_concat(PATH, '|'), '') FROM (SELECT PATH FROM T ORDER BY PATH)" ;;
    items) statement="$TREE SELECT COUNT(*) || ':' || COALESCE(group_concat(X, '|'), '') FROM (SELECT T.PATH || '>' || FI.DOCNUMBER || FI.NODE_TYPE AS X FROM T, DOCSADM.FOLDER_ITEM FI WHERE FI.PARENT = T.DOCNUMBER AND FI.NODE_TYPE <> 'F' ORDER BY X)" ;;
    trustees) statement="$TREE SELECT COUNT(*) || ':' || COALESCE(group_concat(X, '|'), '') FROM (SELECT COALESCE(T.PATH, '#' || P.DOCNUMBER) || '>' || S.PERSONORGROUP || '=' || S.ACCESSRIGHTS AS X FROM DOCSADM.SECURITY S JOIN DOCSADM.PROFILE P ON P.SYSTEM_ID = S.THING LEFT JOIN T ON T.DOCNUMBER = P.DOCNUMBER ORDER BY X)" ;;
    esac
    local text
    text=$(value "$1" "$2" "$statement")
    printf '%s %s\n' "${text%%:*}" "$(printf '%s' "$text" | md5sum | cut -c1-12)"
}

# Groups of folders with the same name under one parent, and at the top level.
duplicates() { # dir library
    value "$1" "$2" "SELECT (SELECT COUNT(*) FROM (SELECT PARENT FROM DOCSADM.FOLDER_ITEM WHERE \
NODE_TYPE = 'F' AND LIBRARY = 0 GROUP BY PARENT, DISPLAYNAME HAVING COUNT(*) > 1)) + (SELECT COUNT(*) \
FROM (SELECT P.DOCNAME FROM DOCSADM.FOLDER F, DOCSADM.PROFILE P WHERE P.DOCNUMBER = F.DOCNUMBER AND \
NOT EXISTS (SELECT 1 FROM DOCSADM.FOLDER_ITEM FI WHERE FI.DOCNUMBER = F.DOCNUMBER AND FI.LIBRARY = 0) \
GROUP BY P.DOCNAME HAVING COUNT(*) > 1))"
}

chain_state() { # dir library
    local status=0
    "$tool" folders "$(library_file "$1" "$2")" >/dev/null 2>&1 || status=$?
    case "$status" in 0) echo sound ;; 3) echo BROKEN ;; *) echo "unreadable($status)" ;; esac
}

summary_field() { # file pattern
    sed -n "s/.* \([0-9]*\) $2.*/\1/p" "$1" | head -n 1
}

rm -rf -- "$work"
mkdir -p "$work"
make_pristine "$work/pristine"
cp -r "$work/pristine" "$work/alone"
cp -r "$work/pristine" "$work/many"
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

echo "Many writers ($mode): $runs runs at once on ${libraries[*]}, beside one run alone ($paths lines)"
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
    chain_alone=$(chain_state "$work/alone" "$library")
    chain_many=$(chain_state "$work/many" "$library")
    printf '  %-16s duplicate groups: %s (alone %s); chains: %s (alone %s)\n' "$library" "$dups_many" \
        "$dups_alone" "$chain_many" "$chain_alone"
    [[ "$dups_many" == "$dups_alone" ]] || fail "$library: $dups_many duplicate groups, $dups_alone after one run"
    [[ "$chain_many" == sound ]] || fail "$library: item chains $chain_many"
    for what in folders items trustees; do
        alone=$(signature "$work/alone" "$library" "$what")
        many=$(signature "$work/many" "$library" "$what")
        printf '  %-16s %-8s %s rows after %s runs, %s after one run\n' "$library" "$what" \
            "${many%% *}" "$runs" "${alone%% *}"
        [[ "$many" == "$alone" ]] || fail "$library: the $what differ from one run's ($many, alone $alone)"
    done
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
