#!/usr/bin/env bash
# Writes the bash completion of ltr-cli (for bash-completion's
# completions/ltr-cli) on stdout, with the subcommands and options read from
# the program's own help: `ltr-cli-completion.sh path/to/ltr-cli`.
set -euo pipefail
cli="${1:?the ltr-cli whose help to read}"

mapfile -t subs < <("$cli" --help |
  awk '/^Subcommands:/ { on = 1; next } on && /^  [a-z]/ { print $1 } on && /^$/ { on = 0 }')
[ ${#subs[@]} -gt 0 ] || { echo "ltr-cli-completion.sh: no subcommands in the help of $cli" >&2; exit 1; }

# Option words of one help text, and those of them that take a value: an
# option line is "  NAMES [VALUE...]", two blanks or more, the description.
option_words() {
  awk -v only_valued="$1" '/^  -/ {
    usage = $0; sub(/^  /, "", usage); sub(/  .*/, "", usage)
    if (split(usage, w, " ") < 2 && only_valued) next
    n = split(w[1], names, ","); for (i = 1; i <= n; i++) printf "%s ", names[i]
  }'
}

cases=""
all_valued=""
for s in "${subs[@]}"; do
  help="$("$cli" "$s" --help)"
  cases+="    $s) opts=\"$(printf '%s\n' "$help" | option_words 0)\" ;;"$'\n'
  all_valued+="$(printf '%s\n' "$help" | option_words 1)"
done
all_valued="$(printf '%s\n' $all_valued | sort -u | tr '\n' ' ')"

cat <<COMPLETION
# bash completion for ltr-cli, the command-line face of Квилон-ЛТР.
# Generated from the help of ltr-cli $("$cli" --version | awk '{ print $2 }'); do not edit.

_ltr_cli() {
  local cur prev words cword
  _init_completion || return

  local subcommands="${subs[*]}"
  local sub="" i
  for ((i = 1; i < cword; i++)); do
    case "\${words[i]}" in
      -*) ;;
      *) sub="\${words[i]}"; break ;;
    esac
  done
  if [[ -z \$sub ]]; then
    COMPREPLY=(\$(compgen -W "\$subcommands --help --version" -- "\$cur"))
    return
  fi

  # The value of the option before the cursor.
  case "\$prev" in
    --case) _filedir json; return ;;
    --load | --save) _filedir '@(evt|vrt)'; return ;;
    --history) _filedir csv; return ;;
    --plot) _filedir png; return ;;
    --out)
      case "\$sub" in
        field) _filedir '@(vtk|csv)' ;;
        render) _filedir png ;;
        *) _filedir csv ;;
      esac
      return ;;
    --seed) COMPREPLY=(\$(compgen -W "none" -- "\$cur")); return ;;
    --particle-step) COMPREPLY=(\$(compgen -W "auto" -- "\$cur")); return ;;
    --separation) COMPREPLY=(\$(compgen -W "0000 0001 0010 0011 0100 0101 0110 0111 1000 1001 1010 1011 1100 1101 1110 1111" -- "\$cur")); return ;;
  esac
  case " $all_valued" in
    *" \$prev "*) return ;;
  esac

  local opts=""
  case "\$sub" in
$cases    *) return ;;
  esac
  if [[ \$cur == -* || \$sub != info ]]; then
    COMPREPLY=(\$(compgen -W "\$opts" -- "\$cur"))
  else
    _filedir '@(evt|vrt)'
  fi
} &&
  complete -F _ltr_cli ltr-cli
COMPLETION
