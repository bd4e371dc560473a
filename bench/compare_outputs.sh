#!/usr/bin/env bash
# Compiles a corpus of adventure sources with two builds of zoxcomp, each in a folder of its
# own, and compares case by case every file the run left behind (the compiled file, or none),
# the report on standard output and standard error, and the exit status, byte for byte.
#
#   bench/compare_outputs.sh [-j jobs] [-n cases] [-s seed] [-k] OLD_ZOXCOMP NEW_ZOXCOMP
#
#   -j  runs at once (default 2)          -n  cases of the generated corpus (default 5000)
#   -s  seed of the corpus (default 13)   -k  keep the work folder (printed at the end)
#
# The corpus comes from zoxcomp-corpus (next to NEW_ZOXCOMP, or named by ZOXCOMP_CORPUS):
# generated adventures, a line for every error number in every section, random and mutated
# sources, long lines, binary junk, UTF-8, resources, limits and command-line faults; the
# adventures under examples/ and tests/data/ are added. The report is taken as it is without a
# terminal (standard output is a file). Exit status 0 when every case is the same.
set -euo pipefail

jobs=2
cases=5000
seed=13
keep=0
while getopts "j:n:s:k" opt; do
  case $opt in
    j) jobs=$OPTARG ;;
    n) cases=$OPTARG ;;
    s) seed=$OPTARG ;;
    k) keep=1 ;;
    *) exit 2 ;;
  esac
done
shift $((OPTIND - 1))
if [ $# -ne 2 ]; then
  sed -n '6,7p' "$0" | cut -c3- >&2
  exit 2
fi
old=$(realpath "$1")
new=$(realpath "$2")
root=$(cd "$(dirname "$0")/.." && pwd)
generator=${ZOXCOMP_CORPUS:-$(dirname "$new")/zoxcomp-corpus}
for program in "$old" "$new" "$generator"; do
  [ -x "$program" ] || { echo "not a program: $program" >&2; exit 2; }
done

work=$(mktemp -d /tmp/zoxcomp-compare-XXXXXX)
cleanup() { [ "$keep" = 1 ] || rm -rf "$work"; }
trap cleanup EXIT

"$generator" "$work/corpus" "$cases" "$seed" > /dev/null
# The shipped adventures and the test data, each as a case with its resources beside it.
n=90000
for source in "$root"/examples/*.adv "$root"/tests/data/*/*.adv; do
  [ -f "$source" ] || continue
  dir="$work/corpus/c$n"
  mkdir -p "$dir"
  cp -r "$(dirname "$source")"/* "$dir"/
  basename "$source" > "$dir/args"
  n=$((n + 1))
done
total=$(find "$work/corpus" -mindepth 1 -maxdepth 1 -type d | wc -l)

cp -a "$work/corpus" "$work/old"
cp -a "$work/corpus" "$work/new"
rm -rf "$work/corpus"

# One case: zoxcomp run in the case's folder with the arguments of its "args" file; the report
# and the status go into dot files there. A run that hangs is stopped after 120 s of CPU.
run_case() {
  local zoxcomp=$1 dir=$2 status=0
  local -a args=()
  mapfile -t args < "$dir/args"
  (cd "$dir" && ulimit -t 120 && LC_ALL=C.UTF-8 "$zoxcomp" "${args[@]}" \
    > .stdout 2> .stderr < /dev/null) || status=$?
  echo "$status" > "$dir/.status"
}
export -f run_case

start=$(date +%s)
for side in old new; do
  program=$old
  [ "$side" = new ] && program=$new
  find "$work/$side" -mindepth 1 -maxdepth 1 -type d -print0 |
    xargs -0 -P "$jobs" -n 25 bash -c 'z=$1; shift; for d; do run_case "$z" "$d"; done' _ "$program"
done
elapsed=$(($(date +%s) - start))

differing=$(diff -rq "$work/old" "$work/new" 2>&1 | grep -o 'c[0-9]*/' | sort -u || true)
count=$(printf '%s' "$differing" | grep -c . || true)
statuses=$(cat "$work"/new/*/.status | sort -n | uniq -c | awk '{printf "%s:%s ", $2, $1}')
reported=$(cat "$work"/new/*/.stdout | grep -o 'Error [0-9]*' | sort -u | awk '{printf "%s ", $2}')
echo "cases: $total, compiled twice in ${elapsed} s"
echo "exit statuses of the new build (status:cases): $statuses"
echo "error numbers in its reports: $reported"
if [ "$count" -eq 0 ]; then
  echo "identical: every compiled file, report and exit status"
  [ "$keep" = 1 ] && echo "kept in $work"
  exit 0
fi
echo "DIFFERENT: $count case(s)"
for c in $(printf '%s\n' "$differing" | head -10); do
  echo "---- $c ($(tr '\n' ' ' < "$work/old/$c/args"))"
  diff -r "$work/old/$c" "$work/new/$c" | head -20 || true
done
keep=1
echo "kept in $work"
exit 1
