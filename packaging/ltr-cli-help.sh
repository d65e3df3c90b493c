#!/usr/bin/env bash
# The whole help of ltr-cli in one text, for help2man: the program's own help,
# then the options that several subcommands share (once, under the names of the
# subcommands that take them), then each subcommand with its usage, its purpose
# and the options of its own. Run as `LTR_CLI=path/to/ltr-cli ltr-cli-help.sh
# --help` (or --version, which is passed through).
set -euo pipefail
cli="${LTR_CLI:?LTR_CLI names the ltr-cli to describe}"
if [ "${1:-}" != "--help" ]; then
  exec "$cli" "$@"
fi

main_help="$("$cli" --help)"
# The subcommands in the order the program lists them.
mapfile -t subs < <(printf '%s\n' "$main_help" |
  awk '/^Subcommands:/ { on = 1; next } on && /^  [a-z]/ { print $1 } on && /^$/ { on = 0 }')
[ ${#subs[@]} -gt 0 ] || { echo "ltr-cli-help.sh: no subcommands in the help of $cli" >&2; exit 1; }

# One line per subcommand and help line: NAME<TAB>LINE.
table="$(for s in "${subs[@]}"; do "$cli" "$s" --help | sed "s/^/$s\t/"; done)"

# The program's usage, then each subcommand's as an alternative form.
printf '%s\n' "$main_help" | sed '/^Subcommands:/,$d' | while IFS= read -r line; do
  printf '%s\n' "$line"
  if [[ "$line" == Usage:* ]]; then
    printf '%s\n' "$table" | sed -n 's/^[^\t]*\tUsage: /  or:  /p'
  fi
done
printf '%s\n' "$main_help" | sed -n '/^Subcommands:/,$p'
printf '%s\n' "$table" | awk -F '\t' -v order="${subs[*]}" '
  function entry(line) { return line ~ /^  -/ || (section == "Positionals:" && line ~ /^  [A-Z]/) }
  BEGIN {
    n = split(order, names, " ")
    # Names of the option groups, by the first option of each.
    named["--case"] = "case options"
    named["--max-free"] = "flow options"
    named["--particles"] = "dust run options"
  }
  {
    sub_ = $1; line = $2
    if (line ~ /^[A-Z][a-z]*:$/) { section = line; next }
    if (line ~ /^Usage: /) { usage[sub_] = substr(line, 8); next }
    if (!(sub_ in purpose) && line !~ /^$/ && line !~ /^ /) { purpose[sub_] = line; next }
    if (!entry(line) || line ~ /^  -h,--help/) next
    if (!(line in takers)) { lines[++count] = line }
    takers[line] = takers[line] (takers[line] == "" ? "" : ", ") sub_
    own[sub_, ++owncount[sub_]] = line
  }
  END {
    # Options taken by more than one subcommand, grouped by the subcommands that take them.
    for (i = 1; i <= count; i++) {
      l = lines[i]
      if (index(takers[l], ",") == 0) continue
      if (!(takers[l] in group)) {
        keys[++groups] = takers[l]
        split(l, words, " "); firstopt[takers[l]] = words[1]
      }
      group[takers[l]] = group[takers[l]] l "\n"
    }
    for (g = 1; g <= groups; g++) {
      title[g] = named[firstopt[keys[g]]] != "" ? named[firstopt[keys[g]]] : "options of " keys[g]
      printf "\n%s%s (%s):\n%s", toupper(substr(title[g], 1, 1)), substr(title[g], 2), keys[g], group[keys[g]]
    }
    for (k = 1; k <= n; k++) {
      s = names[k]
      printf "\nSubcommand %s:\n  %s: %s.\n", s, usage[s], purpose[s]
      shared = ""; last = ""
      for (g = 1; g <= groups; g++)
        if (index(", " keys[g] ",", ", " s ",") > 0) {
          if (last != "") shared = shared (shared == "" ? "" : ", ") last
          last = "the " title[g]
        }
      if (shared != "") shared = shared " and " last; else shared = last
      owned = 0
      for (j = 1; j <= owncount[s]; j++) if (index(takers[own[s, j]], ",") == 0) owned++
      if (shared != "") printf "  Takes %s%s\n", shared, (owned > 0 ? "; its own:" : ".")
      if (owned > 0) printf "\n"
      for (j = 1; j <= owncount[s]; j++) {
        l = own[s, j]
        if (index(takers[l], ",") == 0) print l
      }
    }
  }'
