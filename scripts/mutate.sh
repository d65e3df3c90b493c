#!/usr/bin/env bash
# Mutation check: puts the small faults listed in tests/mutants.txt into the
# code one at a time and runs the test programs that concern the mutated file.
# A mutant that some test fails on is killed; one that passes every test
# survived and shows a gap in the tests.
#
#   bash scripts/mutate.sh                 every mutant of the list
#   bash scripts/mutate.sh M07 M12         only these
#   bash scripts/mutate.sh particle_motion only those whose file path contains this
#
# Options: -l LIST (default tests/mutants.txt), -t SECONDS (timeout of one test
# program; default four times its unmutated run, at least 60 s), -k (keep
# going after a failure of the unmutated suite), -n (only check that every
# mutant still applies: its text occurs exactly once), -h.
#
# It never touches the working tree: the tracked and untracked-but-not-ignored
# files are copied into build-mutate/tree (only what changed), which is built
# in build-mutate/build (Release, no GUI, no benchmarks) and mutated in place.
# A mutant whose description says "(equivalent)" cannot change any result
# (the note beside it says why): if it survives it is reported as such and
# left out of the kill rate.
# Each mutant costs one incremental rebuild (the mutated object, the object
# restored from the previous mutant, the relinks) and its tests. The report
# goes to stdout and to build-mutate/report.txt.
set -uo pipefail

ROOT=$(git -C "$(dirname "$0")/.." rev-parse --show-toplevel)
WORK=${LTR_MUTATE_DIR:-$ROOT/build-mutate}
TREE=$WORK/tree
BUILD=$WORK/build
LIST=$ROOT/tests/mutants.txt
TIMEOUT=""
KEEP_GOING=0
DRY=0
shopt -u patsub_replacement 2>/dev/null
export LC_ALL=C

usage() { sed -n '2,/^set -uo/p' "$0" | sed '$d' | sed 's/^# \{0,1\}//'; }

while getopts "l:t:knh" opt; do
  case $opt in
    l) LIST=$(realpath "$OPTARG") ;;
    t) TIMEOUT=$OPTARG ;;
    k) KEEP_GOING=1 ;;
    n) DRY=1 ;;
    h) usage; exit 0 ;;
    *) usage >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
SELECT=("$@")

[ -f "$LIST" ] || { echo "no mutant list: $LIST" >&2; exit 2; }

export OMP_NUM_THREADS=1 OMP_WAIT_POLICY=PASSIVE GTEST_BRIEF=1
ALL_TESTS=(test_model test_numerics test_solver test_dust test_io test_cli)

# The test programs a mutant of FILE can fail, the file's own subsystem first
# (the first failure ends the mutant's run).
tests_for() {
  case $1 in
    src/model/*) echo test_model test_solver test_dust test_io test_cli test_numerics ;;
    src/numerics/*) echo test_numerics test_solver test_dust test_io test_model test_cli ;;
    src/solver/*) echo test_solver test_dust test_io test_cli ;;
    src/dust/*) echo test_dust test_io test_cli ;;
    src/io/*) echo test_io test_cli ;;
    src/cli/*) echo test_cli ;;
    *) echo "${ALL_TESTS[@]}" ;;
  esac
}

# ---- the scratch copy -------------------------------------------------------
MUTATED=""      # the file of the copy that holds a mutant now
ORIGINAL=""     # its unmutated text
restore() {
  if [ -n "$MUTATED" ]; then
    printf '%s' "$ORIGINAL" > "$TREE/$MUTATED"
    MUTATED=""
  fi
}
trap 'restore' EXIT
trap 'restore; echo; echo "interrupted" >&2; exit 130' INT TERM

sync_tree() {
  mkdir -p "$TREE"
  local listed=$WORK/files.txt
  (cd "$ROOT" && git ls-files --cached --others --exclude-standard | grep -v '^build') > "$listed"
  local f changed=0
  while IFS= read -r f; do
    [ -f "$ROOT/$f" ] || continue
    if ! cmp -s "$ROOT/$f" "$TREE/$f"; then
      mkdir -p "$(dirname "$TREE/$f")"
      cp "$ROOT/$f" "$TREE/$f"  # a fresh time stamp: the build sees the change
      changed=$((changed + 1))
    fi
  done < "$listed"
  # Files gone from the working tree go from the copy too.
  (cd "$TREE" && find . -type f -printf '%P\n') | sort > "$WORK/copy.txt"
  sort "$listed" | comm -23 "$WORK/copy.txt" - | while IFS= read -r f; do rm -f "$TREE/$f"; done
  echo "copy: $changed file(s) brought up to date"
}

build() {
  nice ninja -C "$BUILD" -j2 "$@" ltr-cli > "$WORK/build.log" 2>&1
}

# ---- the mutant list ----------------------------------------------------------
# Blocks of four lines (blank lines and lines starting with '#' between blocks):
#   [ID] what the fault is
#   path/of/the/file.cpp
#   - the original text (exact, unique in the file; may be part of a line)
#   + its replacement
IDS=(); DESCS=(); FILES=(); ORIGS=(); REPLS=()
parse_list() {
  local line state=0 n=0
  while IFS= read -r line || [ -n "$line" ]; do
    n=$((n + 1))
    case $state in
      0)
        [[ -z "${line// }" || $line == \#* ]] && continue
        if [[ $line =~ ^\[([A-Za-z0-9_-]+)\]\ (.*)$ ]]; then
          IDS+=("${BASH_REMATCH[1]}"); DESCS+=("${BASH_REMATCH[2]}"); state=1
        else
          echo "$LIST:$n: expected [ID] description" >&2; exit 2
        fi ;;
      1) FILES+=("$line"); state=2 ;;
      2)
        [[ $line == "- "* ]] || { echo "$LIST:$n: expected '- original'" >&2; exit 2; }
        ORIGS+=("${line:2}"); state=3 ;;
      3)
        [[ $line == "+ "* || $line == "+" ]] || { echo "$LIST:$n: expected '+ replacement'" >&2; exit 2; }
        REPLS+=("${line:2}"); state=0 ;;
    esac
  done < "$LIST"
  [ $state -eq 0 ] || { echo "$LIST: the last mutant is incomplete" >&2; exit 2; }
}

selected() {
  local i=$1 s
  [ ${#SELECT[@]} -eq 0 ] && return 0
  for s in "${SELECT[@]}"; do
    [[ ${IDS[$i]} == "$s" || ${FILES[$i]} == *"$s"* ]] && return 0
  done
  return 1
}

# ---- running the tests --------------------------------------------------------
declare -A LIMIT
# Runs the programs in order until one fails. Sets VERDICT (pass, fail,
# timeout) and WHO (the program, and the first failed test). A test that
# fails once but passes when run again alone is not taken for a kill: it is
# named as flaky, and the program's other tests decide.
run_tests() {
  local t status out failed skip
  VERDICT=pass; WHO=""; FLAKY=""
  for t in "$@"; do
    out=$WORK/$t.out
    skip=""
    while true; do
      timeout -k 10 "${LIMIT[$t]}" nice "$BUILD/bin/$t" --gtest_fail_fast ${skip:+"--gtest_filter=-$skip"} > "$out" 2>&1
      status=$?
      if [ $status -eq 124 ] || [ $status -eq 137 ]; then
        VERDICT=timeout; WHO=$t; return
      elif [ $status -eq 0 ]; then
        break
      fi
      failed=$(grep -m1 -o '\[  FAILED  \] [A-Za-z0-9_/.]*' "$out" | sed 's/\[  FAILED  \] //')
      if [ -n "$failed" ] && [ -z "$skip" ] &&
         timeout -k 10 "${LIMIT[$t]}" nice "$BUILD/bin/$t" "--gtest_filter=$failed" > "$out.again" 2>&1; then
        FLAKY="$t $failed"; skip=$failed
        continue
      fi
      VERDICT=fail; WHO="$t $failed"
      return
    done
  done
}

# ---- main -----------------------------------------------------------------------
parse_list
chosen=()
for i in "${!IDS[@]}"; do selected "$i" && chosen+=("$i"); done
[ ${#chosen[@]} -gt 0 ] || { echo "no mutant matches: ${SELECT[*]}" >&2; exit 2; }

sync_tree
if [ $DRY -eq 1 ]; then
  bad=0
  for i in "${chosen[@]}"; do
    file=${FILES[$i]}
    if [ ! -f "$TREE/$file" ]; then echo "stale ${IDS[$i]}: no file $file"; bad=$((bad + 1)); continue; fi
    text=$(cat "$TREE/$file"; printf x); text=${text%x}
    rest=${text//"${ORIGS[$i]}"/}
    count=$(( (${#text} - ${#rest}) / ${#ORIGS[$i]} ))
    [ "$count" -eq 1 ] || { echo "stale ${IDS[$i]}: the original text occurs $count times in $file"; bad=$((bad + 1)); }
  done
  echo "${#chosen[@]} mutants, $bad stale"
  [ $bad -eq 0 ]; exit
fi
if [ ! -f "$BUILD/build.ninja" ]; then
  nice cmake -S "$TREE" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLTR_BUILD_GUI=OFF \
    -DLTR_BUILD_BENCH=OFF > "$WORK/configure.log" 2>&1 || { cat "$WORK/configure.log" >&2; exit 2; }
fi
echo "building the unmutated code..."
build "${ALL_TESTS[@]}" || { tail -30 "$WORK/build.log" >&2; exit 2; }

# The unmutated suite must pass; its times give the timeouts.
needed=()
for i in "${chosen[@]}"; do
  for t in $(tests_for "${FILES[$i]}"); do [[ " ${needed[*]} " == *" $t "* ]] || needed+=("$t"); done
done
for t in "${needed[@]}"; do
  start=$(date +%s)
  LIMIT[$t]=3600
  run_tests "$t"
  took=$(( $(date +%s) - start ))
  if [ -n "$TIMEOUT" ]; then LIMIT[$t]=$TIMEOUT; else LIMIT[$t]=$(( took * 4 > 60 ? took * 4 : 60 )); fi
  echo "unmutated $t: $VERDICT in ${took} s (timeout ${LIMIT[$t]} s)"
  if [ "$VERDICT" != pass ] && [ $KEEP_GOING -eq 0 ]; then
    echo "the unmutated suite fails ($WHO): mend that first (or -k)" >&2; exit 2
  fi
done

REPORT=$WORK/report.txt
: > "$REPORT"
killed=0; survived=0; equivalent=0; timeouts=0; broken=0; stale=0
for i in "${chosen[@]}"; do
  id=${IDS[$i]}; file=${FILES[$i]}; orig=${ORIGS[$i]}; repl=${REPLS[$i]}
  if [ ! -f "$TREE/$file" ]; then
    result="stale      $id: no file $file"; stale=$((stale + 1))
  else
    text=$(cat "$TREE/$file"; printf x); text=${text%x}
    rest=${text//"$orig"/}
    count=$(( (${#text} - ${#rest}) / ${#orig} ))
    if [ "$count" -ne 1 ]; then
      result="stale      $id: the original text occurs $count times in $file"; stale=$((stale + 1))
    else
      ORIGINAL=$text; MUTATED=$file
      printf '%s' "${text/"$orig"/"$repl"}" > "$TREE/$file"
      read -r -a programs <<< "$(tests_for "$file")"
      if ! build "${programs[@]}"; then
        result="no-build   $id: $file"; broken=$((broken + 1))
      else
        run_tests "${programs[@]}"
        [ -n "$FLAKY" ] && echo "           ($id: $FLAKY failed once and passed alone: taken as flaky)" | tee -a "$REPORT"
        case $VERDICT in
          fail) result="killed     $id by $WHO"; killed=$((killed + 1)) ;;
          timeout) result="timeout    $id in $WHO"; timeouts=$((timeouts + 1)) ;;
          pass)
            if [[ ${DESCS[$i]} == *"(equivalent)"* ]]; then
              result="equivalent $id: ${DESCS[$i]} ($file)"; equivalent=$((equivalent + 1))
            else
              result="SURVIVED   $id: ${DESCS[$i]} ($file)"; survived=$((survived + 1))
            fi ;;
        esac
      fi
      restore
    fi
  fi
  echo "$result" | tee -a "$REPORT"
done

judged=$((killed + timeouts + survived))
{
  echo
  echo "mutants: ${#chosen[@]}; killed $killed, timed out $timeouts, survived $survived, known equivalent $equivalent, did not build $broken, stale $stale"
  rate() { echo "$(( $1 * 1000 / $2 / 10 )).$(( $1 * 1000 / $2 % 10 )) %"; }
  if [ $judged -gt 0 ]; then
    echo "kill rate: $(rate $((killed + timeouts)) $judged) of $judged (killed and timed out, over those that built and are not known to be equivalent)"
  fi
  if [ $equivalent -gt 0 ]; then
    echo "counting the known equivalent ones as survivors: $(rate $((killed + timeouts)) $((judged + equivalent))) of $((judged + equivalent))"
  fi
} | tee -a "$REPORT"
# Rebuild the restored code, so that the copy's build is the unmutated one again.
build "${ALL_TESTS[@]}" || true
[ $survived -eq 0 ]
