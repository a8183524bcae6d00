#!/bin/sh
# Runs a test program in a umockdev sandbox. Started as root, it runs as nobody instead when
# nobody can reach the build: root opens any device node whatever its mode, so permission
# handling could not be tested, and the library's users are not root.
set -e
as_nobody() {
    setpriv --reuid=nobody --regid=nogroup --clear-groups "$@"
}
if [ "$(id -u)" = 0 ] && command -v setpriv >/dev/null 2>&1 &&
    as_nobody test -x "$1" -a -r "${QUORVEL_BIN_DIR:-$(dirname "$1")}/libHidServ.so"; then
    home=$(mktemp -d)
    chown nobody "$home"
    trap 'rm -rf "$home"' EXIT
    HOME=$home XDG_RUNTIME_DIR=$home as_nobody umockdev-wrapper "$@"
else
    exec umockdev-wrapper "$@"
fi
