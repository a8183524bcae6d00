#!/usr/bin/env bash
# Builds the Debian package from the build tree with CPack and checks its contents list (with
# the user guide and what it links to), its dependencies (from shlibdeps), its post-install
# step, that lintian finds neither error nor warning in it, and that its software-centre page
# is valid and names the release being packaged. Usage: package_test.sh BUILD_DIR
set -euo pipefail
. "$(dirname "$0")/guide_links.sh"

build=$1
work=$(mktemp -d /tmp/quorvel-package-test.XXXXXX)
trap 'rm -rf "$work"' EXIT

fail() {
    echo "package_test: $*" >&2
    exit 1
}

for tool in lintian appstreamcli; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/setup installs it)"
done
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; fail "cpack -G DEB"; }
deb=$(ls "$work"/quorvel_*.deb)
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')

for file in ./usr/bin/quorvel ./usr/bin/quorvelctl ./usr/bin/quorvel-vkbd \
    ./usr/lib/quorvel/libHidServ.so ./usr/lib/quorvel/libHidServVirtual.so \
    ./usr/share/quorvel/Skins/Main.ini ./usr/share/quorvel/Skins/language.ini \
    ./usr/share/quorvel/Help/index.html ./usr/share/quorvel/Help/index.zh.html \
    ./usr/share/quorvel/autostart/quorvel.desktop \
    ./usr/lib/udev/rules.d/70-quorvel.rules ./usr/lib/udev/quorvel-hidraw-access \
    ./usr/share/applications/org.quorvel.quorvel.desktop \
    ./usr/share/metainfo/org.quorvel.quorvel.metainfo.xml \
    ./usr/share/icons/hicolor/48x48/apps/quorvel.png \
    ./usr/share/icons/hicolor/256x256/apps/quorvel.png ./usr/share/doc/quorvel/user-guide.md \
    ./usr/share/doc/quorvel/user-guide.zh.md \
    ./usr/share/doc/quorvel/copyright ./usr/share/doc/quorvel/changelog.gz \
    ./usr/share/man/man1/quorvel.1.gz ./usr/share/man/man1/quorvelctl.1.gz \
    ./usr/share/man/man1/quorvel-vkbd.1.gz; do
    grep -qxF "$file" <<<"$contents" || fail "the package lacks $file"
done
# The guide's pictures and the pages it links to come with it, in both languages, as Markdown
# and as HTML (every link and anchor of the help and doc folders' pages).
for guide in user-guide.md user-guide.zh.md; do
    links=$(guide_links "$(dirname "$0")/../../docs/$guide")
    [ -n "$links" ] || fail "$guide links to nothing"
    while IFS= read -r link; do
        grep -qxF "./usr/share/doc/quorvel/$link" <<<"$contents" ||
            fail "$guide links to $link, not in the package"
    done <<<"$links"
done
dpkg-deb -x "$deb" "$work/root"
python3 "$(dirname "$0")/../guide/check_guide.py" "$work/root/usr/share/quorvel/Help" \
    "$work/root/usr/share/doc/quorvel" >/dev/null ||
    fail "a link of the packaged guide leads nowhere"
# No test programs, benchmarks or build tools.
if grep -E '_tests$|bench_|skingen|icongen' <<<"$contents"; then
    fail "the package holds build-only files"
fi

depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6widgets6 libhidapi-hidraw0 libudev1 libc6; do
    grep -q "$library" <<<"$depends" || fail "Depends lacks $library: $depends"
done

mkdir "$work/control"
dpkg-deb -e "$deb" "$work/control"
[ -x "$work/control/postinst" ] || fail "no executable postinst"
grep -q 'udevadm control --reload-rules' "$work/control/postinst" || fail "postinst reloads nothing"
grep -q 'udevadm trigger' "$work/control/postrm" || fail "postrm leaves the granted nodes as they were"
dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/lib/udev/rules.d/70-quorvel.rules |
    grep -qF 'PROGRAM="/usr/lib/udev/quorvel-hidraw-access %S%p"' ||
    fail "the packaged udev rule does not name the packaged helper"

lintian --fail-on error,warning --no-tag-display-limit "$deb" >"$work/lintian.log" 2>&1 ||
    { cat "$work/lintian.log" >&2; fail "lintian finds errors or warnings"; }

mkdir "$work/tree"
dpkg-deb -x "$deb" "$work/tree"
metainfo=$work/tree/usr/share/metainfo/org.quorvel.quorvel.metainfo.xml
# Success still lists pedantic findings and hints; none is wanted. The tree check also finds
# the desktop entry the page launches.
for check in "validate $metainfo" "validate-tree $work/tree"; do
    # shellcheck disable=SC2086
    if ! appstreamcli $check --no-net --pedantic >"$work/appstream.log" 2>&1 ||
        grep -qE '^[EWIP]: ' "$work/appstream.log"; then
        cat "$work/appstream.log" >&2
        fail "appstreamcli $check --pedantic"
    fi
done
version=$(dpkg-deb -f "$deb" Version)
newest=$(grep -o '<release version="[^"]*"' "$metainfo" | head -n 1)
[ "$newest" = "<release version=\"$version\"" ] ||
    fail "the newest release of the software-centre page is not $version: $newest"
changelog=$(zcat "$work/tree/usr/share/doc/quorvel/changelog.gz" | head -n 1)
[[ "$changelog" == "quorvel ($version) "* ]] ||
    fail "the changelog does not start with version $version: $changelog"
# The screenshots are the pictures of docs/images, published under their own names.
while IFS= read -r picture; do
    [ -f "$(dirname "$0")/../../docs/images/$picture" ] ||
        fail "the screenshot $picture is not in docs/images"
done < <(grep -o '<image>[^<]*</image>' "$metainfo" | sed -E 's|.*/images/([^<]*)</image>|\1|')
echo "package_test: ok"
