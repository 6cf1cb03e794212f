#!/usr/bin/env bash
# The manual pages and the bash completion against the programs themselves: each page
# lints clean with mandoc, groff and man as lintian runs it, has the usual sections and
# the program's version, and names every option and switch that the program's --help
# lists; the completion offers each of them too.
#   check_manuals.sh MAN_FOLDER COMPLETIONS_FOLDER PROGRAM...
set -u
man_dir=$1
completions=$2
shift 2

for tool in mandoc groff man col; do
  if ! command -v "$tool" >/dev/null; then
    echo "$tool is not installed (bash setup.sh installs it)" >&2
    exit 1
  fi
done

failures=0
checks=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
# expect_quiet WHAT COMMAND...: the command succeeds and prints nothing.
expect_quiet() {
  local what=$1 output status
  shift
  checks=$((checks + 1))
  output=$("$@" 2>&1)
  status=$?
  if [ "$status" -ne 0 ] || [ -n "$output" ]; then
    fail "$what (status $status)"
    printf '%s\n' "$output" | sed 's/^/  /'
  fi
}

# The options of a --help text: on its lines that begin with blanks and '-' or '/', the
# names before the first two blanks ("-f, --format FORMAT   what..." gives -f and --format).
help_options() {
  sed -n 's/^ \{2,\}\([-/][^ ].*\)$/\1/p' | sed 's/  .*//' | tr ',' '\n' | awk '{ print $1 }' |
    sed '/^$/d'
}
# The values listed under an option, indented far and followed by two blanks.
help_values() {
  sed -n 's/^ \{20,\}\([a-z0-9]\{1,\}\)  .*/\1/p'
}
# word_in WORD FILE: WORD stands in FILE, not as part of a longer option or word.
word_in() {
  grep -q -e "\(^\|[^-A-Za-z0-9]\)$(printf '%s' "$1" | sed 's/[.[\*^$]/\\&/g')\([^-A-Za-z0-9]\|$\)" "$2"
}

# A manual page as lintian reads it; only its warnings are kept.
lintian_reads() {
  LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$1" >/dev/null
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for program in "$@"; do
  name=$(basename "$program")
  page=$man_dir/$name.1
  completion=$completions/$name
  if [ ! -f "$page" ]; then
    fail "$page is missing"
    continue
  fi

  expect_quiet "mandoc -T lint $name.1" mandoc -T lint -W warning "$page"
  expect_quiet "groff -ww -z $name.1" groff -ww -z -mandoc "$page"
  expect_quiet "man --warnings $name.1" lintian_reads "$page"

  # The page as text, and the heads of its OPTIONS list ("-o out, --output out").
  text=$work/$name.txt
  LC_ALL=C mandoc -T ascii -O width=250 "$page" | col -b >"$text"
  heads=$work/$name.heads
  sed -n '/^OPTIONS$/,/^[A-Z]/p' "$text" | grep '^     [^ ]' | sed 's/^ *//; s/[[:space:]]\{2,\}.*//; s/\t.*//' >"$heads"
  for section in NAME SYNOPSIS DESCRIPTION OPTIONS ENVIRONMENT FILES "EXIT STATUS" EXAMPLES "SEE ALSO"; do
    checks=$((checks + 1))
    grep -qx "$section" "$text" || fail "$name(1) has no $section section"
  done
  checks=$((checks + 1))
  version=$("$program" --version | awk '{ print $2 }')
  [ -n "$version" ] && grep -q "Glossel $version" "$text" || fail "$name(1) does not carry the version '$version'"

  "$program" --help >"$work/$name.help" || fail "$name --help failed"
  options=$(help_options <"$work/$name.help")
  values=$(help_values <"$work/$name.help")
  checks=$((checks + 1))
  [ -n "$options" ] || fail "no option found in $name --help"
  for option in $options; do
    checks=$((checks + 2))
    word_in "$option" "$heads" || fail "the options of $name(1) do not describe $option, which --help lists"
    word_in "$option" "$completion" || fail "the completion of $name does not offer $option, which --help lists"
  done
  for value in $values; do
    checks=$((checks + 2))
    word_in "$value" "$text" || fail "$name(1) does not describe the value $value, which --help lists"
    word_in "$value" "$completion" || fail "the completion of $name does not offer the value $value, which --help lists"
  done
done

echo "$((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
