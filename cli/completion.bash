# SPDX-License-Identifier: GPL-3.0-or-later
# bash completion for vorkan: its commands, their options, and for a copy's
# source the drive letters it lists, block devices and files.

_vorkan_letters() {
  vorkan list 2>/dev/null | awk 'NR > 1 { print $1 }'
}

_vorkan() {
  local cur prev words cword
  _init_completion -s || return

  local commands="list copy verify"
  local command="" i
  for ((i = 1; i < cword; i++)); do
    case ${words[i]} in
      list | copy | verify) command=${words[i]}; break ;;
    esac
  done

  if [[ -z $command ]]; then
    COMPREPLY=($(compgen -W "$commands --help --version" -- "$cur"))
    return
  fi

  case $command in
    list)
      COMPREPLY=($(compgen -W "--json --help" -- "$cur"))
      ;;
    copy)
      case $prev in
        --progress) COMPREPLY=($(compgen -W "json" -- "$cur")); return ;;
      esac
      if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "--lock --force --replace --keep-partial --sha256 --checksum-file
          --verify --progress --progress=json --help" -- "$cur"))
        return
      fi
      # The first operand is the source, the second the image.
      local operands=0
      for ((i = i + 1; i < cword; i++)); do [[ ${words[i]} != -* ]] && ((operands++)); done
      if ((operands == 0)); then
        COMPREPLY=($(compgen -W "$(_vorkan_letters)" -- "$cur"))
        [[ $cur == /* || -z $cur ]] && _filedir
      else
        _filedir
      fi
      ;;
    verify)
      if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "--help" -- "$cur"))
      else
        _filedir
      fi
      ;;
  esac
} && complete -F _vorkan vorkan
