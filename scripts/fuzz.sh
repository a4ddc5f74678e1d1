#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer + UndefinedBehaviorSanitizer),
# replays the kept regressions through each, then fuzzes each for SECONDS seconds
# from the seeds the build writes (build-fuzz/graines/<target>); what it finds
# new stays in build-fuzz/corpus-<target>, a crash in build-fuzz/<target>-crash-*.
#   scripts/fuzz.sh [SECONDS] [TARGET...]    default 30 s, every target
# ./test --fuzz runs it; a campaign is the same command with a longer time.
set -euo pipefail
cd "$(dirname "$0")/.."
secondes="${1:-30}"
[ $# -gt 0 ] && shift
cibles=("$@")
[ ${#cibles[@]} -gt 0 ] || cibles=(pfl plu uni image xchg reglages)

source scripts/fuzz-commun.sh

for c in "${cibles[@]}"; do
    cible="build-fuzz/velmora_fuzz_$c"
    [ -x "$cible" ] || { echo "cible inconnue : $c" >&2; exit 2; }
    echo "== $c"
    if [ -d "tests/fuzz/regressions/$c" ]; then
        # shellcheck disable=SC2086
        "$cible" ${options[$c]} tests/fuzz/regressions/"$c"/* >"build-fuzz/$c-regressions.log" 2>&1 \
            || { tail -40 "build-fuzz/$c-regressions.log"; exit 1; }
        echo "$(grep -c '^Executed' "build-fuzz/$c-regressions.log") régressions rejouées"
    fi
    corpus="build-fuzz/corpus-$c"
    mkdir -p "$corpus"
    # shellcheck disable=SC2086
    "$cible" ${options[$c]} -max_total_time="$secondes" -print_final_stats=1 \
        -artifact_prefix="build-fuzz/$c-" "$corpus" "build-fuzz/graines/$c" >"build-fuzz/$c.log" 2>&1 \
        || { tail -40 "build-fuzz/$c.log"; exit 1; }
    grep -E "^#[0-9]+[[:space:]]+DONE" "build-fuzz/$c.log" | tail -1 || true
    grep -E "stat::(number_of_executed_units|average_exec_per_sec)" "build-fuzz/$c.log" || true
done
