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
[ ${#cibles[@]} -gt 0 ] || cibles=(pfl plu uni image xchg)

source scripts/deps.sh
VELMORA_PAQUETS="clang libclang-rt-dev" velmora_deps
export QT_QPA_PLATFORM=offscreen
# The system libraries' own leaks, as for the sanitizer build's tests.
export LSAN_OPTIONS="suppressions=$(pwd)/tests/lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVELMORA_FUZZ=ON -DVELMORA_BENCH=OFF >/dev/null
cmake --build build-fuzz --target velmora_fuzz -j "$(nproc)"

# Per target: the largest input worth trying (a whole .pfl and an edit; a tint
# line; a small photograph), the format's words, the memory a hostile image may
# take (what the image target gives the host's reader as its share). The tint
# target keeps one dialog across inputs, whose allocations in one input are freed
# in the next: libFuzzer would take each for a leak and scan the heap (20 times
# slower); its leaks are sought by the replay under build-asan instead.
declare -A options=(
    [pfl]="-max_len=4300 -dict=tests/fuzz/profils.dict"
    [plu]="-max_len=4300 -dict=tests/fuzz/profils.dict"
    [uni]="-max_len=512 -dict=tests/fuzz/uni.dict -detect_leaks=0"
    [image]="-max_len=65536 -dict=tests/fuzz/image.dict -rss_limit_mb=2048 -malloc_limit_mb=2048"
    [xchg]="-max_len=4096"
)
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
