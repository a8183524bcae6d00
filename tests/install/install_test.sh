#!/usr/bin/env bash
# Installs the build into a temporary prefix, makes the prefix read-only and runs the installed
# programs from there, as a user who owns nothing under it and, when the test runs as root, as
# root (who could write there): quorvelctl status, export and import in both formats and a
# painted key, and the window under Xvfb with a language switch from its menu until a second
# copy's /Kill ends it. Every change lands in the user's own folders; nothing may be written
# under the prefix. The user guide with every file it links to, the manual pages, the desktop
# entry and the software-centre page are installed and valid.
# Usage: install_test.sh BUILD_DIR
set -euo pipefail
. "$(dirname "$0")/guide_links.sh"

build=$1
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
    share/applications/org.quorvel.quorvel.desktop share/metainfo/org.quorvel.quorvel.metainfo.xml \
    share/icons/hicolor/48x48/apps/quorvel.png \
    share/icons/hicolor/256x256/apps/quorvel.png lib/udev/rules.d/70-quorvel.rules \
    lib/udev/quorvel-hidraw-access \
    share/doc/quorvel/profile-json.md share/doc/quorvel/profile.schema.json \
    share/doc/quorvel/user-guide.md share/doc/quorvel/user-guide.zh.md \
    share/doc/quorvel/copyright share/doc/quorvel/changelog.gz \
    share/man/man1/quorvel.1.gz share/man/man1/quorvelctl.1.gz share/man/man1/quorvel-vkbd.1.gz; do
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
desktop-file-validate "$prefix/share/applications/org.quorvel.quorvel.desktop" \
    "$prefix/share/quorvel/autostart/quorvel.desktop" || fail "desktop-file-validate"
grep -qx 'Exec=quorvel /Start' "$prefix/share/quorvel/autostart/quorvel.desktop" ||
    fail "the autostart entry does not start with /Start"
if readelf -d "$prefix/bin/quorvel" "$prefix/bin/quorvelctl" | grep -q "R.*PATH.*$build"; then
    fail "an installed program still searches the build tree"
fi

chmod -R a-w "$prefix"
listing() { find "$prefix" -printf '%p %m %s %T@\n' | sort; }
before=$(listing)

# The server takes a free display itself and names it once it accepts clients.
Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp >"$work/display" 2>/dev/null &
pids+=("$!")
for _ in $(seq 300); do grep -q '^[0-9]\+$' "$work/display" && break; sleep 0.1; done
grep -q '^[0-9]\+$' "$work/display" || fail "Xvfb named no display"
display=:$(cat "$work/display")

# The centre of the window's menu button, from the installed main skin file.
IFS=, read -r menu_x menu_y menu_w menu_h < <(sed -n 's/^CONTROL_MENU=//p' \
    "$prefix/share/quorvel/Skins/Main.ini" | tr -d '\r ')
[ -n "$menu_h" ] || fail "no CONTROL_MENU in the installed Main.ini"

# Runs everything as one user with a home of its own below $work/$1; with a user id in $2,
# as that user (root passes every permission check, so the plain user needs an id of its own).
run_as() {
    local who=$1 uid=${2:-}
    local home=$work/$who/home runtime=$work/$who/runtime
    mkdir -p "$home" "$runtime"
    chmod 700 "$runtime"
    local as_user=()
    if [ -n "$uid" ]; then
        chown -R "$uid:$uid" "$work/$who"
        as_user=(setpriv --reuid="$uid" --regid="$uid" --clear-groups --)
    fi
    local user_env=(env -i PATH=/usr/bin:/bin HOME="$home" XDG_RUNTIME_DIR="$runtime"
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

    ctl status >/dev/null || fail "$who: quorvelctl status"
    ctl macro add Hello H+ 50 H- 0 >/dev/null || fail "$who: quorvelctl macro add"
    ctl export --format json "$home/profiles.json" >/dev/null || fail "$who: export --format json"
    ctl export "$home/profiles.fwc" >/dev/null || fail "$who: export"
    ctl import "$home/profiles.json" >/dev/null || fail "$who: import of the JSON document"
    ctl import "$home/profiles.fwc" >/dev/null || fail "$who: import of the profile file"
    ctl usermode paint Esc 00FF00 >/dev/null || fail "$who: usermode paint"
    local user_skins=$home/.local/share/Quorvel/Skins
    grep -q '=0,255,0,' "$user_skins/UserDengColor_0.userd" 2>/dev/null ||
        fail "$who: the painted key is not in the user's own colour file"

    (exec "${as_user[@]}" "${user_env[@]}" "$prefix/bin/quorvel" --virtual) &
    local window_pid=$!
    pids+=("$window_pid")
    local window=""
    for _ in $(seq 150); do
        window=$(DISPLAY=$display xdotool search --onlyvisible --classname quorvel 2>/dev/null |
            tail -n 1) && [ -n "$window" ] && break
        sleep 0.2
    done
    [ -n "$window" ] || fail "$who: the installed window did not open"
    # The installed language is English; the menu's fourth entry is Chinese. The window takes
    # clicks once its first reads of the keyboard are done. The pointer leaves the menu before
    # the keys, so that no entry is chosen by hovering.
    sleep 2
    DISPLAY=$display xdotool mousemove --window "$window" $((menu_x + menu_w / 2)) \
        $((menu_y + menu_h / 2)) click 1 sleep 0.5 mousemove 0 1000 sleep 0.3 \
        key --delay 100 Down Down Down Down Return
    local chosen=""
    for _ in $(seq 50); do
        grep -qx 'language=0' "$user_skins/language.ini" 2>/dev/null && chosen=yes && break
        sleep 0.2
    done
    [ -n "$chosen" ] || fail "$who: the language chosen in the menu is not in the user's own file"
    run "$prefix/bin/quorvel" /Kill || fail "$who: quorvel /Kill"
    for _ in $(seq 100); do kill -0 "$window_pid" 2>/dev/null || break; sleep 0.1; done
    if kill -0 "$window_pid" 2>/dev/null; then fail "$who: /Kill did not end the window"; fi
}

if [ "$(id -u)" -eq 0 ]; then
    run_as user 47911
    run_as root
else
    run_as user
    echo "install_test: not root, so the run as root is left out"
fi

after=$(listing)
if [ "$before" != "$after" ]; then
    diff <(echo "$before") <(echo "$after") >&2 || true
    fail "something was written under the prefix"
fi
echo "install_test: ok"
