#!/usr/bin/env bash
# Installs the build into a temporary prefix, makes the prefix read-only and runs the installed
# programs from there as a user who owns nothing under it: quorvelctl status, export and
# import in both formats, and the window under Xvfb until a second copy's /Kill ends it; the
# user guide with every file it links to is installed.
# Nothing may be written under the prefix. Usage: install_test.sh BUILD_DIR DISPLAY_NUMBER
set -euo pipefail
. "$(dirname "$0")/guide_links.sh"

build=$1
# The first display from the given number on that no X server holds.
number=${2:-61}
while [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ]; do
    number=$((number + 1))
done
display=:$number
work=$(mktemp -d /tmp/quorvel-install-test.XXXXXX)
chmod 755 "$work"
prefix=$work/prefix
pids=()

cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    chmod -R u+w "$work" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "install_test: $*" >&2
    exit 1
}

cmake --install "$build" --prefix "$prefix" >/dev/null

for file in bin/quorvel bin/quorvelctl bin/quorvel-vkbd \
    lib/quorvel/libHidServ.so lib/quorvel/libHidServVirtual.so \
    share/quorvel/Skins/Main.ini share/quorvel/Skins/language.ini share/quorvel/Skins/icon141.png \
    share/quorvel/Help/index.html share/quorvel/Help/index.zh.html \
    share/quorvel/autostart/quorvel.desktop \
    share/applications/quorvel.desktop share/icons/hicolor/48x48/apps/quorvel.png \
    share/icons/hicolor/256x256/apps/quorvel.png lib/udev/rules.d/70-quorvel.rules \
    lib/udev/quorvel-hidraw-access \
    share/doc/quorvel/profile-json.md share/doc/quorvel/profile.schema.json \
    share/doc/quorvel/user-guide.md share/doc/quorvel/user-guide.zh.md; do
    [ -e "$prefix/$file" ] || fail "the install lacks $file"
done
# The installed guide's pictures and the pages it links to are beside it, in both languages, as
# Markdown and as HTML (every link and anchor of the help and doc folders' pages).
for guide in user-guide.md user-guide.zh.md; do
    links=$(guide_links "$prefix/share/doc/quorvel/$guide")
    [ -n "$links" ] || fail "the installed $guide links to nothing"
    while IFS= read -r link; do
        [ -e "$prefix/share/doc/quorvel/$link" ] || fail "$guide links to $link, not installed"
    done <<<"$links"
done
python3 "$(dirname "$0")/../guide/check_guide.py" "$prefix/share/quorvel/Help" \
    "$prefix/share/doc/quorvel" >/dev/null || fail "a link of the installed guide leads nowhere"
# The build tree's run-time files are the user's, not the program's.
if ls "$prefix"/share/quorvel/Skins/UserDengColor_[0-2].userd >/dev/null 2>&1; then
    fail "user colour files of the build tree were installed"
fi
# The rule runs the helper where this install put it.
grep -qF "PROGRAM=\"$prefix/lib/udev/quorvel-hidraw-access %S%p\"" \
    "$prefix/lib/udev/rules.d/70-quorvel.rules" || fail "the udev rule does not name its helper"
desktop-file-validate "$prefix/share/applications/quorvel.desktop" \
    "$prefix/share/quorvel/autostart/quorvel.desktop" || fail "desktop-file-validate"
grep -qx 'Exec=quorvel /Start' "$prefix/share/quorvel/autostart/quorvel.desktop" ||
    fail "the autostart entry does not start with /Start"
if readelf -d "$prefix/bin/quorvel" "$prefix/bin/quorvelctl" | grep -q "R.*PATH.*$build"; then
    fail "an installed program still searches the build tree"
fi

chmod -R a-w "$prefix"
listing() { find "$prefix" -printf '%p %m %s %T@\n' | sort; }
before=$(listing)

# Root passes every permission check, so the programs run as a user id of their own.
home=$work/home
runtime=$work/runtime
mkdir -p "$home" "$runtime"
chmod 700 "$runtime"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    uid=47911
    chown -R "$uid:$uid" "$home" "$runtime"
    as_user=(setpriv --reuid="$uid" --regid="$uid" --clear-groups --)
fi
user_env=(env -i PATH=/usr/bin:/bin HOME="$home" XDG_RUNTIME_DIR="$runtime"
    XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share"
    XDG_STATE_HOME="$home/.local/state" QT_QPA_PLATFORM=xcb DISPLAY="$display")
run() { "${as_user[@]}" "${user_env[@]}" "$@"; }
ctl() { run "$prefix/bin/quorvelctl" --virtual "$@"; }

# The keyboard, started here so that it can be ended by its process id.
# exec, so that the process id is the daemon's own and the cleanup ends it.
(exec "${as_user[@]}" "${user_env[@]}" "$prefix/bin/quorvel-vkbd" serve \
    --socket "$runtime/quorvel-vkbd.sock") &
pids+=($!)
for _ in $(seq 300); do [ -S "$runtime/quorvel-vkbd.sock" ] && break; sleep 0.1; done

ctl status >/dev/null || fail "quorvelctl status"
ctl macro add Hello H+ 50 H- 0 >/dev/null || fail "quorvelctl macro add"
ctl export --format json "$home/profiles.json" >/dev/null || fail "export --format json"
ctl export "$home/profiles.fwc" >/dev/null || fail "export"
ctl import "$home/profiles.json" >/dev/null || fail "import of the JSON document"
ctl import "$home/profiles.fwc" >/dev/null || fail "import of the profile file"
ctl usermode paint Esc 00FF00 >/dev/null || fail "usermode paint"
# The installed copy's writes land in the per-user overlay.
[ -f "$home/.local/share/Quorvel/Skins/UserDengColor_0.userd" ] ||
    fail "the user colour file is not in the overlay"

Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
pids+=($xvfb_pid)
for _ in $(seq 300); do xdpyinfo -display "$display" >/dev/null 2>&1 && break; sleep 0.1; done
xdpyinfo -display "$display" >/dev/null 2>&1 || fail "Xvfb did not start on $display"
# Another server that took the display first would answer, then go away under the window.
kill -0 "$xvfb_pid" 2>/dev/null || fail "the display $display is another X server's"

(exec "${as_user[@]}" "${user_env[@]}" "$prefix/bin/quorvel" --virtual) &
window_pid=$!
pids+=($window_pid)
opened=""
for _ in $(seq 150); do
    if DISPLAY=$display xdotool search --onlyvisible --classname quorvel >/dev/null 2>&1; then
        opened=yes
        break
    fi
    sleep 0.2
done
[ -n "$opened" ] || fail "the installed window did not open"
run "$prefix/bin/quorvel" /Kill || fail "quorvel /Kill"
for _ in $(seq 100); do kill -0 "$window_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$window_pid" 2>/dev/null; then fail "/Kill did not end the window"; fi

after=$(listing)
if [ "$before" != "$after" ]; then
    diff <(echo "$before") <(echo "$after") >&2 || true
    fail "something was written under the prefix"
fi
echo "install_test: ok"
