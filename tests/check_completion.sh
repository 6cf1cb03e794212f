#!/usr/bin/env bash
# The bash completion of glossel, glossel-render and glossel-lsp, as bash-completion loads it on the
# first Tab: a table of command lines (the cursor at the end) and the words each must
# offer, in a folder of known files.
#   check_completion.sh COMPLETIONS_FOLDER
set -u
completions=$(cd "$1" && pwd)
framework=/usr/share/bash-completion/bash_completion
if [ ! -r "$framework" ]; then
  echo "bash-completion is not installed ($framework is missing; bash setup.sh installs it)" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# bash-completion looks for a command's file in $XDG_DATA_DIRS/bash-completion/completions.
mkdir -p "$work/share/bash-completion/completions" "$work/files/sub"
for name in glossel glossel-render glossel-lsp; do
  ln -s "$completions/$name" "$work/share/bash-completion/completions/$name"
done
cd "$work/files"
touch lantern.inf objects.h notes.txt styles.conf Upper.INF ./-draft.inf

export XDG_DATA_DIRS="$work/share"
# shellcheck disable=SC1090
source "$framework"
for name in glossel glossel-render glossel-lsp; do
  __load_completion "$name" || { echo "bash-completion finds no completion for $name" >&2; exit 1; }
done

# Outside a real completion compopt only complains; the options it sets are not checked.
compopt() { :; }
# A stand-in for CUPS: two printer queues.
lpstat() { [ "$1" = -e ] && printf 'office\nlab\n'; }

failures=0
rows=0
# check "COMMAND LINE" EXPECTED... : the words offered, in any order, are exactly EXPECTED.
check() {
  local line=$1
  shift
  # Split the line as bash does for completion: at blanks, and around '='.
  local -a words=()
  local word
  read -r -a words <<<"$line"
  [[ $line == *' ' ]] && words+=("")
  COMP_WORDS=()
  for word in "${words[@]}"; do
    if [[ $word == --*=* ]]; then
      COMP_WORDS+=("${word%%=*}" "=" "${word#*=}")
    else
      COMP_WORDS+=("$word")
    fi
  done
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMP_LINE=$line
  COMP_POINT=${#line}
  COMPREPLY=()
  local function
  function=$(complete -p "${COMP_WORDS[0]}" | sed -n 's/.*-F \([^ ]*\) .*/\1/p')
  "$function" "${COMP_WORDS[0]}" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
  local got expected
  got=$(printf '%s\n' "${COMPREPLY[@]}" | sed '/^$/d' | LC_ALL=C sort | tr '\n' ' ')
  expected=$(printf '%s\n' "$@" | sed '/^$/d' | LC_ALL=C sort | tr '\n' ' ')
  rows=$((rows + 1))
  if [ "$got" != "$expected" ]; then
    echo "FAIL: '$line'"
    echo "  expected: $expected"
    echo "  offered:  $got"
    failures=$((failures + 1))
  fi
}

inform_files=(-draft.inf Upper.INF lantern.inf objects.h sub)
all_files=(-draft.inf Upper.INF lantern.inf notes.txt objects.h styles.conf sub)

# glossel-render: options, their values, and files.
check "glossel-render --f" --format= --fragment
check "glossel-render --o" --outline --output=
check "glossel-render --de" --default-styles
check "glossel-render -" -f --format= --codes --outline --includes --skipped --switches --game --tags --etags --site -j --jobs \
  --include-path --fragment --css --ansi-colours -o \
  --output= --default-styles --settings -h --help -V --version --
check "glossel-render -f " rtf html ansi codes outline
check "glossel-render --format h" html
check "glossel-render --format=a" ansi
check "glossel-render --ansi-colours " 24bit 256
check "glossel-render " "${inform_files[@]}"
check "glossel-render --css l"
check "glossel-render -o " "${all_files[@]}"
check "glossel-render --output=n" notes.txt
check "glossel-render --settings s" styles.conf sub
check "glossel-render -- -" -draft.inf
check "glossel-render --include-path " sub
check "glossel-render --include-path=s" sub
check "glossel-render --include-path /nowhere,s" /nowhere,sub
check "glossel-render --inc" --includes --include-path
check "glossel-render --site " sub
check "glossel-render --site out -j "
check "glossel-render --switches "
check "glossel-render --t" --tags
check "glossel-render --e" --etags
check "glossel-render --tags lantern.inf " "${inform_files[@]}"
check "glossel-render --help "
check "glossel-render -o out.rtf lan" lantern.inf

# glossel: switches with '-' or '/', line numbers, files and printer queues.
check "glossel --" --line --include-path --switches -- --help --version
check "glossel --l" --line
check "glossel --include-path " sub
check "glossel --include-path /nowhere,s" /nowhere,sub
check "glossel --line "
check "glossel --switches "
check "glossel --line 12 " "${inform_files[@]}"
check "glossel -U" -Unregister -Unregserver
check "glossel /U" /Unregister /Unregserver
check "glossel /E" /Embedding
check "glossel $work/files/lan" "$work/files/lantern.inf"
check "glossel " "${inform_files[@]}"
check "glossel ob" objects.h
check "glossel -- -" -draft.inf
check "glossel /p " "${inform_files[@]}"
check "glossel /pt lantern.inf " office lab
check "glossel -pt lantern.inf o" office
check "glossel /pt lantern.inf office "
check "glossel --version "

# glossel-lsp: its options only, never a file.
check "glossel-lsp -" --stdio -h --help -V --version
check "glossel-lsp --s" --stdio
check "glossel-lsp "
check "glossel-lsp --version "

echo "$((rows - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
