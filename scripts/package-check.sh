#!/usr/bin/env bash
# The Debian packages as a user meets them: builds them, installs them with apt-get, runs the installed
# program offscreen against the installed simulated unit until it shows "VYRA Online", removes (purges) the
# packages and checks that nothing of them is left outside the user's home (its data, configuration and
# cache folders, which are listed).
#   scripts/package-check.sh [build-dir]          (default: build; needs root or sudo)
# Refuses to run while either package is already installed: it would remove the user's copy at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
BUILD=$(cd "${1:-build}" && pwd)
PACKAGES=(vyra-control-app vyra-simulated-unit)
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

step() { printf '\n== %s\n' "$*"; }
fail() { printf 'FAIL: %s\n' "$*" >&2; exit 1; }

for p in "${PACKAGES[@]}"; do
    if dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "installed"; then
        fail "$p is already installed; remove it first (apt-get remove --purge $p)"
    fi
done
[ -f "$BUILD/CPackConfig.cmake" ] || fail "$BUILD is not a configured build tree (cmake --preset default)"

WORK=$(mktemp -d)
UNIT_PID=""
APP_PID=""
cleanup() {
    [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null || true
    [ -n "$UNIT_PID" ] && kill "$UNIT_PID" 2>/dev/null || true
    wait 2>/dev/null || true
    for p in "${PACKAGES[@]}"; do
        if dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "installed"; then
            $SUDO env DEBIAN_FRONTEND=noninteractive apt-get remove --purge -y -qq "$p" >/dev/null 2>&1 || true
        fi
    done
    rm -rf "$WORK"
}
trap cleanup EXIT

step "Building the programs and the packages"
cmake --build "$BUILD" --target VYRA_Control_App vyra_simulated_unit vyra_desktop_icons vyrauiprobe -- -j2 >"$WORK/build.log" 2>&1 \
    || { cat "$WORK/build.log"; fail "build"; }
cpack -G DEB --config "$BUILD/CPackConfig.cmake" -B "$WORK/deb" >"$WORK/cpack.log" 2>&1 \
    || { cat "$WORK/cpack.log"; fail "cpack"; }
ls -l "$WORK"/deb/*.deb | awk '{print $5, $9}' | sed "s#$WORK/deb/##"

step "Installing with apt-get"
touch "$WORK/stamp"
sleep 1
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
    "$WORK"/deb/vyra-control-app_*.deb "$WORK"/deb/vyra-simulated-unit_*.deb 2>&1 | grep -E "^(Setting up|Unpacking|The following|  |[0-9]+ upgraded)" || true
for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Package} ${Version} ${Status}\n' "$p"
done
printf 'Depends of vyra-control-app: %s\n' "$(dpkg-query -W -f='${Depends}' vyra-control-app)"
printf 'Depends of vyra-simulated-unit: %s\n' "$(dpkg-query -W -f='${Depends}' vyra-simulated-unit)"
dpkg -L "${PACKAGES[@]}" | sort -u > "$WORK/files"
grep -E '^/usr/(bin|share/(applications|metainfo|vyra-control-app|icons/hicolor/scalable))/' "$WORK/files" | while read -r f; do
    [ -f "$f" ] && echo "installed $f"
done
echo "installed $(grep -c 'icons/hicolor/.*\.png$' "$WORK/files") PNG icon sizes"
command -v VYRA_Control_App >/dev/null || fail "VYRA_Control_App is not on the PATH"
desktop-file-validate /usr/share/applications/com.tavik.vyracontrol.desktop && echo "desktop-file-validate: no remark"
appstreamcli validate --pedantic --no-net --no-color /usr/share/metainfo/com.tavik.vyracontrol.metainfo.xml

step "Running the installed program against the installed simulated unit"
mkdir -p "$WORK/home" "$WORK/runtime" "$WORK/plugins/generic"
chmod 700 "$WORK/runtime"
# The probe that reads the window is test equipment, not part of the package.
cp "$BUILD/tests/ui/plugins/generic/libvyrauiprobe.so" "$WORK/plugins/generic/"
export HOME=$WORK/home XDG_RUNTIME_DIR=$WORK/runtime XDG_CONFIG_HOME=$WORK/home/config XDG_DATA_HOME=$WORK/home/data
export LANG=C.UTF-8 LANGUAGE= QT_QPA_PLATFORM=offscreen QT_QUICK_BACKEND=software
PORT=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
cd "$WORK"
cat > "$WORK/scenario.json" <<'JSON'
{"loop": false, "steps": [{"duration": 3600, "mediaIdState": "ident_success", "motionCodeState": "available",
  "media": "The Godfather", "offset": 100}]}
JSON
vyra_simulated_unit --bind 127.0.0.1 --port "$PORT" --no-announce --key-file "$WORK/unit-key.txt" \
    --scenario "$WORK/scenario.json" >"$WORK/unit.log" 2>&1 &
UNIT_PID=$!
for _ in $(seq 100); do grep -q listening "$WORK/unit.log" && break; sleep 0.2; done
grep listening "$WORK/unit.log" || fail "the simulated unit did not start: $(cat "$WORK/unit.log")"
QT_PLUGIN_PATH="$WORK/plugins" QT_QPA_GENERIC_PLUGINS=vyrauiprobe VYRA_UI_PROBE_SOCKET="$WORK/probe.sock" \
    VYRA_Control_App -a "127.0.0.1:$PORT" >"$WORK/app.log" 2>&1 &
APP_PID=$!
python3 - "$WORK/probe.sock" <<'PY' || { cat "$WORK/app.log"; fail "the installed program did not reach VYRA Online"; }
import json, socket, sys, time
deadline = time.time() + 90
while True:
    try:
        s = socket.socket(socket.AF_UNIX); s.connect(sys.argv[1]); break
    except OSError:
        if time.time() > deadline: sys.exit("no window")
        time.sleep(0.2)
f = s.makefile("rw")
while time.time() < deadline:
    f.write(json.dumps({"cmd": "get", "name": "controllerStatusText", "prop": "text"}) + "\n"); f.flush()
    value = json.loads(f.readline()).get("value")
    if value == "VYRA Online":
        print("status line of the installed program:", value); sys.exit(0)
    time.sleep(0.3)
sys.exit("status stayed %r" % value)
PY
kill "$APP_PID"; wait "$APP_PID" && echo "the program quit on SIGTERM with exit code 0" || fail "the program's exit code was $?"
APP_PID=""
kill "$UNIT_PID"; wait "$UNIT_PID" || true
UNIT_PID=""
grep -E "Successfully loaded translation|Connection with VYRA established" "$WORK/app.log" | sed 's/^/  app: /'
LOG="$HOME/data/Tavik/VYRA_Control_App/logs/VYRA_Control_App.log"
[ -s "$LOG" ] || fail "no log file in the user's data folder ($LOG)"
echo "log file in the user's data folder: ${LOG#$WORK/} ($(wc -l <"$LOG") lines)"
echo "what the run left in the user's home (HOME=$WORK/home), all of it the user's:"
(cd "$HOME" && find . -type f | sort | sed 's/^\./  ~/')
cd - >/dev/null

step "Removing the packages"
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get remove --purge -y -q "${PACKAGES[@]}" 2>&1 | grep -E "^(Removing|Purging|The following|  |[0-9]+ upgraded)" || true
left=0
while read -r f; do
    if [ -e "$f" ] && [ ! -d "$f" ]; then echo "left behind: $f"; left=1; fi
    if [ -d "$f" ] && ! dpkg -S "$f" >/dev/null 2>&1 && [ -z "$(ls -A "$f")" ]; then echo "empty folder left behind: $f"; left=1; fi
done < "$WORK/files"
# Anything named after the product, made since the installation, outside the user's data folder and apt's own.
# Searched: where packages, programs and users keep files (not the temporary folders nor the source tree).
find /usr /etc /opt /var /srv /root /home -xdev \( -path /var/lib/dpkg -o -path /var/lib/apt -o -path /var/cache/apt \
    -o -path /var/log -o -path /var/tmp -o -path "$ROOT" -o -path "$BUILD" \) -prune -o -newer "$WORK/stamp" \
    \( -iname '*vyra*' -o -iname '*tavik*' \) -print > "$WORK/leftovers" 2>/dev/null || true
if [ -s "$WORK/leftovers" ]; then sed 's/^/left behind: /' "$WORK/leftovers"; left=1; fi
[ "$left" -eq 0 ] || fail "the packages left files behind"
for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "installed" && fail "$p is still installed"
done
echo "nothing left: all $(wc -l <"$WORK/files") paths of the packages are gone or belong to other packages; no file named after the product outside the user's home (listed above)"
echo "package-check: PASS"
