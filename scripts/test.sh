#!/bin/bash
# Installs what is needed, builds, and runs every test: the plain build,
# the same suite under AddressSanitizer and UndefinedBehaviorSanitizer, the
# fuzz targets for a bounded time, and the Debian package built and its
# programs used, without installing it: the machine keeps only the build
# and test dependencies.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
# Each stage's time, printed as the stages end and once more at the end.
timings=()
stage_name=""
stage_start=$SECONDS
end_stage() {
    if [ -n "$stage_name" ]; then
        timings+=("$(printf '%6d s  %s' $((SECONDS - stage_start)) "$stage_name")")
    fi
    stage_name=""
}
stage() {
    end_stage
    stage_name="$*"
    stage_start=$SECONDS
    printf '\n==== %s ====\n' "$*"
}

# The layers' include rule first: it needs no build.
"$root/scripts/check-includes.sh"

stage "dependencies"
"$root/scripts/deps.sh"

stage "build and test"
BUILD_DIR="$root/build" "$root/scripts/build.sh"
(cd "$root/build" && ctest --output-on-failure -j "$jobs")

stage "sanitizers: address and undefined behaviour"
# strict_string_checks stays off: with it, ASan reports libxkbcommon-x11's
# strndup over a keymap name that is bounded but not NUL-terminated, which
# is correct use, inside every Qt program's start on X11.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
PRESET=sanitize BUILD_DIR="$root/build-asan" "$root/scripts/build.sh"
(cd "$root/build-asan" && ctest --output-on-failure -j "$jobs" -LE packaging)
unset ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS

stage "fuzzing"
(cd "$root" && cmake --preset fuzz -B "$root/build-fuzz" >/dev/null)
fuzzers=$(cd "$root/fuzz" && ls fuzz_*.cpp | sed 's/\.cpp$//')
cmake --build "$root/build-fuzz" -j "$jobs" --target $fuzzers
(cd "$root/build-fuzz" && ctest --output-on-failure -L fuzz -j "$jobs")

stage "Debian package"
"$root/scripts/check-deb.sh" "$root/build"
end_stage
printf '\n==== stage times ====\n'
printf '%s\n' "${timings[@]}"
