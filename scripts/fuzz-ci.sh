#!/usr/bin/env bash
# Hostile-input checks for CI:
#   1. the whole test suite under AddressSanitizer and UBSan (preset asan);
#   2. every libFuzzer target for a bounded time from the committed corpus
#      (preset fuzz), two at a time; a crash, leak, time-out or memory
#      blow-up fails;
#   3. the release program converting every corpus mailbox and the 1 MiB
#      blow-up mailboxes with -mbxrd -eml into /dev/shm: each run must finish
#      in under 5 s and 256 MiB; and "-recover" on mailboxes of N and 4N
#      messages with as many deleted copies, all of one text: 4 times the
#      chains may cost at most 5 times the CPU time.
#
# usage: scripts/fuzz-ci.sh [all|asan|fuzz|bounds]   (default: all)
# FUZZ_SECONDS sets the time per fuzz target (default 35).
set -euo pipefail
cd "$(dirname "$0")/.."

readonly SOURCE=$PWD
readonly CORPUS=$SOURCE/tests/fuzz/corpus
readonly DICTIONARY=$SOURCE/tests/fuzz/quernel.dict
readonly FUZZ_SECONDS=${FUZZ_SECONDS:-35}
readonly TIME_LIMIT_S=5
readonly MEMORY_LIMIT_KIB=$((256 * 1024))
SCRATCH=$(mktemp -d /dev/shm/quernel-fuzz-ci.XXXXXX)
readonly SCRATCH
trap 'rm -rf "$SCRATCH"' EXIT

sanitizer_tests() {
  cmake --workflow --preset asan
}

# target, seed folder under the corpus, longest input
readonly FUZZ_TARGETS=(
  "reader dbx 65536"
  "conversion dbx 65536"
  "salvage dbx 65536"
  "naming_template naming 4096"
  "quote_from_lines quote 16384"
  "folder_list folders 65536"
  "code_page code_page 16384"
  "imap_response imap 65536"
)

run_fuzzer() {
  local target=$1 seeds=$2 max_len=$3
  local work=$SCRATCH/fuzz-$target
  mkdir -p "$work/new" "$work/artifacts"
  # New inputs go to a scratch folder; the committed corpus is only read.
  if ASAN_OPTIONS=quarantine_size_mb=8:detect_leaks=1 \
     nice "build/fuzz/tests/fuzz/fuzz_$target" "$work/new" "$CORPUS/$seeds" \
       -dict="$DICTIONARY" -max_len="$max_len" -max_total_time="$FUZZ_SECONDS" \
       -timeout=30 -malloc_limit_mb=256 -rss_limit_mb=1024 -print_final_stats=1 \
       -artifact_prefix="$work/artifacts/" >"$work/log" 2>&1; then
    echo "fuzz_$target: $(grep -m1 '^stat::number_of_executed_units' "$work/log" | awk '{print $2}') runs, nothing found"
  else
    echo "fuzz_$target FAILED; end of its log:"
    tail -n 40 "$work/log"
    ls -l "$work/artifacts"
    return 1
  fi
}

fuzz_targets() {
  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz
  local failed=0 pids=() i
  for ((i = 0; i < ${#FUZZ_TARGETS[@]}; i += 2)); do
    pids=()
    run_fuzzer ${FUZZ_TARGETS[i]} & pids+=($!)
    if ((i + 1 < ${#FUZZ_TARGETS[@]})); then run_fuzzer ${FUZZ_TARGETS[i + 1]} & pids+=($!); fi
    for pid in "${pids[@]}"; do wait "$pid" || failed=1; done
  done
  return $failed
}

# Converts one mailbox in a fresh folder; prints "seconds KiB cpu-seconds name".
measure_conversion() {
  local mailbox=$1 run=$SCRATCH/run
  rm -rf "$run" && mkdir -p "$run"
  cp "$mailbox" "$run/"
  local output
  if ! output=$(/usr/bin/time -f '%e %M %U %S' -o "$SCRATCH/time" timeout -s KILL 60 \
                build/release/quernel -mbxrd -eml "$run/$(basename "$mailbox")"); then
    echo "conversion of $mailbox failed: $(tail -n 1 "$SCRATCH/time")" >&2
    return 1
  fi
  if [[ $output != *"mailboxes converted to EML-format!" ]]; then
    echo "no summary line for $mailbox:" >&2
    echo "$output" | tail -n 5 >&2
    return 1
  fi
  local elapsed memory user system
  read -r elapsed memory user system <"$SCRATCH/time"
  echo "$elapsed $memory $(awk -v u="$user" -v s="$system" 'BEGIN { print u + s }') $(basename "$mailbox")"
}

resource_bounds() {
  cmake --preset release >/dev/null
  cmake --build build/release --target quernel quernel_make_fuzz_corpus
  build/release/tests/fuzz/quernel_make_fuzz_corpus large "$SCRATCH/large"
  local results=$SCRATCH/bounds mailbox
  : >"$results"
  for mailbox in "$CORPUS"/dbx/* "$SCRATCH"/large/*; do
    if (($(stat -c %s "$mailbox") > 1024 * 1024)); then
      echo "$mailbox is larger than 1 MiB" >&2
      return 1
    fi
    measure_conversion "$mailbox" >>"$results"
  done
  echo "$(wc -l <"$results") mailboxes converted"
  echo "(seconds, KiB, CPU seconds, mailbox)"
  echo "slowest: $(sort -k1,1 -g -r "$results" | head -n 1)"
  echo "largest: $(sort -k2,2 -n -r "$results" | head -n 1)"
  awk -v t="$TIME_LIMIT_S" -v m="$MEMORY_LIMIT_KIB" '
    $1 >= t || $2 >= m { print "over the bound (" t " s, " m " KiB): " $0; bad = 1 }
    END { exit bad }' "$results"
  recover_scaling
}

# CPU seconds of "-recover -mbxrd" on one mailbox, the best of three runs:
# the least disturbed by the other work on the machine.
recover_cpu_seconds() {
  local mailbox=$1 run=$SCRATCH/scaling-run best= k
  for k in 1 2 3; do
    rm -rf "$run" && mkdir -p "$run"
    /usr/bin/time -f '%U %S' -o "$SCRATCH/time" build/release/quernel -recover -mbxrd "$mailbox" "$run" >/dev/null
    best=$(awk -v b="$best" '{ t = $1 + $2; print (b == "" || t < b) ? t : b }' "$SCRATCH/time")
  done
  echo "$best"
}

# Time that grows with the square of the chains shows as a ratio near 16.
recover_scaling() {
  local small=${SCALING_CHAINS:-15000}
  build/release/tests/fuzz/quernel_make_fuzz_corpus identical "$small" "$SCRATCH/n.dbx"
  build/release/tests/fuzz/quernel_make_fuzz_corpus identical $((4 * small)) "$SCRATCH/4n.dbx"
  local one four
  one=$(recover_cpu_seconds "$SCRATCH/n.dbx")
  four=$(recover_cpu_seconds "$SCRATCH/4n.dbx")
  rm -f "$SCRATCH/n.dbx" "$SCRATCH/4n.dbx"
  echo "-recover on identical texts: $small chains $one s, $((4 * small)) chains $four s (CPU)"
  awk -v a="$one" -v b="$four" 'BEGIN {
    if (b > 5 * a) { print "4 times the chains cost " b / a " times the time (at most 5)"; exit 1 } }'
}

case ${1:-all} in
  asan) sanitizer_tests ;;
  fuzz) fuzz_targets ;;
  bounds) resource_bounds ;;
  all) sanitizer_tests; fuzz_targets; resource_bounds ;;
  *) echo "usage: $0 [all|asan|fuzz|bounds]" >&2; exit 2 ;;
esac
