#!/usr/bin/env bash
# The man pages of dist/man: every option the program's --help names heads
# an entry of the OPTIONS section of its page, and groff renders the page
# without a single warning. Exits 77 (skipped) where groff is missing.
# Usage: man_test.sh SND_PULL SND_INFO DIST_MAN_DIR
set -u
command -v groff >/dev/null || { echo "groff is missing: skipped"; exit 77; }
man_dir=$3

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# program binary ; page
for row in "$1;Snd_Pull.1" "$2;Snd_Info.1"; do
  IFS=';' read -r program page <<<"$row"
  page=$man_dir/$page

  warnings=$(groff -man -Tutf8 -ww -z "$page" 2>&1)
  [[ -z $warnings ]] || fail "groff warns about $page: $warnings"

  # The tags of the OPTIONS section's entries (the line after each .TP) as
  # text: fonts, \& and \c dropped, \- and \e as typed.
  options=$(sed -n '/^\.SH OPTIONS/,/^\.SH /p' "$page" | sed -n '/^\.TP/{n;p}' |
    sed -E 's/\\f([BIRP]|\(..)//g; s/\\&//g; s/\\c$//; s/\\-/-/g; s/\\e/\\/g')
  [[ -n $options ]] || fail "$page has no entries under OPTIONS"

  # Options in the usage text: "/x:", "/dpl", "/?", "-v", "--write", each
  # after a blank, "[", "(" or "," (so "mu-law" and "pk/a.kzs" are none).
  help=$("$program" --help) || fail "$program --help failed"
  named=$(grep -oE '(^|[][[:blank:](,])(/[A-Za-z]+:?|/\?|--?[A-Za-z][A-Za-z-]*)' <<<"$help" |
    sed -E 's/^[^-/]//' | sort -u)
  [[ $(wc -l <<<"$named") -ge 3 ]] || fail "$program --help names too few options: $named"

  while IFS= read -r option; do
    pattern=$(sed -E 's/[][\.*^$?+(){}|/]/\\&/g' <<<"$option")
    # Whole: "-v" is not found inside "--verbose", nor "--dpl" in "--dplx".
    [[ $option == *: ]] || pattern+='([^A-Za-z0-9-]|$)'
    grep -qE "(^|[^A-Za-z0-9-])$pattern" <<<"$options" || fail "$option heads no entry under OPTIONS in $page"
  done <<<"$named"
done

((failures == 0)) && echo "every option of --help has its entry in its page; groff is silent"
((failures == 0))
