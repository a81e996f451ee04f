#!/usr/bin/env bash
# The bash completions of dist/completion: each row is a command line as
# typed up to the cursor and the replies bash gets for it. Readline replaces
# only the text after the word's last ":" or "=", so "/x:s" gets "sub/".
# Run under "set -u", and nothing may reach standard error.
# Usage: completion_test.sh DIST_COMPLETION_DIR
set -u
completions=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
mkdir sub 'my dir'
touch a.kzs b.WAV c.txt s.dpl sub/x.kzs sub/y.txt

# program ; line as typed (the cursor at its end) ; the replies, sorted, comma separated
rows=(
  'Snd_Info;Snd_Info --js;--json'
  'Snd_Info;Snd_Info a.kzs /j;/json'
  'Snd_Info;Snd_Info a.kzs /x:;my\ dir/,sub/'
  'Snd_Info;Snd_Info a.kzs /x:s;sub/'
  'Snd_Info;Snd_Info a.kzs /X:s;sub/'
  'Snd_Info;Snd_Info a.kzs --extract=s;sub/'
  'Snd_Info;Snd_Info a.kzs --extract=;my\ dir/,sub/'
  'Snd_Info;Snd_Info a.kzs --extract ;my\ dir/,sub/'
  'Snd_Info;Snd_Info a.kzs /w:;b.WAV,my\ dir/,sub/'
  'Snd_Info;Snd_Info ;a.kzs,b.WAV,my\ dir/,sub/'
  'Snd_Info;Snd_Info a.kzs sub/;sub/x.kzs'
  'Snd_Info;Snd_Info my\ d;my\ dir/'
  'Snd_Info;Snd_Info a.kzs --sound ;'
  'Snd_Info;Snd_Info a.kzs /x:out --reg;--region=,--regions'
  'Snd_Info;Snd_Info a.kzs /w:o.wav --region ;'
  'Snd_Info;Snd_Info a.kzs /w:o.wav --region=s;'
  'Snd_Pull;Snd_Pull ;my\ dir/,s.dpl,sub/'
  'Snd_Pull;Snd_Pull --h;--help'
  'Snd_Pull;Snd_Pull s.dpl /;/i:,/o:'
  'Snd_Pull;Snd_Pull s.dpl /i:pk /o:s;sub/'
  'Snd_Pull;Snd_Pull s.dpl /O:;my\ dir/,sub/'
)

# Splits a line into COMP_WORDS as bash does: at blanks not escaped, and
# ":" and "=" each a word of their own.
split_as_bash() {
  local line=$1 word='' c i
  words=()
  for ((i = 0; i < ${#line}; i++)); do
    c=${line:i:1}
    if [[ $c == \\ ]]; then
      word+=$c${line:i+1:1}
      i=$((i + 1))
    elif [[ $c == ' ' ]]; then
      [[ -n $word ]] && words+=("$word")
      word=
    elif [[ $c == [:=] ]]; then
      [[ -n $word ]] && words+=("$word")
      words+=("$c")
      word=
    else
      word+=$c
    fi
  done
  # The word under the cursor: empty after a blank, else the last one.
  if [[ -n $word || $line == *' ' ]]; then words+=("$word"); fi
}

failures=0
stderr=$work/stderr
for row in "${rows[@]}"; do
  IFS=';' read -r program line expected <<<"$row"
  split_as_bash "$line"
  got=$(
    exec 2>>"$stderr"
    # shellcheck disable=SC1090
    source "$completions/$program"
    COMP_LINE=$line
    COMP_POINT=${#line}
    COMP_WORDS=("${words[@]}")
    COMP_CWORD=$((${#words[@]} - 1))
    COMPREPLY=()
    "$(complete -p "$program" | sed -E 's/.*-F ([^ ]+).*/\1/')"
    printf '%s\n' "${COMPREPLY[@]+"${COMPREPLY[@]}"}" | LC_ALL=C sort | paste -sd, -
  )
  if [[ $got != "$expected" ]]; then
    echo "FAIL: '$line' completes to '$got', expected '$expected'"
    failures=$((failures + 1))
  fi
done

if [[ -s $stderr ]]; then
  echo "FAIL: the completions wrote to standard error:"
  cat "$stderr"
  failures=$((failures + 1))
fi
echo "${#rows[@]} rows, $failures failed"
((failures == 0))
