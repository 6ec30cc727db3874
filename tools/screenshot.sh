#!/usr/bin/env bash
# Screenshots of the desktop program for a look by eye: the main window on
# first start (no settings file) and with a simulated project open, and the
# dialogs. Writes PNG files into the given folder (default
# /tmp/belvanto-shots), never into the repository. The screen is that of a
# small laptop unless SCREEN says otherwise.
#   bash tools/screenshot.sh [BUILD_DIR] [OUT_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/test}
out=${2:-/tmp/belvanto-shots}
screen=${SCREEN:-1366x768}
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --build "$build" --target belvanto belvanto-cli belvanto_help -j2 >/dev/null
cli="$build/src/cli/belvanto-cli"
"$cli" simulate "$work/Site.bvp" --contexts 120 --excavation Trench1 >/dev/null

# Each shot runs the program in its own X server; the settings file beside
# the program is kept out of the way so the shots start from the defaults.
shot() {
  local name=$1; shift
  xvfb-run -a -s "-screen 0 ${screen}x24" bash -c '
    QT_QPA_PLATFORM=xcb "$@" & pid=$!
    sleep 4
    import -window root "'"$out/$name"'.png"
    kill $pid; wait $pid 2>/dev/null || true' _ "$@"
  echo "$out/$name.png"
}
ini="$build/src/app/Belvanto.ini"
[ -f "$ini" ] && mv "$ini" "$ini.saved"
shot start "$build/src/app/belvanto"
shot main "$build/src/app/belvanto" "$work/Site.bvp"
# The dialogs, each shown alone by a skipped-by-default test.
cmake --build "$build" --target tests_ui -j2 >/dev/null
for window in protocol pair fields about newproject relationship comment chain consecutive progress reassign selectrelation simulation hierarchyconfig hierarchy projection sortedlist relationcount layoutcheck \
              diagram diagramzoomin diagramzoomout diagrambw diagramgroups; do
  BELVANTO_SHOT=$window shot "$window" "$build/tests/tests_ui" --gtest_filter='ScreenshotShow.*'
done
rm -f "$ini"
if [ -f "$ini.saved" ]; then mv "$ini.saved" "$ini"; fi
