#!/usr/bin/env bash
# Builds the libFuzzer harnesses (preset "fuzz", clang) and runs each for the given time.
# Usage: scripts/fuzz.sh [seconds per harness, default 60] [harness ...]   (harnesses: see fuzz/README.md)
# New inputs go to build-fuzz/corpus/<harness>/ (the committed seeds in fuzz/corpus/ stay as they are);
# a crash leaves its input in build-fuzz/artifacts/<harness>/ and makes the script fail.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
shift || true
harnesses=("$@")
if [ "${#harnesses[@]}" -eq 0 ]; then
  harnesses=(wire discovery body handlers simulator)
fi

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target fuzzers -j"$(nproc 2>/dev/null || echo 2)"

export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
# Qt and libzmq keep a few objects for the whole process; LeakSanitizer reports only leaks that grow.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0:allocator_may_return_null=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"

# Longest input per harness: a datagram, a few frames, message bodies.
declare -A max_len=([wire]=4096 [discovery]=1100 [body]=65536 [handlers]=65536 [simulator]=16384)

failed=0
for h in "${harnesses[@]}"; do
  binary="build-fuzz/bin/fuzz_$h"
  [ -x "$binary" ] || { echo "fuzz.sh: no harness $h" >&2; exit 2; }
  mkdir -p "build-fuzz/corpus/$h" "build-fuzz/artifacts/$h"
  echo "== fuzz_$h for ${seconds}s"
  if ! "$binary" -max_total_time="$seconds" -max_len="${max_len[$h]:-16384}" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="build-fuzz/artifacts/$h/" \
      "build-fuzz/corpus/$h" "fuzz/corpus/$h" 2>"build-fuzz/fuzz_$h.log"; then
    failed=1
    echo "fuzz.sh: fuzz_$h FAILED; input and log in build-fuzz/artifacts/$h/ and build-fuzz/fuzz_$h.log" >&2
    tail -n 40 "build-fuzz/fuzz_$h.log" >&2
  fi
  grep -E "^#[0-9]+.*(DONE|pulse|NEW)" "build-fuzz/fuzz_$h.log" | tail -n 1 || true
  grep -E "^stat::(number_of_executed_units|peak_rss_mb)" "build-fuzz/fuzz_$h.log" || true
done
exit "$failed"
