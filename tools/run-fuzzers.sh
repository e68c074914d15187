#!/bin/sh
# Runs each fuzz target of build/fuzz for the given number of seconds (default 300) and
# reports its executions, or the crash it found. The working corpus grows in
# build/fuzz/runs/corpus/<target>, seeded from fuzz/corpus/<target>; a crashing input is
# kept in build/fuzz/runs/artifacts. Exits non-zero when any target crashed.
#   tools/run-fuzzers.sh [SECONDS] [TARGET...]
set -u
seconds=${1:-300}
[ $# -gt 0 ] && shift
targets=${*:-events gestures documents}
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$root/build/fuzz/bin
work=$root/build/fuzz/runs
status=0
for target in $targets; do
  corpus=$work/corpus/$target
  mkdir -p "$corpus" "$work/artifacts"
  dict=""
  [ -f "$root/fuzz/$target.dict" ] && dict="-dict=$root/fuzz/$target.dict"
  log=$work/$target.log
  # The stand-in host names every request it refuses on stderr, and the targets make many
  # on purpose: the targets' own stderr is closed (-close_fd_mask=2); libFuzzer's, the
  # sanitizers' and a broken rule's reports still reach the log.
  "$bin/fuzz_$target" -max_total_time="$seconds" -timeout=60 -print_final_stats=1 -close_fd_mask=2 $dict \
    -artifact_prefix="$work/artifacts/$target-" "$corpus" "$root/fuzz/corpus/$target" >"$log" 2>&1
  result=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
  files=$(ls "$corpus" | wc -l)
  if [ "$result" -eq 0 ]; then
    echo "fuzz $target: ${runs:-?} executions in ${seconds} s (${speed:-?}/s), no crash; corpus $files inputs"
  else
    echo "fuzz $target: CRASH after ${runs:-?} executions (exit $result); log $log"
    grep -A 40 -E '^==== broken|ERROR:|runtime error' "$log" | head -n 60
    ls "$work/artifacts/$target-"* 2>/dev/null | sed 's/^/  input: /'
    status=1
  fi
done
exit $status
