#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The bash completion as a shell runs it: commands, a command's options, and
# for a copy's source the letters the program lists.
source "$(dirname "$0")/../support/lib.sh"
completion=$1
program=$(realpath "$2")
[[ -r /usr/share/bash-completion/bash_completion ]] || skip "bash-completion is not installed"
source /usr/share/bash-completion/bash_completion
source "$completion"
bin=$(mktemp -d); on_exit rm -rf "$bin"
ln -s "$program" "$bin/vorkan"
PATH="$bin:$PATH"

complete_line() {  # the words of a command line, the last being completed
  COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
  COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
  COMPREPLY=()
  _vorkan vorkan "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
  echo "${COMPREPLY[*]}"
}

[[ $(complete_line vorkan co) == copy ]] || fail "\"co\" gave: $(complete_line vorkan co)"
[[ $(complete_line vorkan copy --rep) == --replace ]] || fail "\"--rep\" gave: $(complete_line vorkan copy --rep)"
[[ $(complete_line vorkan list --) == "--json --help" ]] || fail "list's options: $(complete_line vorkan list --)"
letters=$(vorkan list 2>/dev/null | awk 'NR > 1 { print $1 }' | tr '\n' ' ')
for letter in $letters; do
  [[ " $(complete_line vorkan copy "${letter:0:1}") " == *" $letter "* ]] ||
    fail "the source $letter was not offered: $(complete_line vorkan copy "${letter:0:1}")"
done
echo "completion offers commands, options and the letters: ${letters:-none here}"
