#!/bin/sh
# Runs a test program in a umockdev sandbox. Started as root, it runs as nobody instead: root
# opens any device node whatever its mode, so permission handling could not be tested, and the
# library's users are not root.
set -e
if [ "$(id -u)" = 0 ] && command -v setpriv >/dev/null 2>&1; then
    home=$(mktemp -d)
    chown nobody "$home"
    trap 'rm -rf "$home"' EXIT
    HOME=$home XDG_RUNTIME_DIR=$home setpriv --reuid=nobody --regid=nogroup --clear-groups \
        umockdev-wrapper "$@"
else
    exec umockdev-wrapper "$@"
fi
