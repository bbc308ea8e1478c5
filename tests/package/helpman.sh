#!/usr/bin/env bash
# helpman.sh PROGRAM MANPAGE: PROGRAM --help and --version answer with exit
# status 0 and without a display (and not 0 when the text cannot be written); the options --help lists are exactly
# those the manual page (roff source, gzipped or not) describes; --version
# names the program and the version the manual page's title gives.
set -euo pipefail
program=$1
page=$2
name=$(basename "$program")

fail() { echo "helpman: $name: $*" >&2; exit 1; }

read_page() { case "$page" in *.gz) zcat "$page" ;; *) cat "$page" ;; esac; }
# The manual page up to its examples (which may show other programs), its
# comments left out.
described() { sed -e '/^\.SH ПРИМЕРЫ/,$d' -e '/^\.\\"/d'; }
# Long options of a text: "--name" tokens, "--" alone and "--имя" left out.
options() { grep -oE -- '--[a-z][a-z0-9-]*' | sort -u; }

help=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" --help) || fail "--help ended with status $?"
version=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" --version) || fail "--version ended with status $?"
# (Matched in the shell: "grep -q" would end the pipe early, and under
# pipefail printf's broken pipe would read as a mismatch.)
[[ $help == *Использование* ]] || fail "--help is not the Russian help text"
# A text that cannot be written is a failure, not a success.
if [ -w /dev/full ] && "$program" --version > /dev/full 2>/dev/null; then
  fail "--version into a full disk ended with status 0"
fi

manual=$(read_page | sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g' -e 's/\\c$//')
if ! differences=$(diff <(printf '%s\n' "$help" | options) <(printf '%s\n' "$manual" | described | options)); then
  printf '%s\n' "$differences" >&2
  fail "options of --help (<) and of the manual page (>) differ"
fi

title=$(printf '%s\n' "$manual" | sed -n 's/^\.TH [^ ]* 1 "[^"]*" "\([^"]*\)".*/\1/p')
[ -n "$title" ] || fail "the manual page has no .TH line with the program and version"
first_line=${version%%$'\n'*}
[ "$first_line" = "$title" ] || fail "--version says '$first_line', the manual page '$title'"
echo "helpman: $name: --help and the manual page agree ($(printf '%s\n' "$help" | options | wc -l) options), version $title"
