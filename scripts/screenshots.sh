#!/usr/bin/env bash
# Screenshots of every page at 700 and 1280 pixels wide, with real rendering
# (Xvfb + GLX, so graphical effects show), against the simulated unit; in English
# also at 150 % and 200 % scale (x1.5-*.png, x2-*.png: the same logical widths) and
# with the keyboard focus shown (*-focus.png). In each language also a first start with
# no unit: searching, nothing found, the address field with a refused address, and the
# library without titles (*-first-*.png).
#   scripts/screenshots.sh [build-dir]     (default: build)
# Needs the app, the simulated unit and the UI probe plugin built in build-dir:
#   cmake --build <build-dir> --target VYRA_Control_App vyra_simulated_unit vyrauiprobe
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
BUILD=$(cd "${1:-build}" && pwd)
OUT=$ROOT/screenshots
mkdir -p "$OUT"
for f in "$BUILD/bin/VYRA_Control_App" "$BUILD/bin/vyra_simulated_unit" "$BUILD/tests/ui/plugins/generic/libvyrauiprobe.so"; do
    [ -e "$f" ] || { echo "missing $f: build it first" >&2; exit 1; }
done

if [ -z "${VYRA_SCREENSHOTS_INNER:-}" ]; then
    export VYRA_SCREENSHOTS_INNER=1
    xvfb-run -a -s "-screen 0 1400x1000x24" "$0" "$BUILD"
    # The same pages in French and in Chinese (fr-*.png, zh-*.png); LANGUAGE alone picks the catalogue.
    SCREENSHOT_LANGUAGE=fr SCREENSHOT_PREFIX=fr- SCREENSHOT_ONLINE="VYRA en ligne" \
        xvfb-run -a -s "-screen 0 1400x1000x24" "$0" "$BUILD"
    SCREENSHOT_LANGUAGE=zh_CN SCREENSHOT_PREFIX=zh- SCREENSHOT_ONLINE="在线 VYRA" \
        xvfb-run -a -s "-screen 0 1400x1000x24" "$0" "$BUILD"
    # A television at 150 % and 200 %: the screen must hold 1280 logical pixels at that scale.
    for scale in 1.5 2; do
        QT_SCALE_FACTOR=$scale SCREENSHOT_PREFIX=x$scale- xvfb-run -a -s "-screen 0 2700x1800x24" "$0" "$BUILD"
    done
    exit 0
fi

WORK=$(mktemp -d)
UNIT_PID=""
APP_PID=""
cleanup() {
    [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null || true
    [ -n "$UNIT_PID" ] && kill "$UNIT_PID" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT

mkdir -p "$WORK/home" "$WORK/runtime"
chmod 700 "$WORK/runtime"
export HOME=$WORK/home XDG_RUNTIME_DIR=$WORK/runtime XDG_CONFIG_HOME=$WORK/home/config XDG_DATA_HOME=$WORK/home/data
export LANG=${SCREENSHOT_LANG:-C.UTF-8} LANGUAGE=${SCREENSHOT_LANGUAGE:-}
PORT=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')

cat > "$WORK/scenario.json" <<'JSON'
{"loop": false, "steps": [{"duration": 3600, "mediaIdState": "ident_success", "motionCodeState": "available",
  "media": "The Godfather", "offset": 2712}]}
JSON
QT_SCALE_FACTOR=1 QT_QPA_PLATFORM=offscreen "$BUILD/bin/vyra_simulated_unit" --bind 127.0.0.1 --port "$PORT" --no-announce \
    --seats 4 --key-file "$WORK/unit-key.txt" --scenario "$WORK/scenario.json" \
    --service-uri "http://127.0.0.1:9" > "$WORK/unit.log" 2>&1 &
UNIT_PID=$!
sleep 1

QT_QPA_PLATFORM=xcb QT_PLUGIN_PATH="$BUILD/tests/ui/plugins" QT_QPA_GENERIC_PLUGINS=vyrauiprobe \
    VYRA_UI_PROBE_SOCKET="$WORK/probe.sock" "$BUILD/bin/VYRA_Control_App" -a "127.0.0.1:$PORT" \
    > "$WORK/app.log" 2>&1 &
APP_PID=$!

PYTHONPATH="$ROOT/scripts" python3 - "$WORK/probe.sock" "$OUT" <<'PY'
import os, sys
from ui_probe_client import Probe
probe = Probe(sys.argv[1], sys.argv[2])
ask, wait_for, resize, shot = probe.ask, probe.wait_for, probe.resize, probe.shot
resize(1280)
online = os.environ.get("SCREENSHOT_ONLINE", "VYRA Online")
wait_for(lambda: ask(cmd="get", name="controllerStatusText", prop="text").get("value") == online, online)
wait_for(lambda: ask(cmd="get", name="movieTitle", prop="text").get("value") not in (None, "---"), "the film")
shot("1280-startup-dialog")
ask(cmd="click", name="startupDialogCloseButton")
ask(cmd="set", name="versionUnfoldButton", prop="folded", value=False)
ask(cmd="set", name="advancedControlsUnfoldButton", prop="folded", value=False)
for width in (700, 1280):
    resize(width)
    tabs = [("status", "statusTab"), ("seats", "seatsTab"), ("library", "libraryTab"), ("network", "networkTab")]
    for page, tab in tabs:
        if not ask(cmd="click", name=tab).get("ok"):
            continue  # the Seats tab is merged into the status page on wide windows
        shot("%d-%s" % (width, page))
        if page == "status":
            # The lower part: progress, and on wide windows the merged seats.
            h = ask(cmd="get", name="controllerFlickable", prop="contentHeight").get("value", 0)
            ask(cmd="set", name="controllerFlickable", prop="contentY", value=max(0, h - 700))
            shot("%d-status-lower" % width)
            ask(cmd="set", name="controllerFlickable", prop="contentY", value=-10)
    ask(cmd="click", name="statusTab")
# The keyboard focus ring: Ctrl+2 puts the focus on the first seat control, Tab moves it on.
KEY_TAB, KEY_2, CTRL = 0x01000001, 0x32, 0x04000000
for width in (700, 1280):
    resize(width)
    ask(cmd="key", key=KEY_2, modifiers=CTRL)
    for _ in range(3):
        ask(cmd="key", key=KEY_TAB, modifiers=0)
    shot("%d-seats-focus" % width)
    ask(cmd="click", name="statusTab")
PY

# A first start: no unit answers on a discovery port of our own, nothing remembered.
case "${SCREENSHOT_PREFIX:-}" in x*) echo "screenshots in $OUT"; exit 0 ;; esac
kill "$APP_PID" 2>/dev/null || true
wait "$APP_PID" 2>/dev/null || true
mkdir -p "$WORK/first"
export HOME=$WORK/first XDG_CONFIG_HOME=$WORK/first/config XDG_DATA_HOME=$WORK/first/data
VYRA_DISCOVERY_PORT=$(python3 -c 'import socket; s=socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
export VYRA_DISCOVERY_PORT
QT_QPA_PLATFORM=xcb QT_PLUGIN_PATH="$BUILD/tests/ui/plugins" QT_QPA_GENERIC_PLUGINS=vyrauiprobe \
    VYRA_UI_PROBE_SOCKET="$WORK/first.sock" "$BUILD/bin/VYRA_Control_App" > "$WORK/first.log" 2>&1 &
APP_PID=$!
PYTHONPATH="$ROOT/scripts" python3 - "$WORK/first.sock" "$OUT" <<'PY'
import os, sys
from ui_probe_client import Probe
probe = Probe(sys.argv[1], sys.argv[2])
ask, wait_for, resize, shot = probe.ask, probe.wait_for, probe.resize, probe.shot
resize(1280)
wait_for(lambda: ask(cmd="get", name="startupDialogCloseButton", prop="visible").get("value"), "the dialog")
ask(cmd="click", name="startupDialogCloseButton")
shot("1280-first-searching")
resize(700)
shot("700-first-searching")
wait_for(lambda: ask(cmd="get", name="unitNotFoundPanel", prop="x").get("ok"), "the not-found panel")
KEY_RETURN = 0x01000004
for width in (700, 1280):
    resize(width)
    shot("%d-first-notfound" % width)
ask(cmd="click", name="connectToAddressLinkArea")
ask(cmd="type", text="127.0.0.1:99999")
ask(cmd="key", key=KEY_RETURN, modifiers=0)
wait_for(lambda: ask(cmd="get", name="unitAddressError", prop="x").get("ok"), "the address error")
for width in (700, 1280):
    resize(width)
    ask(cmd="set", name="controllerFlickable", prop="contentY", value=-10)
    shot("%d-first-address" % width)
    ask(cmd="click", name="libraryTab")
    shot("%d-first-library" % width)
    ask(cmd="click", name="statusTab")
PY
echo "screenshots in $OUT"
