# Unattended import runs on the libraries of a DM server file, on either engine, and what they
# left there, for bench/many_writers.sh, scripts/bench.sh and the run-level tests; to be sourced
# (bash) with build_dir set, after scripts/pg-cluster.sh. An environment is a folder holding
# dm-server.ini, its libraries (files, or databases on the running cluster) and import.csv.
# ${libraries[@]} names the libraries a run ticks.
#
#   copy_environment SRC DST [ENGINE]   a copy of SRC's folder in DST, its libraries on ENGINE:
#                                   sqlite (files) or postgresql: a file of ${libraries[@]} (all when
#                                   it is empty) moves onto the cluster (a new database holding the
#                                   same rows, named in dm-server.ini with the program's role); a
#                                   library on the cluster already is copied there
#   run_program DIR NAME [ARG...]   vantrelis-import /G /X ARG..., its settings and log in DIR/NAME;
#                                   leaves DIR/NAME/pid, DIR/NAME/seconds, DIR/NAME/status and its
#                                   output in DIR/NAME/summary.txt and DIR/NAME/errors.txt
#   run_import DIR NAME FILE [ARG...]   one import run (run_program), its report in DIR/NAME
#   first_run DIR LIBRARY           the id of the oldest run in LIBRARY (--runs)
#   value DIR LIBRARY STATEMENT     a statement's first value, through the SQL object
#   signatures DIR LIBRARY          lines "WHAT ROWS HASH" for the folders, items, trustees and
#                                   profiles, independent of the numbers the rows got;
#                                   same_signature A B compares two
#   duplicates DIR LIBRARY          groups of folders with the same name under one parent or at the
#                                   top level
#   chains DIR LIBRARY FILE         sound, BROKEN or unreadable(N) (vantrelis-dm folders); FILE gets
#                                   the folders and their items in chain order, without numbers
#   dump_rows DIR LIBRARY [--portable]   every row of every table, sorted (vantrelis-dm rows);
#                                   --portable leaves out what differs from engine to engine for the
#                                   same runs: dates and times, and how item rows are numbered and
#                                   linked (SYSTEM_ID, ISFIRST, NEXT): the program files a folder's
#                                   documents in the order the engine lists them in, so only their
#                                   chain order by name is the same (chains)

tool="$build_dir/bin/vantrelis-dm"
program="$build_dir/bin/vantrelis-import"
libraries=(${libraries[@]+"${libraries[@]}"})

# A library's Database= entry in DIR's server file: a file (made absolute) or a URI.
library_location() { # dir library
    local location
    location=$(awk -F= -v section="[Library.$2]" '{ sub(/\r$/, "") } $0 == section { found = 1; next }
        /^\[/ { found = 0 } found && $1 == "Database" { sub(/^[^=]*=/, ""); print; exit }' "$1/dm-server.ini")
    [[ "$location" == postgresql://* || "$location" == /* ]] || location="$1/$location"
    printf '%s\n' "$location"
}

set_location() { # dir library location
    awk -v section="[Library.$2]" -v location="$3" '{ line = $0; sub(/\r$/, "", line) }
        line ~ /^\[/ { found = line == section } found && line ~ /^Database=/ { print "Database=" location; next }
        { print }' "$1/dm-server.ini" >"$1/dm-server.ini.new" && mv "$1/dm-server.ini.new" "$1/dm-server.ini"
}

server_libraries() { # dir
    sed -n 's/^\[Library\.\(.*\)\]\r\{0,1\}$/\1/p' "$1/dm-server.ini"
}

# A database of its own on the cluster for DIR's library, empty or a copy of TEMPLATE.
new_database() { # dir library [template]
    local database
    database="${2,,}_$(printf '%s' "$1" | md5sum | cut -c1-8)"
    "$PG_BIN/dropdb" -h "$PG_CLUSTER_DIR" -p "$PG_CLUSTER_PORT" -U "$PG_CLUSTER_OWNER" --if-exists \
        "$database" 2>/dev/null &&
        pg_cluster_createdb "$database" ${3:+"$3"} && printf '%s\n' "$database"
}

copy_environment() { # src dst [engine]
    local library location database
    rm -rf -- "$2"
    cp -r "$1" "$2" || return 1
    for library in $(server_libraries "$2"); do
        location=$(library_location "$2" "$library")
        [[ "$location" == postgresql://* ]] || continue
        location=${location#*@/}
        database=$(new_database "$2" "$library" "${location%%\?*}") || return 1
        set_location "$2" "$library" "$(pg_database_uri "$database" "$PG_CLUSTER_ROLE")"
    done
    [[ "${3:-sqlite}" == postgresql ]] || return 0
    for library in ${libraries[@]:-$(server_libraries "$2")}; do
        location=$(library_location "$2" "$library")
        [[ "$location" != postgresql://* ]] || continue
        database=$(new_database "$2" "$library") &&
            "$tool" copy "$location" "$(pg_database_uri "$database")" --program-role "$PG_CLUSTER_ROLE" \
                >/dev/null || return 1
        rm -f -- "$location" "$location-wal" "$location-shm"
        set_location "$2" "$library" "$(pg_database_uri "$database" "$PG_CLUSTER_ROLE")"
    done
}

run_program() { # dir name [arg...]
    local dir=$1 name=$2
    shift 2
    local home="$dir/$name"
    mkdir -p "$home/config/vantrelis" "$home/data"
    {
        printf '[General]\r\nLogFile=%s\r\nLogMethod=1\r\nCheckAddNewDocs=1\r\nCheckAddExistingDocs=1\r\n' \
            "$home/Vantrelis.LOG"
        printf '[Libraries]\r\n'
        local library
        for library in "${libraries[@]}"; do printf '%s=1\r\n' "$library"; done
    } >"$home/config/vantrelis/Vantrelis Import for OpenText eDOCS.ini"
    local status=0 start
    rm -f -- "$home/status"
    start=$(date +%s.%N)
    (cd "$home" && echo "$BASHPID" >"$home/pid" &&
        exec env VANTRELIS_DM_SERVER="$dir/dm-server.ini" XDG_CONFIG_HOME="$home/config" \
            XDG_DATA_HOME="$home/data" QT_QPA_PLATFORM=offscreen \
            "$program" /G /X "$@" \
            >"$home/summary.txt" 2>"$home/errors.txt") || status=$?
    awk "BEGIN { printf \"%.2f\\n\", $(date +%s.%N) - $start }" >"$home/seconds"
    echo "$status" >"$home/status"
}

run_import() { # dir name file [arg...]
    local dir=$1 name=$2 file=$3
    shift 3
    run_program "$dir" "$name" /F "$file" /S CLIENT_MATTER --report "$dir/$name/report.csv" "$@"
}

# The id of DIR's oldest run in LIBRARY (vantrelis-import --runs lists them newest first).
first_run() { # dir library
    run_program "$1" runs --runs && awk -v library="$2" '$2 == library { id = $1 } END { print id }' "$1/runs/summary.txt"
}

# The column names and every row a statement answers through the SQL object, one line each
# ("a | b | c"); fails when the statement does.
statement_rows() { # dir library statement
    local output
    output=$("$tool" sql "$1/dm-server.ini" "$2" "$3" --max-rows 1000000000) || return 1
    awk 'rows { print; next } /^Columns: / { rows = 1 }' <<<"$output"
}

value() { # dir library statement
    statement_rows "$1" "$2" "$3" | sed -n 2p
}

# The folders as paths of names from the top level. Text columns compare without case on some
# engine flavours, so sorting is left to the shell, where it is the same for every engine.
readonly TREE="WITH RECURSIVE T(DOCNUMBER, PATH, DEPTH) AS (SELECT F.DOCNUMBER, CAST(P.DOCNAME AS TEXT), 1 \
FROM DOCSADM.FOLDER F, DOCSADM.PROFILE P WHERE P.DOCNUMBER = F.DOCNUMBER AND NOT EXISTS (SELECT 1 FROM \
DOCSADM.FOLDER_ITEM FI WHERE FI.DOCNUMBER = F.DOCNUMBER AND FI.LIBRARY = 0) UNION ALL SELECT \
FI.DOCNUMBER, CAST(T.PATH || '/' || FI.DISPLAYNAME AS TEXT), T.DEPTH + 1 FROM T, DOCSADM.FOLDER_ITEM FI \
WHERE FI.PARENT = T.DOCNUMBER AND FI.NODE_TYPE = 'F' AND T.DEPTH < 32)"

# Text of a column that may be NULL, the same on every engine.
text_of() { printf "COALESCE(CAST(%s AS TEXT), '')" "$1"; }

# In one statement: the folders by path, the items under them, every trustee row (a folder's by its
# path, a document's by its number) and the folders' profiles (by path, without dates), each row
# tagged with what it is, so that libraries whose rows got other numbers compare equal.
readonly SIGNATURES="$TREE SELECT 'folders', PATH FROM T UNION ALL \
SELECT 'items', T.PATH || '>' || FI.DOCNUMBER || FI.NODE_TYPE FROM T, DOCSADM.FOLDER_ITEM FI \
WHERE FI.PARENT = T.DOCNUMBER AND FI.NODE_TYPE <> 'F' UNION ALL \
SELECT 'trustees', COALESCE(T.PATH, '#' || P.DOCNUMBER) || '>' || S.PERSONORGROUP || '=' || S.ACCESSRIGHTS \
FROM DOCSADM.SECURITY S JOIN DOCSADM.PROFILE P ON P.SYSTEM_ID = S.THING LEFT JOIN T ON T.DOCNUMBER = P.DOCNUMBER \
UNION ALL SELECT 'profiles', T.PATH || '>' || $(text_of P.DOCNAME) || ',' || $(text_of P.AUTHOR) || ',' || \
$(text_of P.TYPIST) || ',' || $(text_of P.DOCUMENTTYPE) || ',' || $(text_of P.APPLICATION) || ',' || \
$(text_of P.FORM) || ',' || $(text_of P.MATTER) || ',' || $(text_of P.DEFAULT_RIGHTS) || ',' || \
$(text_of P.STATUS) || ',' || $(text_of F.IS_PUBLIC) FROM T, DOCSADM.PROFILE P, DOCSADM.FOLDER F \
WHERE P.DOCNUMBER = T.DOCNUMBER AND F.DOCNUMBER = T.DOCNUMBER"

signatures() { # dir library
    local rows what
    if ! rows=$(statement_rows "$1" "$2" "$SIGNATURES"); then
        for what in folders items trustees profiles; do echo "$what unreadable"; done
        return 1
    fi
    for what in folders items trustees profiles; do
        local sorted
        sorted=$(sed -n "s/^$what | //p" <<<"$rows" | LC_ALL=C sort)
        printf '%s %s %s\n' "$what" "$(grep -c . <<<"$sorted")" "$(printf '%s' "$sorted" | md5sum | cut -c1-12)"
    done
}

# Whether two signatures are the same rows (an unreadable one is never the same).
same_signature() { # one other
    [[ "$1" != *unreadable* && "$1" == "$2" ]]
}

duplicates() { # dir library
    value "$1" "$2" "SELECT (SELECT COUNT(*) FROM (SELECT PARENT FROM DOCSADM.FOLDER_ITEM WHERE \
NODE_TYPE = 'F' AND LIBRARY = 0 GROUP BY PARENT, DISPLAYNAME HAVING COUNT(*) > 1) D1) + (SELECT COUNT(*) \
FROM (SELECT P.DOCNAME FROM DOCSADM.FOLDER F, DOCSADM.PROFILE P WHERE P.DOCNUMBER = F.DOCNUMBER AND \
NOT EXISTS (SELECT 1 FROM DOCSADM.FOLDER_ITEM FI WHERE FI.DOCNUMBER = F.DOCNUMBER AND FI.LIBRARY = 0) \
GROUP BY P.DOCNAME HAVING COUNT(*) > 1) D2)"
}

chains() { # dir library file
    local status=0 listing
    listing=$("$tool" folders "$(library_location "$1" "$2")" --documents 2>&1) || status=$?
    sed 1d <<<"$listing" | sed -E 's/#[0-9]+/#/g' >"$3"
    case "$status" in 0) echo sound ;; 3) echo BROKEN ;; *) echo "unreadable($status)" ;; esac
}

dump_rows() { # dir library [--portable]
    local rows
    rows=$("$tool" rows "$(library_location "$1" "$2")") || return 1
    if [[ "${3:-}" == --portable ]]; then
        rows=$(sed -E 's#[0-9]{4}[-/][0-9]{2}[-/][0-9]{2}( [0-9]{2}:[0-9]{2}(:[0-9]{2})?( [AP]M)?)?#<date>#g' <<<"$rows" |
            awk -F ' [|] ' -v OFS=' | ' '
                $1 ~ /^(# )?VANTRELIS_RUN/ { next }
                $1 == "# FOLDER_ITEM" { for (i = 2; i <= NF; i++) if ($i == "SYSTEM_ID" || $i == "ISFIRST" || $i == "NEXT") aside[i] = 1 }
                $1 == "FOLDER_ITEM" { for (i in aside) $i = "*" }
                { print }')
    fi
    LC_ALL=C sort <<<"$rows"
}
