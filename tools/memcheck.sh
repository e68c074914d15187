#!/bin/sh
# The demo's two sessions of pellucid-host under valgrind memcheck, in build/memcheck:
# fails on any memory error or on memory definitely lost.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$root/build/linux/bin
work=$root/build/memcheck
rm -rf "$work" && mkdir -p "$work" && cp "$root/examples/workshop.scene" "$work/"
cd "$work"
status=0
session() {  # NAME SCRIPT SCENE
  valgrind --tool=memcheck --error-exitcode=99 --leak-check=full --show-leak-kinds=definite \
    --errors-for-leak-kinds=definite --log-file="$1.valgrind" \
    "$bin/pellucid-host" --settings settings.xml --script "$2" "$3" >"$1.out" 2>&1 || {
      echo "memcheck $1: FAILED (see $work/$1.valgrind)"; status=1; }
  echo "memcheck $1:"
  grep -E 'ERROR SUMMARY|definitely lost|in use at exit|All heap blocks' "$1.valgrind" | sed 's/^==[0-9]*== /  /'
}
session tour-1 "$root/examples/tour-1.txt" workshop.scene
session tour-2 "$root/examples/tour-2.txt" tour.scene
exit $status
