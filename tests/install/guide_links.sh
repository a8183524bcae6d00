# Sourced by the install and package tests. guide_links FILE prints, one per line, the files a
# Markdown page links to by relative path (anchors dropped; web addresses and in-page links
# left out).
guide_links() {
    grep -o '](\([^)]*\))' "$1" | sed -e 's/^](//' -e 's/)$//' -e 's/#.*//' |
        grep -v -e "^$" -e "://" | sort -u || true
}
