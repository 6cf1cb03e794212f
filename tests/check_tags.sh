#!/usr/bin/env bash
# The tag files of glossel-render (--tags, --etags) read by the editors themselves: Vim in
# Ex mode jumps with :tag to the file and line of a definition (also for a name written
# in another case, with 'tagcase' ignoring it as Inform does) and lists every definition
# of a name with :tselect; Emacs in batch mode finds a definition through TAGS. The tag
# files are written from another folder than the game's, so that the file names in
# them are relative to the tag file's folder, and once into an unrelated folder, where
# they are absolute.
#   check_tags.sh GLOSSEL_RENDER
set -u
render=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
for tool in vim emacs; do
  if ! command -v "$tool" >/dev/null; then
    echo "$tool is not installed (bash setup.sh installs vim-nox and emacs-nox)" >&2
    exit 1
  fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
game=$work/game
mkdir -p "$game/lib" "$work/elsewhere"
# The lines that matter are numbered in the comments.
cat >"$game/main.inf" <<'INF'
! A game for the tag files.
Include "lib/part.h";
[ Main;
  Shared();
];
Object lamp "brass lamp"
  with before [; rtrue; ],
       after [; rfalse; ];
Class Room;
[ Shared; rtrue; ];
INF
cat >"$game/lib/part.h" <<'INF'
! Part of the game.
Constant ABC_DEF 1;
[ Shared; rfalse; ];
[ _Helper; ];
INF
# Main: main.inf 3; lamp: main.inf 6; before: main.inf 7 (object:lamp); Room: main.inf 9;
# Shared: lib/part.h 3 (read first, where its Include stands), then main.inf 10;
# ABC_DEF: lib/part.h 2; _Helper: lib/part.h 4.

failures=0
checks=0
expect() {  # expect WHAT GOT WANT
  checks=$((checks + 1))
  if [ "$2" != "$3" ]; then
    echo "FAIL: $1"
    echo "  expected: $3"
    echo "  got:      $2"
    failures=$((failures + 1))
  fi
}

# vim_tag TAGS EX-COMMANDS...: where Vim stands after the commands, as FILE:LINE.
vim_tag() {
  local tags=$1
  shift
  local args=(-N -u NONE -i NONE -es -c "set tags=$tags")
  for cmd in "$@"; do args+=(-c "$cmd"); done
  (cd "$work/elsewhere" &&
    vim "${args[@]}" -c "redir! > $work/vim.out" -c 'silent echo expand("%:p") . ":" . line(".")' \
      -c 'redir END' -c 'qa!' </dev/null >/dev/null 2>&1)
  tr -d '\n' <"$work/vim.out"
}

(cd "$work/elsewhere" && "$render" --tags -o "$game/tags" "$game/main.inf")
expect "glossel-render --tags exits 0" "$?" 0
expect "file names relative to the tag file's folder, in the order they are read" \
  "$(grep -P '^Shared\t' "$game/tags" | cut -f2 | tr '\n' ' ')" "lib/part.h main.inf "
expect ":tag Main" "$(vim_tag "$game/tags" 'tag Main')" "$game/main.inf:3"
expect ":tag lamp" "$(vim_tag "$game/tags" 'tag lamp')" "$game/main.inf:6"
expect ":tag _Helper" "$(vim_tag "$game/tags" 'tag _Helper')" "$game/lib/part.h:4"
expect ":tag abc_def with tagcase=ignore" "$(vim_tag "$game/tags" 'set tagcase=ignore' 'tag abc_def')" \
  "$game/lib/part.h:2"
expect ":tag ROOM with tagcase=ignore" "$(vim_tag "$game/tags" 'set tagcase=ignore' 'tag ROOM')" "$game/main.inf:9"
expect ":tag Shared goes to the first read" "$(vim_tag "$game/tags" 'tag Shared')" "$game/lib/part.h:3"
expect ":tnext after :tag Shared" "$(vim_tag "$game/tags" 'tag Shared' 'tnext')" "$game/main.inf:10"

# :tselect lists both definitions of Shared, and the object of before.
vim_list() {  # vim_list NAME: what :tselect NAME shows
  (cd "$work/elsewhere" &&
    vim -N -u NONE -i NONE -es -c "set tags=$game/tags" -c "redir! > $work/tselect.out" -c "tselect $1" \
      -c 'redir END' -c 'qa!' </dev/null >/dev/null 2>&1)
  cat "$work/tselect.out"
}
shared=$(vim_list Shared)
expect ":tselect Shared lists two definitions, in the order they are read" \
  "$(printf '%s\n' "$shared" | grep -E '^ *[0-9]+ ' | awk '{ print $1, $NF }' | tr '\n' ' ')" \
  "1 $game/lib/part.h 2 $game/main.inf "
expect ":tselect before shows its object" "$(vim_list before | grep -c 'object:lamp')" 1

# A tag file in an unrelated folder names the files by their absolute paths.
(cd "$work/elsewhere" && "$render" --tags "$game/main.inf")
expect "absolute names outside the tag file's folder" \
  "$(grep -P '^Main\t' "$work/elsewhere/tags" | cut -f2)" "$game/main.inf"
expect ":tag Main through absolute names" "$(vim_tag "$work/elsewhere/tags" 'tag Main')" "$game/main.inf:3"

# Emacs: TAGS, and a definition found through it, in another case too.
(cd "$game" && "$render" --etags main.inf)
expect "glossel-render --etags writes TAGS" "$(head -c 1 "$game/TAGS" | od -An -c | tr -d ' ')" '\f'
emacs_find() {
  emacs --batch -Q --eval "(progn (visit-tags-table \"$game/TAGS\")
    (with-current-buffer (find-tag-noselect \"$1\")
      (princ (format \"%s:%d\" buffer-file-name (line-number-at-pos)))))" 2>/dev/null
}
expect "Emacs finds Main" "$(emacs_find Main)" "$game/main.inf:3"
expect "Emacs finds _helper" "$(emacs_find _helper)" "$game/lib/part.h:4"
expect "Emacs finds Room" "$(emacs_find Room)" "$game/main.inf:9"

echo "$((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
