#!/usr/bin/env bash
# Builds a fresh demo environment under BUILD_DIR/demo and shows it with vantrelis-dm.
# Usage: scripts/demo.sh BUILD_DIR   (make demo passes its build folder)
# With VANTRELIS_DEMO_SERVER set to a postgresql:// URI (scripts/demo-server.sh sets it), the
# libraries are databases on that server instead of files, and the demo goes to BUILD_DIR/demo-server.
set -euo pipefail

build_dir=${1:?usage: scripts/demo.sh BUILD_DIR}
build_dir=$(cd "$build_dir" && pwd)
tool="$build_dir/bin/vantrelis-dm"
program="$build_dir/bin/vantrelis-import"
server=${VANTRELIS_DEMO_SERVER:-}
demo="$build_dir/demo${server:+-server}"

if [[ ! -x "$tool" ]]; then
    echo "demo: $tool is not built; run 'make build' first" >&2
    exit 1
fi

rule() { printf '%s\n' "----------------------------------------------------------------------"; }

# A library for the admin tool: its file, or its database on the server.
lib() { # file name
    if [[ -n "$server" ]]; then
        local base=${server%%\?*} query=${server#*\?}
        [[ "$query" == "$server" ]] && query=""
        printf '%s%s%s' "${base%/}/" "${1%.db}" "${query:+?$query}"
    else
        printf '%s' "$demo/$1"
    fi
}

rm -rf -- "$demo"
"$tool" demo "$demo" ${server:+--server "$server"}
rule
"$tool" libraries "$demo/dm-server.ini"
rule
"$tool" folders "$(lib vantrelis_mssql.db)"
rule
# The first client folder's item chain: its matter folders, in chain order.
first_client=$("$tool" sql "$demo/dm-server.ini" VANTRELIS_MSSQL \
    "SELECT MIN(F.DOCNUMBER) FROM DOCSADM.FOLDER F, DOCSADM.PROFILE P WHERE F.DOCNUMBER = P.DOCNUMBER AND P.DOCNAME = 'C1001'" |
    tail -n 1)
"$tool" chain "$(lib vantrelis_mssql.db)" "$first_client"
rule

# ---------------------------------------------------------------------------------------------
# The unattended import run into the two demo libraries that have the folder rule: a check-only run
# that changes nothing, then two real runs; the second finds every folder the first one made and
# creates nothing.
# ---------------------------------------------------------------------------------------------
if [[ ! -x "$program" ]]; then
    echo "demo: $program is not built; run 'make build' first" >&2
    exit 1
fi
mkdir -p "$demo/config/vantrelis" "$demo/data"
export VANTRELIS_DM_SERVER="$demo/dm-server.ini"
export VANTRELIS_REGISTRY="$demo/registry.ini"
export XDG_CONFIG_HOME="$demo/config"
export XDG_DATA_HOME="$demo/data"
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
# The log goes beside the libraries; the two libraries with the folder rule are ticked.
printf '[General]\r\nLogFile=%s\r\nLogMethod=1\r\nCheckAddNewDocs=1\r\nCheckAddExistingDocs=1\r\n[Libraries]\r\nVANTRELIS_MSSQL=1\r\nVANTRELIS_ORACLE=1\r\nVANTRELIS_SMALL=0\r\n' \
    "$demo/Vantrelis.LOG" >"$XDG_CONFIG_HOME/vantrelis/Vantrelis Import for OpenText eDOCS.ini"

count() { # library, statement
    "$tool" sql "$demo/dm-server.ini" "$1" "$2" | tail -n 1
}
show_counts() {
    for library in VANTRELIS_MSSQL VANTRELIS_ORACLE; do
        printf '  %-17s %5s folders, %5s filed documents\n' "$library" \
            "$(count "$library" "SELECT COUNT(*) FROM DOCSADM.FOLDER")" \
            "$(count "$library" "SELECT COUNT(*) FROM DOCSADM.FOLDER_ITEM WHERE NODE_TYPE = 'P'")"
    done
}

echo "Before the import:"
show_counts
overall=0
rule
# A check first: every path is looked up, nothing is written; its per-line report says per line what
# the run would do.
report="$demo/check-report.csv"
echo "Check: vantrelis-import /G /X /F $demo/import.csv /S CLIENT_MATTER --check --report $report"
status=0
(cd "$demo" && "$program" /G /X /F "$demo/import.csv" /S CLIENT_MATTER --check --report "$report") || status=$?
echo "vantrelis-import ended with exit status $status"
((status <= 1)) || overall=$status
show_counts
echo "The first lines of the per-line report $report:"
head -n 8 "$report" | tr -d '\r' | sed 's/^/  /'
# The library the closing undo takes back, as it is before the import: a copy, to compare with.
undo="$demo/undo"
mkdir -p "$undo"
"$tool" copy "$(lib vantrelis_mssql.db)" "$undo/before.db" >/dev/null
for pass in 1 2; do
    rule
    echo "Run $pass: vantrelis-import /G /X /F $demo/import.csv /S CLIENT_MATTER"
    status=0
    (cd "$demo" && "$program" /G /X /F "$demo/import.csv" /S CLIENT_MATTER) || status=$?
    echo "vantrelis-import ended with exit status $status"
    ((status <= 1)) || overall=$status
    show_counts
    log=$(find "$demo" -maxdepth 1 -type f -iname 'Vantrelis_*.LOG' | sort | tail -n 1)
    if [[ -n "$log" ]]; then
        # The end of the run: its last path, the last library's end and the finishing steps.
        echo "The end of the run in $log:"
        tr -d '\r' <"$log" | awk '/^Finished processing\.$/ { last = NR } { line[NR] = $0 }
            END { for (i = last - 12; i <= last + 1; i++) if (i > 0) print "  " line[i] }'
    fi
done
rule
# A client folder the import created, its matter folders in chain order, one matter's type folders
# and the client folder's trustees.
client=$(count VANTRELIS_MSSQL "SELECT MAX(F.DOCNUMBER) FROM DOCSADM.FOLDER F, DOCSADM.PROFILE P WHERE F.DOCNUMBER = P.DOCNUMBER AND P.DOCNAME LIKE 'C1%' AND F.DOCNUMBER NOT IN (SELECT DOCNUMBER FROM DOCSADM.FOLDER_ITEM)")
echo "Client folder #$client as the import created it (VANTRELIS_MSSQL):"
"$tool" chain "$(lib vantrelis_mssql.db)" "$client"
matter=$(count VANTRELIS_MSSQL "SELECT MIN(DOCNUMBER) FROM DOCSADM.FOLDER_ITEM WHERE PARENT = $client AND NODE_TYPE = 'F'")
"$tool" chain "$(lib vantrelis_mssql.db)" "$matter"
"$tool" trustees "$(lib vantrelis_mssql.db)" "$client"
rule

# ---------------------------------------------------------------------------------------------
# Taking the first run back, on a copy of VANTRELIS_MSSQL as the two runs left it (the demo's own
# libraries keep the import): a check of the undo, the undo, a second undo that finds nothing left,
# and the copy's rows compared with the library's rows before the import (the journal's rows and
# the key counters aside).
# ---------------------------------------------------------------------------------------------
"$tool" copy "$(lib vantrelis_mssql.db)" "$undo/vantrelis_mssql.db" >/dev/null
user=$(sed -n 's/^User=\([^;[:space:]]*\).*/\1/p' "$demo/dm-server.ini" | head -n 1)
printf '[Server]\nUser=%s\nCurrentLibrary=VANTRELIS_MSSQL\nPrimaryLibrary=VANTRELIS_MSSQL\nLibraries=VANTRELIS_MSSQL\n\n[Library.VANTRELIS_MSSQL]\nDatabase=vantrelis_mssql.db\nEngine=10\n' \
    "$user" >"$undo/dm-server.ini"
mkdir -p "$undo/config/vantrelis" "$undo/data"
printf '[General]\r\nLogFile=%s\r\nLogMethod=1\r\n[Libraries]\r\nVANTRELIS_MSSQL=1\r\n' "$undo/Vantrelis.LOG" \
    >"$undo/config/vantrelis/Vantrelis Import for OpenText eDOCS.ini"
in_copy() {
    (cd "$undo" && VANTRELIS_DM_SERVER="$undo/dm-server.ini" XDG_CONFIG_HOME="$undo/config" \
        XDG_DATA_HOME="$undo/data" "$program" /G /X "$@")
}
echo "Taking the first run back on a copy of VANTRELIS_MSSQL in $undo (the demo's own libraries keep the import)."
echo "The runs in the copy of VANTRELIS_MSSQL (vantrelis-import --runs):"
in_copy --runs | sed 's/^/  /'
first_run=$(in_copy --runs | awk '$2 == "VANTRELIS_MSSQL" { id = $1 } END { print id }')
for step in "--check" "" ""; do
    echo "Undo: vantrelis-import /G /X --undo $first_run $step"
    status=0
    in_copy --undo "$first_run" $step >"$undo/output.txt" || status=$?
    # A check prints a line per change: the first few, and how many.
    if (($(wc -l <"$undo/output.txt") > 8)); then
        head -n 5 "$undo/output.txt"
        echo "  ... ($(($(wc -l <"$undo/output.txt") - 6)) more lines)"
    fi
    tail -n 1 "$undo/output.txt"
    echo "vantrelis-import ended with exit status $status"
    ((status <= 1)) || overall=$status
done
table_rows() { # library file
    "$tool" rows "$1" | awk -F ' [|] ' '$1 !~ /^(# )?(VANTRELIS_RUN|KEY_COUNTERS)/' | LC_ALL=C sort
}
table_rows "$undo/before.db" >"$undo/before.rows"
table_rows "$undo/vantrelis_mssql.db" >"$undo/after.rows"
if cmp -s "$undo/before.rows" "$undo/after.rows"; then
    echo "After the undo the copy holds the same $(grep -vc '^#' "$undo/before.rows") rows as the library before the import."
else
    echo "After the undo the copy differs from the library before the import (< before, > after):"
    diff "$undo/before.rows" "$undo/after.rows" | head -n 10 | sed 's/^/  /'
    overall=1
fi
exit "$overall"
