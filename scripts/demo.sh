#!/usr/bin/env bash
# Builds a fresh demo environment under BUILD_DIR/demo and shows it with vantrelis-dm.
# Usage: scripts/demo.sh BUILD_DIR   (make demo passes its build folder)
set -euo pipefail

build_dir=${1:?usage: scripts/demo.sh BUILD_DIR}
build_dir=$(cd "$build_dir" && pwd)
tool="$build_dir/bin/vantrelis-dm"
program="$build_dir/bin/vantrelis-import"
demo="$build_dir/demo"

if [[ ! -x "$tool" ]]; then
    echo "demo: $tool is not built; run 'make build' first" >&2
    exit 1
fi

rule() { printf '%s\n' "----------------------------------------------------------------------"; }

rm -rf -- "$demo"
"$tool" demo "$demo"
rule
"$tool" libraries "$demo/dm-server.ini"
rule
"$tool" folders "$demo/vantrelis_mssql.db"
rule
# The first client folder's item chain: its matter folders, in chain order.
first_client=$("$tool" sql "$demo/dm-server.ini" VANTRELIS_MSSQL \
    "SELECT MIN(F.DOCNUMBER) FROM DOCSADM.FOLDER F, DOCSADM.PROFILE P WHERE F.DOCNUMBER = P.DOCNUMBER AND P.DOCNAME = 'C1001'" |
    tail -n 1)
"$tool" chain "$demo/vantrelis_mssql.db" "$first_client"
rule

# ---------------------------------------------------------------------------------------------
# The import run on the demo. Runs once the program is built; until then only the data is shown.
# ---------------------------------------------------------------------------------------------
mkdir -p "$demo/config" "$demo/data"
export VANTRELIS_DM_SERVER="$demo/dm-server.ini"
export VANTRELIS_REGISTRY="$demo/registry.ini"
export XDG_CONFIG_HOME="$demo/config"
export XDG_DATA_HOME="$demo/data"
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
# The demo's log goes beside its libraries rather than into the program's folder.
mkdir -p "$XDG_CONFIG_HOME/vantrelis"
printf '[General]\r\nLogFile=%s\r\n' "$demo/Vantrelis.LOG" >"$XDG_CONFIG_HOME/vantrelis/Vantrelis Import for OpenText eDOCS.ini"
if [[ -x "$program" ]]; then
    echo "Running: vantrelis-import /G /X /F $demo/import.csv /S CLIENT_MATTER"
    status=0
    (cd "$demo" && "$program" /G /X /F "$demo/import.csv" /S CLIENT_MATTER) || status=$?
    echo "vantrelis-import ended with exit code $status"
    rule
    mapfile -t logs < <(find "$demo" -maxdepth 1 -type f -iname 'Vantrelis_*.LOG' | sort)
    if ((${#logs[@]} == 0)); then
        echo "No log file was written under $demo."
    fi
    for log in "${logs[@]}"; do
        echo "Log: $log"
        tr -d '\r' <"$log"
        rule
    done
    "$tool" libraries "$demo/dm-server.ini"
    "$tool" folders "$demo/vantrelis_mssql.db" || true
else
    echo "The import run itself (vantrelis-import /G /X /F import.csv /S CLIENT_MATTER) is not built yet;"
    echo "the demo environment above is ready for it in $demo."
fi
