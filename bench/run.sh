#!/usr/bin/env bash
# The benchmark: builds quernel and the mailbox generator (preset "bench"),
# generates the mailboxes in a fresh folder under /dev/shm and times whole
# processes, interleaved round by round:
#   cat mailbox > copy          against  quernel -mbxrd mailbox
#   quernel -mbxrd mailbox      against  quernel -mbxrd -flags mailbox
#   tar -x of quernel's eml     against  quernel -eml mailbox
#   quernel -eml mailbox        against  quernel -maildir mailbox
#   10,000 messages, one name   against  10,000 messages, distinct names (eml)
#   a quarter of the mailbox    against  the whole mailbox (linear growth)
#   quernel -recover -mbxrd     against  quernel -mbxrd (the scan's cost)
#   accented names              against  ASCII names (-mbxrd and -eml): the
#                               twin mailbox whose subjects and sender names
#                               hold Windows-1252 letters, labelled in the
#                               header lines as real clients labelled them
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
"$GENERATE" Accented.dbx 30000 8192 mixed accented
"$GENERATE" Quarter.dbx 7500 8192 mixed
"$GENERATE" Same.dbx 10000 8192 same
"$GENERATE" Distinct.dbx 10000 8192 distinct
mkdir -p out reference
"$QUERNEL" -eml Bench.dbx reference >/dev/null
tar -cf Bench.tar -C reference Bench
rm -rf reference
ls -l Bench.dbx Accented.dbx Quarter.dbx Same.dbx Distinct.dbx Bench.tar | awk '{printf "  %-13s %6.1f MiB\n", $NF, $5 / 1048576}'

# One job per name: the command, and what it leaves behind.
declare -A COMMAND CLEAN
COMMAND[cat]='cat Bench.dbx > out/copy'
CLEAN[cat]='rm -f out/copy'
COMMAND[mbxrd]="\"$QUERNEL\" -mbxrd Bench.dbx out >/dev/null"
CLEAN[mbxrd]='rm -f out/Bench.mbx'
COMMAND[mbxrd_flags]="\"$QUERNEL\" -mbxrd -flags Bench.dbx out >/dev/null"
CLEAN[mbxrd_flags]='rm -f out/Bench.mbx'
COMMAND[tar]='tar -xf Bench.tar -C out'
CLEAN[tar]='rm -rf out/Bench'
COMMAND[eml]="\"$QUERNEL\" -eml Bench.dbx out >/dev/null"
CLEAN[eml]='rm -rf out/Bench'
COMMAND[maildir]="\"$QUERNEL\" -maildir Bench.dbx out >/dev/null"
CLEAN[maildir]='rm -rf out/Bench'
COMMAND[same]="\"$QUERNEL\" -eml Same.dbx out >/dev/null"
CLEAN[same]='rm -rf out/Same'
COMMAND[distinct]="\"$QUERNEL\" -eml Distinct.dbx out >/dev/null"
CLEAN[distinct]='rm -rf out/Distinct'
COMMAND[mbxrd_quarter]="\"$QUERNEL\" -mbxrd Quarter.dbx out >/dev/null"
CLEAN[mbxrd_quarter]='rm -f out/Quarter.mbx'
COMMAND[eml_quarter]="\"$QUERNEL\" -eml Quarter.dbx out >/dev/null"
CLEAN[eml_quarter]='rm -rf out/Quarter'
COMMAND[recover]="\"$QUERNEL\" -recover -mbxrd Bench.dbx out >/dev/null"
CLEAN[recover]='rm -f out/Bench*.mbx'
COMMAND[mbxrd_accented]="\"$QUERNEL\" -mbxrd Accented.dbx out >/dev/null"
CLEAN[mbxrd_accented]='rm -f out/Accented.mbx'
COMMAND[eml_accented]="\"$QUERNEL\" -eml Accented.dbx out >/dev/null"
CLEAN[eml_accented]='rm -rf out/Accented'
# Each accented run follows its ASCII twin, so that both meet the same load.
JOBS=(cat mbxrd mbxrd_accented mbxrd_flags tar eml eml_accented maildir same distinct mbxrd_quarter
  eml_quarter recover)

# Each run goes through /usr/bin/time for its processor time and peak
# memory; the wall time around it comes from the nanosecond clock. On a busy
# machine the processor time (user + system) is the steadier figure.
declare -A TIMES CPU PEAK
for ((round = 1; round <= ROUNDS; ++round)); do
  for job in "${JOBS[@]}"; do
    eval "${CLEAN[$job]}"
    start=$(date +%s%N)
    eval "/usr/bin/time -f '%U %S %M' -o usage.txt ${COMMAND[$job]}"
    end=$(date +%s%N)
    read -r user system peak <usage.txt
    TIMES[$job]+="$((end - start)) "
    CPU[$job]+="$(awk -v u="$user" -v s="$system" 'BEGIN { printf "%d", (u + s) * 1e9 }') "
    if ((peak > ${PEAK[$job]:-0})); then PEAK[$job]=$peak; fi
  done
  echo "  round $round of $ROUNDS done"
done
eval "${CLEAN[eml]}"
eval "${CLEAN[eml_accented]}"

# Minimum and median of one job's figures (nanoseconds) in TIMES or CPU.
statistic() {
  local -n figures=$1
  local sorted
  sorted=($(tr ' ' '\n' <<<"${figures[$2]}" | grep . | sort -n))
  case $3 in
    min) echo "${sorted[0]}" ;;
    median) echo "${sorted[$((${#sorted[@]} / 2))]}" ;;
  esac
}
seconds() { awk -v ns="$1" 'BEGIN { printf "%.3f", ns / 1e9 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

describe() {
  case $1 in
    cat) echo "cat Bench.dbx > copy" ;; mbxrd) echo "quernel -mbxrd Bench.dbx" ;;
    mbxrd_flags) echo "quernel -mbxrd -flags Bench.dbx" ;;
    tar) echo "tar -x (quernel's eml output)" ;; eml) echo "quernel -eml Bench.dbx" ;;
    maildir) echo "quernel -maildir Bench.dbx" ;;
    same) echo "quernel -eml, 10,000 one name" ;; distinct) echo "quernel -eml, 10,000 distinct" ;;
    mbxrd_quarter) echo "quernel -mbxrd, quarter mailbox" ;; eml_quarter) echo "quernel -eml, quarter mailbox" ;;
    recover) echo "quernel -recover -mbxrd Bench.dbx" ;;
    mbxrd_accented) echo "quernel -mbxrd Accented.dbx" ;; eml_accented) echo "quernel -eml Accented.dbx" ;;
  esac
}

echo
echo "$ROUNDS rounds; wall: elapsed time, cpu: user + system time; peak: resident KiB"
printf '%-34s %8s %8s %8s %8s %8s\n' "command" "wall min" "median" "cpu min" "median" "peak"
for job in "${JOBS[@]}"; do
  printf '%-34s %8s %8s %8s %8s %8s\n' "$(describe "$job")" \
    "$(seconds "$(statistic TIMES "$job" min)")" "$(seconds "$(statistic TIMES "$job" median)")" \
    "$(seconds "$(statistic CPU "$job" min)")" "$(seconds "$(statistic CPU "$job" median)")" \
    "${PEAK[$job]}"
done

echo
printf '%-42s %8s %8s %8s %8s %8s\n' "ratio" "wall min" "median" "cpu min" "median" "target"
report() {
  printf '%-42s %8s %8s %8s %8s %8s\n' "$1" \
    "$(ratio "$(statistic TIMES "$2" min)" "$(statistic TIMES "$3" min)")" \
    "$(ratio "$(statistic TIMES "$2" median)" "$(statistic TIMES "$3" median)")" \
    "$(ratio "$(statistic CPU "$2" min)" "$(statistic CPU "$3" min)")" \
    "$(ratio "$(statistic CPU "$2" median)" "$(statistic CPU "$3" median)")" "$4"
}
report "quernel -mbxrd / cat" mbxrd cat "<= 1.50"
report "quernel -mbxrd -flags / -mbxrd" mbxrd_flags mbxrd "<= 1.10"
report "quernel -eml / tar -x" eml tar "<= 1.25"
report "quernel -maildir / -eml" maildir eml "<= 1.30"
report "10,000 one name / 10,000 distinct (eml)" same distinct "<= 2.00"
report "whole / quarter mailbox, -mbxrd" mbxrd mbxrd_quarter "~ 4"
report "whole / quarter mailbox, -eml" eml eml_quarter "~ 4"
report "-recover -mbxrd / -mbxrd" recover mbxrd "<= 1.50"
report "accented / ASCII names, -mbxrd" mbxrd_accented mbxrd "<= 1.15"
report "accented / ASCII names, -eml" eml_accented eml "<= 1.15"
