#!/usr/bin/env bash
# The manual pages list exactly the options each program's --help lists, and render without a
# warning. Usage: man_pages.sh BUILD_DIR MAN_SOURCE_DIR
set -euo pipefail

build=$1
pages=$2
status=0

fail() {
    echo "man_pages: $*" >&2
    status=1
}

# The options of --help: the first column of lines that start with an option.
help_options() {
    "$build/bin/$1" --help | sed -nE 's/^ +([-/][^ ,]*(, [-/][^ ,]*)*).*/\1/p' |
        grep -oE '(^|[ ,])(--?[A-Za-z][-A-Za-z0-9]*|/[A-Za-z]+)' | tr -d ' ,' | sort -u
}

# The options of the page: the tags of the OPTIONS section, font changes and escapes removed.
page_options() {
    awk '/^\.SH /{inside = ($2 == "OPTIONS")} inside && tag {print; tag = 0}
         inside && /^\.TP/{tag = 1}' "$1" |
        sed -E 's/\\f[BIRP]//g; s/\\-/-/g; s/^\.(B|BI|BR|I|IR|RB) //; s/"//g' |
        grep -oE '(^|[ ,])(--?[A-Za-z][-A-Za-z0-9]*|/[A-Za-z]+)' | tr -d ' ,' | sort -u
}

for program in quorvel quorvelctl quorvel-vkbd; do
    page=$pages/$program.1
    [ -f "$page" ] || { fail "no page $page"; continue; }
    listed=$(help_options "$program")
    [ -n "$listed" ] || fail "$program --help lists no option"
    if ! differences=$(diff <(echo "$listed") <(page_options "$page")); then
        fail "$program: --help (<) and the page (>) list other options:"
        echo "$differences" >&2
    fi
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$program.1 renders with warnings: $warnings"
done
[ "$status" -eq 0 ] && echo "man_pages: ok"
exit "$status"
