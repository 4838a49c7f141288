#!/usr/bin/env bash
# Whole unattended runs of the program on one engine, each case on its own copy of the demo
# libraries (the two with the folder rule ticked):
#   twice    the demo imported twice: the first run adds folders, the second finds every one of them
#            and adds and files nothing; no duplicate folders, sound item chains
#   check    a check-only run (--check) leaves every row as it was and counts what the first run did
#   killed   a run killed (kill -9) half way, then run again: the libraries end as after one clean
#            run (folders, items, trustees, folder profiles, chain order), no duplicates, sound
#            chains
#   four     four runs at once: each ends with exit status 0 or 1 and the clean run's errors, none
#            gives up a library another one holds, and the libraries end as after one clean run
#   undo     the run taken back (--undo RUN): every library row for row as before it; a second undo
#            does nothing; an undo killed (kill -9) at a random point and run again does the same
#   engines  (postgresql only) the same two runs on library files leave the same rows and chains,
#            dates, the numbering of item rows and the run journal aside (dump_rows --portable)
# On postgresql the libraries hold the demo's rows in a private cluster in a temporary folder,
# started here and stopped at the end however the script ends.
# Usage: tests/runs/run_levels.sh BUILD_DIR sqlite|postgresql [--lines N]
#   --lines  the first N lines of the demo's import file only (every case keeps its meaning; a run
#            on a server takes longer)
# Exit status 0 when every check passed, 1 when one failed, 2 on bad usage or a missing tool, 77
# (skipped) on postgresql without the PostgreSQL server programs.
set -uo pipefail

build_dir=${1:?usage: tests/runs/run_levels.sh BUILD_DIR sqlite|postgresql}
build_dir=$(cd "$build_dir" && pwd)
engine=${2:-sqlite}
lines=""
[[ "${3:-}" != --lines ]] || lines=${4:-}
here=$(cd "$(dirname "$0")/../.." && pwd)
. "$here/scripts/pg-cluster.sh"
. "$here/scripts/library-runs.sh"
libraries=(VANTRELIS_MSSQL VANTRELIS_ORACLE)
work="$build_dir/runs-$engine"
[[ "$engine" == sqlite || "$engine" == postgresql ]] || { echo "run_levels: the engine is sqlite or postgresql" >&2; exit 2; }
for needed in "$tool" "$program"; do
    [[ -x "$needed" ]] || { echo "run_levels: $needed is not built" >&2; exit 2; }
done
if [[ "$engine" == postgresql ]]; then
    if ! pg_cluster_bin >/dev/null; then
        echo "run_levels: skipped"
        exit 77
    fi
    trap pg_cluster_stop EXIT
    pg_cluster_start --fast || exit 2
fi

failed=0
fail() {
    echo "  FAILED: $*"
    failed=1
}
now() { date +%s.%N; }
step_start=$(now)
step() {
    printf '  (%.1f s)\n%s\n' "$(awk "BEGIN { print $(now) - $step_start }")" "$1"
    step_start=$(now)
}

# A number a run's summary line gives before the words that follow it ("855 folders added").
counted() { # dir name words
    sed -n "s/.* \([0-9]*\) $3.*/\1/p" "$1/$2/summary.txt" | head -n 1
}

# Whether a run ended with exit status 0 or 1 (some lines of the demo file are faulty on purpose).
ended_well() { # dir name
    local status
    status=$(cat "$1/$2/status" 2>/dev/null)
    if [[ "$status" != 0 && "$status" != 1 ]]; then
        fail "$2 ended with exit status ${status:-none}: $(head -c 300 "$1/$2/errors.txt")"
        return 1
    fi
    echo "  $2 ($(cat "$1/$2/seconds") s): $(sed 's/; log: .*//' "$1/$2/summary.txt")"
}

# DIR's libraries as the clean run left them: no duplicates, sound chains in the same order, the
# same signatures.
like_clean() { # dir case
    local library dups state mine clean
    for library in "${libraries[@]}"; do
        dups=$(duplicates "$1" "$library")
        [[ "$dups" == 0 ]] || fail "$2: $library has ${dups:-unreadable} groups of duplicate folders"
        state=$(chains "$1" "$library" "$1/$library.chains")
        [[ "$state" == sound ]] || fail "$2: the item chains of $library are $state"
        cmp -s "$1/$library.chains" "$work/clean.$library.chains" ||
            fail "$2: the chain order in $library differs from a clean run's: $(diff "$work/clean.$library.chains" "$1/$library.chains" | head -n 4)"
        signatures "$1" "$library" >"$1/$library.signatures"
        while read -r mine <&3 && read -r clean <&4; do
            same_signature "$mine" "$clean" || fail "$2: $library's ${mine%% *} differ from a clean run's ($mine, clean $clean)"
        done 3<"$1/$library.signatures" 4<"$work/clean.$library.signatures"
    done
}

rm -rf -- "$work"
mkdir -p "$work"
"$tool" demo "$work/pristine" >/dev/null || { echo "run_levels: no demo" >&2; exit 2; }
import_file="$work/pristine/import.csv"
if [[ -n "$lines" ]]; then
    head -n "$lines" "$import_file" >"$work/pristine/part.csv"
    import_file="$work/pristine/part.csv"
fi
echo "Run-level checks on $engine ($(grep -c . "$import_file") lines into ${libraries[*]})"
# Each case starts from a copy of the same libraries: on a server, of databases that hold the demo's
# rows (copied as files are, by the server).
origin="$work/pristine"
if [[ "$engine" == postgresql ]]; then
    origin="$work/pristine-$engine"
    copy_environment "$work/pristine" "$origin" "$engine" || { echo "run_levels: no libraries on the server" >&2; exit 2; }
fi

# ---- twice
step "The demo imported twice"
copy_environment "$origin" "$work/twice" "$engine" 2>/dev/null || { echo "run_levels: no copy" >&2; exit 2; }
run_import "$work/twice" run1 "$import_file"
ended_well "$work/twice" run1
added=$(counted "$work/twice" run1 "folders added")
filed=$(counted "$work/twice" run1 "documents filed")
errors=$(counted "$work/twice" run1 errors)
[[ "${added:-0}" -gt 0 ]] || fail "the first run added no folders"
for library in "${libraries[@]}"; do
    signatures "$work/twice" "$library" >"$work/clean.$library.signatures"
    chains "$work/twice" "$library" "$work/clean.$library.chains" >/dev/null
done
run_import "$work/twice" run2 "$import_file"
ended_well "$work/twice" run2
grep -q " 0 folders added, 0 documents filed" "$work/twice/run2/summary.txt" ||
    fail "the second run created or filed something: $(cat "$work/twice/run2/summary.txt")"
like_clean "$work/twice" "twice"

# ---- check
step "A check-only run"
copy_environment "$origin" "$work/check" "$engine" 2>/dev/null || { echo "run_levels: no copy" >&2; exit 2; }
for library in "${libraries[@]}"; do dump_rows "$work/check" "$library" >"$work/check/$library.before"; done
run_import "$work/check" run "$import_file" --check
ended_well "$work/check" run
grep -q "nothing was changed" "$work/check/run/summary.txt" || fail "the check run does not say it changed nothing"
[[ "$(counted "$work/check" run "folders would be added")" == "$added" ]] ||
    fail "the check counted $(counted "$work/check" run "folders would be added") folders to add, the run added $added"
[[ "$(counted "$work/check" run "documents would be filed")" == "$filed" ]] ||
    fail "the check counted $(counted "$work/check" run "documents would be filed") documents to file, the run filed $filed"
for library in "${libraries[@]}"; do
    dump_rows "$work/check" "$library" >"$work/check/$library.after"
    if [[ ! -s "$work/check/$library.before" ]]; then
        fail "check: no rows read from $library"
    elif ! cmp -s "$work/check/$library.before" "$work/check/$library.after"; then
        fail "check: the rows of $library changed: $(diff "$work/check/$library.before" "$work/check/$library.after" | head -n 4)"
    fi
done

# ---- killed
step "A run killed half way, then run again"
killed=0
for attempt in 1 2 3; do
    copy_environment "$origin" "$work/killed" "$engine" 2>/dev/null || { echo "run_levels: no copy" >&2; exit 2; }
    run_import "$work/killed" run "$import_file" 2>/dev/null &
    runner=$!
    # Killed once it has created some folders of the first library: the run's log says each one.
    until [[ -f "$work/killed/run/status" ]] ||
        (($(cat "$work/killed/run/"Vantrelis_*.LOG 2>/dev/null | grep -c "^Folder [0-9]* created") >= 40)); do
        sleep 0.05
    done
    if [[ ! -f "$work/killed/run/status" ]]; then
        kill -9 "$(cat "$work/killed/run/pid")"
        wait "$runner"
        [[ "$(cat "$work/killed/run/status")" == 137 ]] && killed=1 && break
    fi
    wait "$runner"
    echo "  (attempt $attempt: the run ended before it was killed)"
done
if ((killed)); then
    echo "  killed after $(grep -c "^Folder [0-9]* created" "$work/killed/run/"Vantrelis_*.LOG) folders were created"
    run_import "$work/killed" rerun "$import_file"
    ended_well "$work/killed" rerun
    rest=$(counted "$work/killed" rerun "folders added")
    [[ "${rest:-0}" -gt 0 && "$rest" -lt "$added" ]] ||
        fail "the rerun added ${rest:-no} folders, not the rest of $added"
    like_clean "$work/killed" "killed"
else
    fail "the run could not be killed half way"
fi

# ---- four
step "Four runs at once"
copy_environment "$origin" "$work/four" "$engine" 2>/dev/null || { echo "run_levels: no copy" >&2; exit 2; }
for i in 0 1 2 3; do run_import "$work/four" "run$i" "$import_file" & done
wait
for i in 0 1 2 3; do
    ended_well "$work/four" "run$i" || continue
    ! grep -q "is held by another writer" "$work/four/run$i/errors.txt" || fail "run$i gave up a library another run held"
    [[ "$(counted "$work/four" "run$i" errors)" == "$errors" ]] ||
        fail "run$i counted $(counted "$work/four" "run$i" errors) errors, the clean run $errors"
done
like_clean "$work/four" "four"

# ---- undo
# A run taken back leaves every library row for row as before it (the journal's rows and the key
# counters aside); an undo killed at a random point and run again does the same, and a third finds
# nothing left to do.
journal_free_rows() { # dir library
    dump_rows "$1" "$2" | awk -F ' [|] ' '$1 !~ /^(# )?(VANTRELIS_RUN|KEY_COUNTERS)/'
}
same_as_before() { # dir case
    local library
    for library in "${libraries[@]}"; do
        journal_free_rows "$1" "$library" >"$1/$library.undone"
        if [[ ! -s "$1/$library.undone" ]]; then
            fail "$2: no rows read from $library"
        elif ! cmp -s "$work/pristine.$library.rows" "$1/$library.undone"; then
            fail "$2: $library differs from before the run (< before, > after the undo): $(diff "$work/pristine.$library.rows" "$1/$library.undone" | head -n 6)"
        fi
        [[ "$(chains "$1" "$library" "$1/$library.chains")" == sound ]] || fail "$2: the item chains of $library are not sound"
    done
}
step "A run taken back"
copy_environment "$origin" "$work/undo" "$engine" 2>/dev/null || { echo "run_levels: no copy" >&2; exit 2; }
for library in "${libraries[@]}"; do journal_free_rows "$work/undo" "$library" >"$work/pristine.$library.rows"; done
run_import "$work/undo" run "$import_file"
ended_well "$work/undo" run
run_id=$(first_run "$work/undo" "${libraries[0]}")
[[ -n "$run_id" ]] || fail "undo: --runs lists no run"
run_program "$work/undo" undo --undo "$run_id"
ended_well "$work/undo" undo
same_as_before "$work/undo" "undo"
run_program "$work/undo" again --undo "$run_id"
ended_well "$work/undo" again
! grep -Eq " [1-9][0-9]* (items? unlinked|folders? removed)" "$work/undo/again/summary.txt" ||
    fail "a second undo did something: $(cat "$work/undo/again/summary.txt")"

step "An undo killed half way, then run again"
undo_seconds=$(cat "$work/undo/undo/seconds")
killed=0
for attempt in 1 2 3; do
    copy_environment "$origin" "$work/undo-killed" "$engine" 2>/dev/null || { echo "run_levels: no copy" >&2; exit 2; }
    run_import "$work/undo-killed" run "$import_file"
    run_id=$(first_run "$work/undo-killed" "${libraries[0]}")
    run_program "$work/undo-killed" undo --undo "$run_id" 2>/dev/null &
    runner=$!
    # At a random point of the time a whole undo took.
    sleep "$(awk -v whole="$undo_seconds" -v seed="$RANDOM" 'BEGIN { srand(seed); printf "%.2f", whole * (0.15 + 0.6 * rand()) }')"
    if [[ ! -f "$work/undo-killed/undo/status" ]]; then
        kill -9 "$(cat "$work/undo-killed/undo/pid")" 2>/dev/null
        wait "$runner"
        [[ "$(cat "$work/undo-killed/undo/status")" == 137 ]] && killed=1 && break
    fi
    wait "$runner"
    echo "  (attempt $attempt: the undo ended before it was killed)"
done
if ((killed)); then
    run_program "$work/undo-killed" rerun --undo "$run_id"
    ended_well "$work/undo-killed" rerun
    same_as_before "$work/undo-killed" "undo killed"
else
    fail "the undo could not be killed half way"
fi

# ---- engines
if [[ "$engine" == postgresql ]]; then
    step "The same runs on library files"
    copy_environment "$work/pristine" "$work/files" sqlite
    run_import "$work/files" run1 "$import_file"
    run_import "$work/files" run2 "$import_file"
    for library in "${libraries[@]}"; do
        for dir in "$work/files" "$work/twice"; do
            # The rows, and the folders with their items in chain order.
            {
                dump_rows "$dir" "$library" --portable
                chains "$dir" "$library" "$dir/$library.chains"
                cat "$dir/$library.chains"
            } >"$dir/$library.rows"
        done
        if [[ ! -s "$work/files/$library.rows" ]]; then
            fail "engines: no rows read from $library"
        elif ! cmp -s "$work/files/$library.rows" "$work/twice/$library.rows"; then
            fail "engines: the rows of $library differ (< files, > $engine): $(diff "$work/files/$library.rows" "$work/twice/$library.rows" | head -n 6)"
        else
            echo "  $library: $(grep -c '^[A-Z]' "$work/files/$library.rows") rows the same on both engines"
        fi
    done
fi
step ""

if ((failed)); then
    echo "Run-level checks on $engine: some failed (the runs are in $work)"
    exit 1
fi
echo "Run-level checks on $engine: all passed"
