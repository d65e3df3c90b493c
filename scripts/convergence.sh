#!/usr/bin/env bash
# How the outlet concentration of the default case depends on the settings of
# the computation: the spacing of the wall points, the time step of the vortex
# run, the number of particles and the particles' integration step, one at a
# time from a reference. Writes a Markdown report (default docs/convergence.md).
#
# Usage: scripts/convergence.sh [OUT.md]
# Environment: LTR_CLI (default build/bin/ltr-cli), LTR_THREADS (threads of
# each run, default 1), LTR_CONVERGENCE_QUICK=1 (tiny particle counts, to try
# the script; the report is then meaningless).
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
CLI="${LTR_CLI:-$ROOT/build/bin/ltr-cli}"
OUT="${1:-$ROOT/docs/convergence.md}"
THREADS="${LTR_THREADS:-1}"
QUICK="${LTR_CONVERGENCE_QUICK:-0}"
command -v jq > /dev/null || { echo "convergence.sh: jq is needed (apt install jq)" >&2; exit 2; }
[ -x "$CLI" ] || { echo "convergence.sh: no ltr-cli at $CLI (build first, or set LTR_CLI)" >&2; exit 2; }

WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT

# The reference settings; each axis varies one of them.
MAX_TIME=1       # the vortex run from rest, s
MAX_FREE=2000    # room enough that shedding never stops before MAX_TIME
SEED=1
REF_H=0.02
REF_DT=0.005
REF_PARTICLES=40
REF_MOMENTS=40
if [ "$QUICK" = 1 ]; then REF_PARTICLES=4; REF_MOMENTS=4; fi

started=$(date +%s.%N)
now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.1f", b - a }'; }

# The flow of the default enclosure with spacing $1 after the vortex run with
# time step $2, saved once per pair.
flow() {
  local file="$WORK/flow_$1_$2.evt"
  if [ ! -f "$file" ]; then
    local t0
    t0=$(now)
    nice "$CLI" vortex --quiet --threads "$THREADS" --set "H=$1" --dt "$2" --max-time "$MAX_TIME" \
      --max-free "$MAX_FREE" --save "$file" > "$WORK/vortex.json"
    echo "$1 $2 $(jq .free_count "$WORK/vortex.json") $(elapsed "$t0")" >> "$WORK/flows.txt"
  fi
  echo "$file"
}

# One concentration run; prints "concentration low high seconds", in kg/m^3.
# Arguments: flow file, particles, moments, then extra options.
run() {
  local file="$1" particles="$2" moments="$3"
  shift 3
  local t0
  t0=$(now)
  nice "$CLI" concentration --quiet --threads "$THREADS" --load "$file" --seed "$SEED" \
    --particles "$particles" --moments "$moments" "$@" > "$WORK/run.json"
  jq -r '"\(.output_concentration) \(.output_concentration_ci95[0]) \(.output_concentration_ci95[1])"' \
    "$WORK/run.json" | tr '\n' ' '
  elapsed "$t0"
  echo
}

# One axis: its title, the name of the setting, then "label|flow H|flow dt|
# particles|moments|extra options" per setting, the finest last.
axis() {
  local title="$1" name="$2"
  shift 2
  local rows=() results=() label h dt p m extra
  for setting in "$@"; do
    IFS='|' read -r label h dt p m extra <<< "$setting"
    # shellcheck disable=SC2086
    results+=("$(run "$(flow "$h" "$dt")" "$p" "$m" $extra)")
    rows+=("$label")
    echo "  $title: $label done" >&2
  done
  local finest="${results[-1]%% *}"
  local agreeing=()
  {
    echo
    echo "### $title"
    echo
    echo "| $name | outlet concentration, mg/m³ | its 95 % interval, mg/m³ | half-width | finest within it | run time, s |"
    echo "|---|---|---|---|---|---|"
    for i in "${!rows[@]}"; do
      read -r c lo hi secs <<< "${results[$i]}"
      local inside
      inside=$(awk -v f="$finest" -v lo="$lo" -v hi="$hi" 'BEGIN { print (f >= lo && f <= hi) ? "yes" : "no" }')
      if [ "$i" -lt $((${#rows[@]} - 1)) ] && [ "$inside" = yes ]; then agreeing+=("${rows[$i]}"); fi
      [ "$i" -eq $((${#rows[@]} - 1)) ] && inside="(finest)"
      awk -v l="${rows[$i]}" -v c="$c" -v lo="$lo" -v hi="$hi" -v ins="$inside" -v s="$secs" 'BEGIN {
        printf "| %s | %.3f | %.3f to %.3f | ±%.1f %% | %s | %s |\n", l, c * 1e6, lo * 1e6, hi * 1e6,
               (c > 0 ? 50 * (hi - lo) / c : 0), ins, s }'
    done
    echo
    if [ ${#agreeing[@]} -gt 0 ]; then
      local list
      list=$(printf '%s, ' "${agreeing[@]}")
      echo "Within their own interval of the finest (${rows[-1]}): ${list%, }."
    else
      echo "None of the coarser settings has the finest (${rows[-1]}) within its own interval."
    fi
  } >> "$WORK/tables.md"
}

P=$REF_PARTICLES
M=$REF_MOMENTS
axis "Spacing of the wall points" "\`H\`, m" \
  "0.04|0.04|$REF_DT|$P|$M|" "0.02|0.02|$REF_DT|$P|$M|" "0.01|0.01|$REF_DT|$P|$M|"
axis "Time step of the vortex run" "\`Dt\`, s" \
  "0.01|$REF_H|0.01|$P|$M|" "0.005|$REF_H|0.005|$P|$M|" "0.0025|$REF_H|0.0025|$P|$M|"
axis "Number of particles" "particles × moments" \
  "$P × $((M / 4))|$REF_H|$REF_DT|$P|$((M / 4))|" "$P × $M|$REF_H|$REF_DT|$P|$M|" \
  "$P × $((M * 4))|$REF_H|$REF_DT|$P|$((M * 4))|"
axis "Integration step of the particles" "\`--particle-step\`" \
  "described (\`particle_dt\`)|$REF_H|$REF_DT|$P|$M|" "auto|$REF_H|$REF_DT|$P|$M|--particle-step auto" \
  "0.001 s|$REF_H|$REF_DT|$P|$M|--particle-step 0.001" "0.0005 s|$REF_H|$REF_DT|$P|$M|--particle-step 0.0005" \
  "0.00025 s|$REF_H|$REF_DT|$P|$M|--particle-step 0.00025"

# The same reference settings at 8 moments of the developed flow, 0.25 s
# apart: how much the instant of the flow matters beside the particles.
SNAPSHOTS=8
if [ "$QUICK" = 1 ]; then SNAPSHOTS=2; fi
t0=$(now)
nice "$CLI" concentration --quiet --threads "$THREADS" --load "$(flow "$REF_H" "$REF_DT")" --seed "$SEED" \
  --particles "$P" --moments "$M" --snapshots "$SNAPSHOTS" --every 0.25 > "$WORK/snapshots.json"
snapshot_time=$(elapsed "$t0")
echo "  moments of the flow done" >&2
{
  echo
  echo "### Moments of the developed flow"
  echo
  echo "The reference settings in the flow at $SNAPSHOTS moments 0.25 s apart (\`--snapshots $SNAPSHOTS --every 0.25\`,"
  echo "seeds $SEED, $((SEED + 1)), …; $snapshot_time s):"
  echo
  echo "| moment, s | free vortices | outlet concentration, mg/m³ | its 95 % interval, mg/m³ |"
  echo "|---|---|---|---|"
  jq -r '.snapshots.runs[] | "\(.time) \(.free_count) \(.output_concentration) \(.output_concentration_ci95[0]) \(.output_concentration_ci95[1])"' \
    "$WORK/snapshots.json" |
    awk '{ printf "| %.3f | %s | %.3f | %.3f to %.3f |\n", $1, $2, $3 * 1e6, $4 * 1e6, $5 * 1e6 }'
  echo
  jq -r '.snapshots.output_concentration | "\(.mean) \(.std_dev) \(.ci95[0]) \(.ci95[1]) \(.run_ci95_mean[0]) \(.run_ci95_mean[1])"' \
    "$WORK/snapshots.json" |
    awk '{ printf "Mean %.3f mg/m³, standard deviation between the moments %.3f mg/m³; 95 %% interval of the mean from\nthe spread between the moments %.3f to %.3f mg/m³ (±%.1f %%); the runs'"'"' own 95 %% intervals, averaged:\n%.3f to %.3f mg/m³ (±%.1f %%).\n", $1 * 1e6, $2 * 1e6, $3 * 1e6, $4 * 1e6, 50 * ($4 - $3) / $1, $5 * 1e6, $6 * 1e6, 50 * ($6 - $5) / $1 }'
} >> "$WORK/tables.md"

particle_dt=$(nice "$CLI" concentration --quiet --particles "$P" --moments 2 --seed 1 --max-steps 1 | jq .particle_dt)
total=$(elapsed "$started")
{
  echo "# Convergence of the outlet concentration"
  echo
  echo "Made by \`scripts/convergence.sh\` ($("$CLI" --version), \`--threads $THREADS\`, niced, on a machine with"
  echo "$(nproc) cores shared with other work) in $total s on $(date -u +%Y-%m-%d). Run it again with"
  echo
  echo "    scripts/convergence.sh docs/convergence.md"
  echo
  echo "The default enclosure and dust. The flow: a vortex run from rest to $MAX_TIME s (\`ltr-cli vortex"
  echo "--max-time $MAX_TIME --max-free $MAX_FREE\`: room enough that shedding does not stop before the end), then the"
  echo "concentration run in that frozen flow with the sizes of seed $SEED. Reference settings: \`H\` = $REF_H m,"
  echo "\`Dt\` = $REF_DT s, $P particles at each of $M moments (\`particle_dt\` = $particle_dt s), the described"
  echo "particle step; each table varies one of them. The interval is the run's own 95 % interval of the outlet"
  echo "concentration, which covers the randomness of the particle sizes only. A setting \"agrees\" when the"
  echo "finest setting's value lies within its interval. Every run draws the same sizes (seed $SEED), so the"
  echo "differences between the rows of a table come from the setting, not from other particles. The run"
  echo "times are wall-clock seconds on the shared machine and vary with its load."
  echo
  echo "The vortex runs:"
  echo
  echo "| \`H\`, m | \`Dt\`, s | free vortices at the end | run time, s |"
  echo "|---|---|---|---|"
  sort -g "$WORK/flows.txt" | awk '{ printf "| %s | %s | %s | %s |\n", $1, $2, $3, $4 }'
  cat "$WORK/tables.md"
} > "$OUT"
echo "convergence.sh: wrote $OUT in $total s" >&2
