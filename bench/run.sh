#!/usr/bin/env bash
# The benchmark: builds quernel and the mailbox generator (preset "bench"),
# generates the mailboxes in a fresh folder under /dev/shm and times whole
# processes, interleaved round by round:
#   cat mailbox > copy          against  quernel -mbxrd mailbox
#   tar -x of quernel's eml     against  quernel -eml mailbox
#   10,000 messages, one name   against  10,000 messages, distinct names (eml)
#   a quarter of the mailbox    against  the whole mailbox (linear growth)
# Outputs are removed before each run, untimed.
#
#   bench/run.sh [ROUNDS]      (default 7)
set -euo pipefail

ROUNDS=${1:-7}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$ROOT/build/bench

(cd "$ROOT" && cmake --preset bench >/dev/null &&
  cmake --build "$BUILD" --target quernel quernel_bench_mailbox >/dev/null)
QUERNEL=$BUILD/quernel
GENERATE=$BUILD/bench/quernel_bench_mailbox

WORK=$(mktemp -d /dev/shm/quernel-bench.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"

echo "Generating mailboxes in $WORK ..."
"$GENERATE" Bench.dbx 30000 8192 mixed
"$GENERATE" Quarter.dbx 7500 8192 mixed
"$GENERATE" Same.dbx 10000 8192 same
"$GENERATE" Distinct.dbx 10000 8192 distinct
mkdir -p out reference
"$QUERNEL" -eml Bench.dbx reference >/dev/null
tar -cf Bench.tar -C reference Bench
rm -rf reference
ls -l Bench.dbx Quarter.dbx Same.dbx Distinct.dbx Bench.tar | awk '{printf "  %-13s %6.1f MiB\n", $NF, $5 / 1048576}'

# One job per name: the command, and what it leaves behind.
declare -A COMMAND CLEAN
COMMAND[cat]='cat Bench.dbx > out/copy'
CLEAN[cat]='rm -f out/copy'
COMMAND[mbxrd]="\"$QUERNEL\" -mbxrd Bench.dbx out >/dev/null"
CLEAN[mbxrd]='rm -f out/Bench.mbx'
COMMAND[tar]='tar -xf Bench.tar -C out'
CLEAN[tar]='rm -rf out/Bench'
COMMAND[eml]="\"$QUERNEL\" -eml Bench.dbx out >/dev/null"
CLEAN[eml]='rm -rf out/Bench'
COMMAND[same]="\"$QUERNEL\" -eml Same.dbx out >/dev/null"
CLEAN[same]='rm -rf out/Same'
COMMAND[distinct]="\"$QUERNEL\" -eml Distinct.dbx out >/dev/null"
CLEAN[distinct]='rm -rf out/Distinct'
COMMAND[mbxrd_quarter]="\"$QUERNEL\" -mbxrd Quarter.dbx out >/dev/null"
CLEAN[mbxrd_quarter]='rm -f out/Quarter.mbx'
COMMAND[eml_quarter]="\"$QUERNEL\" -eml Quarter.dbx out >/dev/null"
CLEAN[eml_quarter]='rm -rf out/Quarter'
JOBS=(cat mbxrd tar eml same distinct mbxrd_quarter eml_quarter)

declare -A TIMES
for ((round = 1; round <= ROUNDS; ++round)); do
  for job in "${JOBS[@]}"; do
    eval "${CLEAN[$job]}"
    start=$(date +%s%N)
    eval "${COMMAND[$job]}"
    end=$(date +%s%N)
    TIMES[$job]+="$((end - start)) "
  done
  echo "  round $round of $ROUNDS done"
done

# Peak resident memory of each command, one extra untimed run each.
declare -A PEAK
for job in "${JOBS[@]}"; do
  eval "${CLEAN[$job]}"
  PEAK[$job]=$(/usr/bin/time -f %M -o peak.txt bash -c "${COMMAND[$job]}" && cat peak.txt)
  eval "${CLEAN[$job]}"
done

# Minimum and median in seconds of one job's times.
statistic() {
  local sorted
  sorted=($(tr ' ' '\n' <<<"${TIMES[$1]}" | grep . | sort -n))
  case $2 in
    min) echo "${sorted[0]}" ;;
    median) echo "${sorted[$((${#sorted[@]} / 2))]}" ;;
  esac
}
seconds() { awk -v ns="$1" 'BEGIN { printf "%.3f", ns / 1e9 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

echo
printf '%-34s %9s %9s %10s\n' "command ($ROUNDS rounds)" "min s" "median s" "peak KiB"
describe() {
  case $1 in
    cat) echo "cat Bench.dbx > copy" ;; mbxrd) echo "quernel -mbxrd Bench.dbx" ;;
    tar) echo "tar -x (quernel's eml output)" ;; eml) echo "quernel -eml Bench.dbx" ;;
    same) echo "quernel -eml, 10,000 one name" ;; distinct) echo "quernel -eml, 10,000 distinct" ;;
    mbxrd_quarter) echo "quernel -mbxrd, quarter mailbox" ;; eml_quarter) echo "quernel -eml, quarter mailbox" ;;
  esac
}
for job in "${JOBS[@]}"; do
  printf '%-34s %9s %9s %10s\n' "$(describe "$job")" "$(seconds "$(statistic "$job" min)")" \
    "$(seconds "$(statistic "$job" median)")" "${PEAK[$job]}"
done

echo
printf '%-42s %6s %8s %8s\n' "ratio" "min" "median" "target"
report() {
  printf '%-42s %6s %8s %8s\n' "$1" "$(ratio "$(statistic "$2" min)" "$(statistic "$3" min)")" \
    "$(ratio "$(statistic "$2" median)" "$(statistic "$3" median)")" "$4"
}
report "quernel -mbxrd / cat" mbxrd cat "<= 1.50"
report "quernel -eml / tar -x" eml tar "<= 1.25"
report "10,000 one name / 10,000 distinct (eml)" same distinct "<= 2.00"
report "whole / quarter mailbox, -mbxrd" mbxrd mbxrd_quarter "~ 4"
report "whole / quarter mailbox, -eml" eml eml_quarter "~ 4"
