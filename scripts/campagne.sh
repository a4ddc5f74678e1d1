#!/usr/bin/env bash
# A fuzzing campaign: every target for a number of executions, at the lowest
# priority, in two lanes (the file loaders one after the other; the image reader
# then the boundary beside them), each target from the corpus it grew in earlier
# campaigns (build-fuzz/campagne/<target>) and the seeds. Then the figures:
# executions, time, coverage, corpus, findings (files named <target>-crash-*,
# -leak-, -oom-, -timeout-, -slow-unit- in build-fuzz/campagne).
#   scripts/campagne.sh [LOADERS [OTHERS]]   executions per target; default
#                                            10000000 (pfl, plu, uni), 1000000 (image, xchg)
set -euo pipefail
cd "$(dirname "$0")/.."
chargeurs="${1:-10000000}"
autres="${2:-1000000}"

source scripts/fuzz-commun.sh

dossier=build-fuzz/campagne
mkdir -p "$dossier"
lancer() {  # target, executions
    local c=$1 n=$2
    mkdir -p "$dossier/$c"
    local debut=$SECONDS
    # shellcheck disable=SC2086
    nice -n 19 "build-fuzz/velmora_fuzz_$c" ${options[$c]} -runs="$n" -print_final_stats=1 \
        -artifact_prefix="$dossier/$c-" "$dossier/$c" "build-fuzz/graines/$c" >"$dossier/$c.log" 2>&1 || true
    echo "$((SECONDS - debut))" >"$dossier/$c.duree"
}
(for c in pfl plu uni; do lancer "$c" "$chargeurs"; done) &
(for c in image xchg; do lancer "$c" "$autres"; done) &
wait

printf '| Target | Executions | Wall time (s) | Coverage (edges / features) | Corpus | Findings |\n|---|---|---|---|---|---|\n'
for c in pfl plu uni image xchg; do
    journal="$dossier/$c.log"
    executions=$(grep -a 'stat::number_of_executed_units' "$journal" | awk '{print $2}')
    couverture=$(grep -a -E '^#[0-9]+[[:space:]]+DONE' "$journal" | tail -1 | sed -E 's/.*cov: ([0-9]+) ft: ([0-9]+).*/\1 \/ \2/')
    corpus=$(find "$dossier/$c" -type f | wc -l)
    trouvailles=$(find "$dossier" -maxdepth 1 -name "$c-*" -type f | wc -l)
    echo "| \`$c\` | ${executions:-?} | $(cat "$dossier/$c.duree") | ${couverture:-?} | $corpus | $trouvailles |"
done
