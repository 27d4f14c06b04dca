#!/usr/bin/env bash
# check_debian_packages.sh DEB_DIR: checks the two packages make-deb.sh wrote there: lintian finds
# no error or warning; tarnview-tools does not depend on Qt; in each terminal program's manual page
# and bash completion, as shipped, is every option that program's --help lists.
set -euo pipefail
debs=$1
lintian -I -E --pedantic --fail-on error,warning "$debs"/tarnview-tools_*.deb "$debs"/tarnview_*.deb

if dpkg-deb -f "$debs"/tarnview-tools_*.deb Depends | grep -i qt; then
    echo "tarnview-tools depends on Qt"
    exit 1
fi

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$debs"/tarnview-tools_*.deb "$root"
for program in tarnview-info tarnview-pack; do
    page=$(zcat "$root/usr/share/man/man1/$program.1.gz" | sed -e 's/\\f[BIRP]//g' -e 's/\\[,/]//g' \
        -e 's/\\-/-/g')
    completion="$root/usr/share/bash-completion/completions/$program"
    options=$("$root/usr/bin/$program" --help | grep -oE '^  -[^ ]+' | tr ',' ' ')
    [ -n "$options" ] || { echo "$program --help lists no options"; exit 1; }
    for option in $options; do
        grep -qE -- "(^|[ ,])$option([ ,]|$)" <<<"$page" || { echo "$program.1 lacks $option"; exit 1; }
        # What bash offers for the option's first two letters, as a user's TAB asks for it.
        offered=$(bash -c 'source "$1"; COMP_WORDS=("$2" "${3:0:2}"); COMP_CWORD=1
                           "$(complete -p "$2" | grep -oE -- "-F [^ ]+" | cut -c4-)"
                           printf "%s\n" "${COMPREPLY[@]}"' _ "$completion" "$program" "$option")
        grep -qxF -- "$option" <<<"$offered" || { echo "completing $program ${option:0:2} misses $option"; exit 1; }
    done
    echo "$program: $(wc -w <<<"$options") options in its manual page and completion"
done
