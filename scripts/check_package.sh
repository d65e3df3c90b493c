#!/usr/bin/env bash
# Builds the Debian package from the build folder and checks it as a user's
# machine would see it: its control fields and file list, lintian (no errors),
# the desktop entry (desktop-file-validate), the AppStream data (appstreamcli),
# the file type (shared-mime-info by name and by signature), the manual pages
# and the completion; then, unpacked into a scratch root, the installed ltr-cli
# runs and the installed ltr opens its window under Xvfb with a file given on
# its command line. Called by test.sh after the build; BUILD_DIR and ROOT as
# setup.sh sets them.
set -euo pipefail
ROOT="${ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"

fail() { echo "package check: $*" >&2; exit 1; }

version="$("$BUILD_DIR/bin/ltr-cli" --version | awk '{ print $2 }')"
deb="$BUILD_DIR/ltr_${version}_amd64.deb"
rm -f "$deb"
(cd "$BUILD_DIR" && cpack -G DEB > cpack.log 2>&1) || { cat "$BUILD_DIR/cpack.log"; fail "cpack failed"; }
[ -f "$deb" ] || fail "no $deb"

echo "Package $(basename "$deb"): $(stat -c %s "$deb") bytes, installed $(dpkg-deb -f "$deb" Installed-Size) KiB"
echo "Depends: $(dpkg-deb -f "$deb" Depends)"
[ "$(dpkg-deb -f "$deb" Section)" = science ] || fail "section is not science"
[ "$(dpkg-parsechangelog -l "$ROOT/packaging/changelog" -S Version)" = "$version" ] ||
  fail "packaging/changelog has no entry for $version"
for dep in libqt6widgets6 qt6-translations-l10n fonts-dejavu-core; do
  dpkg-deb -f "$deb" Depends | grep -q "\b$dep\b" || fail "Depends lacks $dep"
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
root="$work/root"
dpkg -x "$deb" "$root"
share="$root/usr/share"
id="$(basename "$(ls "$share"/applications/*.desktop)" .desktop)"
expected=(
  usr/bin/ltr usr/bin/ltr-cli
  "usr/share/applications/$id.desktop" "usr/share/metainfo/$id.metainfo.xml" "usr/share/mime/packages/$id.xml"
  "usr/share/icons/hicolor/scalable/apps/$id.svg" "usr/share/icons/hicolor/48x48/apps/$id.png"
  "usr/share/icons/hicolor/256x256/apps/$id.png"
  usr/share/man/man1/ltr.1.gz usr/share/man/man1/ltr-cli.1.gz
  usr/share/bash-completion/completions/ltr-cli
  usr/share/doc/ltr/copyright usr/share/doc/ltr/changelog.gz
)
for f in "${expected[@]}"; do [ -f "$root/$f" ] || fail "the package lacks /$f"; done
echo "Files:"
(cd "$root" && find . -type f | sed 's/^\./  /' | sort)

echo "lintian:"
lintian --allow-root --fail-on error --tag-display-limit 0 "$deb" || fail "lintian reports errors"
desktop-file-validate "$share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"

# The installed programs, with the system's libraries.
[ "$("$root/usr/bin/ltr-cli" --version)" = "ltr-cli $version" ] || fail "installed ltr-cli --version"
[ "$("$root/usr/bin/ltr" --version)" = "ltr $version" ] || fail "installed ltr --version"
"$root/usr/bin/ltr-cli" vortex --max-time 0.05 --save "$work/run.evt" --quiet > /dev/null ||
  fail "installed ltr-cli vortex"

# The file type: a saved file by its name, and by its signature under another name.
mkdir -p "$work/mime/mime/packages"
cp "$share/mime/packages/$id.xml" "$work/mime/mime/packages/"
XDG_DATA_DIRS="$work/mime:/usr/share" update-mime-database "$work/mime/mime" || fail "update-mime-database"
cp "$work/run.evt" "$work/run.dat"
for f in run.evt run.dat; do
  type="$(XDG_DATA_DIRS="$work/mime:/usr/share" gio info -a standard::content-type "$work/$f" |
    sed -n 's/^ *standard::content-type: //p')"
  [ "$type" = application/x-ltr-vortex-structure ] || fail "$f is of type '$type'"
done
grep -q "^MimeType=application/x-ltr-vortex-structure;" "$share/applications/$id.desktop" ||
  fail "the desktop entry does not open the vortex structure files"

# The manual page names every subcommand, and man reads it without complaint.
page="$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$share/man/man1/ltr-cli.1.gz" 2> "$work/man.err")"
[ ! -s "$work/man.err" ] || { cat "$work/man.err"; fail "man warns about ltr-cli.1"; }
for sub in $("$root/usr/bin/ltr-cli" --help | awk '/^Subcommands:/ { on = 1; next } on && /^  [a-z]/ { print $1 }'); do
  grep -q "Subcommand $sub:" <<< "$page" || fail "the manual page lacks the subcommand $sub"
done

# The completion, as bash-completion loads it.
completions="$(bash -c '
  source /usr/share/bash-completion/bash_completion
  source "$1"
  complete_line() {
    COMP_WORDS=($2); [ "${2: -1}" = " " ] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); COMP_LINE="$2"; COMP_POINT=${#COMP_LINE}; COMPREPLY=()
    _ltr_cli ltr-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    echo "$1: ${COMPREPLY[*]}"
  }
  complete_line 1 "ltr-cli conc"
  complete_line 2 "ltr-cli vortex --max"
  complete_line 3 "ltr-cli concentration --seed "
' _ "$share/bash-completion/completions/ltr-cli")"
[ "$completions" = $'1: concentration\n2: --max-free --max-time\n3: none' ] ||
  { echo "$completions"; fail "the completion of ltr-cli"; }

# The installed window under Xvfb, given a file it refuses: the main window
# opens, and the refusal's message box stands over it.
cat > "$work/window.sh" <<'EOF'
set -u
"$1" "$2" 2> "$3/window.err" &
pid=$!
# At most a minute for the window and the box to show (a loaded machine is slow to start Qt).
for _ in $(seq 120); do
  windows="$(xwininfo -root -tree 2>/dev/null)"
  if grep -q '"ЛТР - Расчет концентрации пыли в аспирационном укрытии - Версия' <<< "$windows" &&
     grep -q '"Квилон-ЛТР": ("ltr"' <<< "$windows"; then
    kill "$pid"
    wait "$pid"
    exit 0
  fi
  kill -0 "$pid" 2> /dev/null || { echo "ltr ended before its window showed"; cat "$3/window.err"; exit 1; }
  sleep 0.5
done
echo "no window with the message after a minute:"; echo "$windows"; kill "$pid"; exit 1
EOF
printf 'not a vortex structure' > "$work/foreign.evt"
LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8 QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s '-screen 0 1280x1024x24' bash "$work/window.sh" "$root/usr/bin/ltr" "$work/foreign.evt" "$work" ||
  fail "the installed ltr did not open its window with the file's message"
echo "Package checks passed"
