# Sourced by scripts/fuzz.sh and scripts/campagne.sh: the packages, the
# libFuzzer build in build-fuzz, and each target's options.
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
    [reglages]="-max_len=2048 -dict=tests/fuzz/reglages.dict"
)
