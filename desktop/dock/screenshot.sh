#!/usr/bin/env bash
# Captures the stand-in Dock with tiles on a virtual X server: two kept bundles (one running), one running
# bundle that is not kept, in a temporary home.
#
#   desktop/dock/screenshot.sh BUILD_DIR OUTPUT.png [bottom|left|right]
#
# Needs Xvfb, openbox, dbus-run-session and ImageMagick's import (scripts/install-deps installs them), and
# the targets tessly-dock and tessly_dock_test_application built in BUILD_DIR.
set -euo pipefail

build=$(cd "$1" && pwd)
output=$2
orientation=${3:-bottom}
dock="$build/desktop/dock/tessly-dock"
app="$build/tests/dock/tessly_dock_test_application"
[ -x "$dock" ] && [ -x "$app" ] || { echo "build tessly-dock and tessly_dock_test_application in $build first" >&2; exit 1; }

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
entries=""
for name in Mail Notes Terminal; do
    bundle="$home/Applications/$name.app"
    mkdir -p "$bundle/Contents/MacOS"
    cp "$app" "$bundle/Contents/MacOS/App"
    printf '<?xml version="1.0" encoding="UTF-8"?>\n<plist version="1.0"><dict><key>CFBundleExecutable</key><string>App</string></dict></plist>\n' \
        > "$bundle/Contents/Info.plist"
done
for name in Mail Notes; do
    entries+="<dict><key>tile-data</key><dict><key>file-data</key><dict><key>_CFURLString</key><string>$home/Applications/$name.app</string><key>_CFURLStringType</key><integer>0</integer></dict></dict></dict>"
done
mkdir -p "$home/Library/Preferences"
printf '<?xml version="1.0" encoding="UTF-8"?>\n<plist version="1.0"><dict><key>orientation</key><string>%s</string><key>tilesize</key><integer>48</integer><key>persistent-apps</key><array>%s</array></dict></plist>\n' \
    "$orientation" "$entries" > "$home/Library/Preferences/com.apple.dock.plist"

export HOME=$home QT_QPA_PLATFORM=xcb
dbus-run-session -- bash -c '
    set -euo pipefail
    exec 3< <(exec Xvfb -displayfd 1 -nolisten tcp -screen 0 1280x800x24)
    xvfb=$!
    read -r number <&3
    export DISPLAY=:$number
    openbox --sm-disable & wm=$!
    for i in $(seq 100); do xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id" && break; sleep 0.1; done
    "'"$dock"'" --test-control & dock=$!
    for i in $(seq 100); do gdbus introspect --session --dest app.tessly.Dock --object-path /app/tessly/Dock >/dev/null 2>&1 && break; sleep 0.1; done
    "'"$HOME"'/Applications/Mail.app/Contents/MacOS/App" & one=$!
    "'"$HOME"'/Applications/Terminal.app/Contents/MacOS/App" & two=$!
    for i in $(seq 100); do
        gdbus call --session --dest app.tessly.Dock --object-path /app/tessly/Dock --method app.tessly.Dock.ListTiles \
            | grep -o "\\\\\"hasContent\\\\\":true" | wc -l | grep -q 2 && break
        sleep 0.1
    done
    gdbus call --session --dest app.tessly.Dock --object-path /app/tessly/Dock --method app.tessly.Dock.ListTiles
    import -window root "'"$output"'"
    kill $one $two $dock $wm $xvfb
'
echo "wrote $output"
