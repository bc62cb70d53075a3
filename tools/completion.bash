# Bash completion for the TuneStrip tools. Installed once under each tool's name in
# share/bash-completion/completions/; the options come from each tool's own --help, the item
# names from `tunestrip-bcfg names`.

# Words of the tool's --help that are options.
_tunestrip_options() {  # $1: the tool, $2: its command, if it has commands
  "$1" ${2:+"$2"} --help 2>/dev/null | sed -n 's/^ \{1,4\}\(-[-a-zA-Z]*\)\(, \(--[-a-z]*\)\)\{0,1\}.*/\1 \3/p'
}

_tunestrip_files() {  # $1: a glob of names to offer, or empty for any file
  local IFS=$'\n'
  if [[ -n $1 ]]; then
    COMPREPLY+=($(compgen -f -X "!$1" -- "$cur") $(compgen -d -- "$cur"))
  else
    COMPREPLY+=($(compgen -f -- "$cur"))
  fi
}

_tunestrip_dirs() {
  local IFS=$'\n'
  COMPREPLY+=($(compgen -d -- "$cur"))
}

_tunestrip_sim() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}
  COMPREPLY=()
  case $prev in
    --music|--script|--config|--trace|--gif) _tunestrip_files ""; return ;;
    --phone|--out) _tunestrip_dirs; return ;;
    --skin) _tunestrip_files "*.[zZ][iI][pP]"; return ;;  # a folder or a packed skin
    --codepage) COMPREPLY=($(compgen -W "cp1251 latin1" -- "$cur")); return ;;
    --platform-id) COMPREPLY=($(compgen -W "9900 7100 8000 8040" -- "$cur")); return ;;
    --screen) COMPREPLY=($(compgen -W "240x320" -- "$cur")); return ;;
  esac
  COMPREPLY=($(compgen -W "$(_tunestrip_options "$1")" -- "$cur"))
  [[ $cur == -* ]] || _tunestrip_files "*.[zZ][iI][pP]"  # the SKIN folder or packed skin
}

_tunestrip_bcfg() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}
  COMPREPLY=()
  if ((COMP_CWORD == 1)); then
    COMPREPLY=($(compgen -W "check dump get set default names --help --version" -- "$cur"))
    return
  fi
  local command=${COMP_WORDS[1]} files=0 i
  for ((i = 2; i < COMP_CWORD; i++)); do
    [[ ${COMP_WORDS[i]} == -* ]] || files=$((files + 1))
  done
  case $command in
    check|default) ((files == 0)) && _tunestrip_files "*.bcfg" ;;
    dump)
      ((files == 0)) && _tunestrip_files "*.bcfg"
      COMPREPLY+=($(compgen -W "--json" -- "$cur")) ;;
    get|set)
      if ((files == 0)); then
        _tunestrip_files "*.bcfg"
      else
        local names
        names=$("$1" names 2>/dev/null | sed -n 's/^\([A-Za-z_0-9]\{1,\}\) .*/\1/p')
        if [[ $command == set ]]; then
          compopt -o nospace 2>/dev/null
          COMPREPLY=($(compgen -W "$names" -S = -- "$cur"))
        else
          COMPREPLY=($(compgen -W "$names" -- "$cur"))
        fi
      fi ;;
  esac
}

_tunestrip_skin() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}
  COMPREPLY=()
  if ((COMP_CWORD == 1)); then
    COMPREPLY=($(compgen -W "check pack diff sheet new --help --version" -- "$cur"))
    return
  fi
  case $prev in
    --config) _tunestrip_files "*.bcfg"; return ;;
    -o|--output) _tunestrip_files ""; return ;;
    --cases) _tunestrip_dirs; return ;;
    --screen) COMPREPLY=($(compgen -W "240x320" -- "$cur")); return ;;
  esac
  if [[ $cur == -* ]]; then
    # Each command's own options: `tunestrip-skin sheet --help` lists the sheet's.
    COMPREPLY=($(compgen -W "$(_tunestrip_options "$1" "${COMP_WORDS[1]}")" -- "$cur"))
  else
    case ${COMP_WORDS[1]} in
      check) _tunestrip_files "*.[zZ][iI][pP]" ;;  # a folder or a packed skin
      diff) _tunestrip_files "*.[zZ][iI][pP]"; _tunestrip_files "*.bcfg" ;;
      *) _tunestrip_dirs ;;
    esac
  fi
}

_tunestrip_mp3info() {
  local cur=${COMP_WORDS[COMP_CWORD]}
  COMPREPLY=()
  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "$(_tunestrip_options "$1")" -- "$cur"))
  else
    _tunestrip_files "*.[mM][pP]3"
  fi
}

complete -o filenames -F _tunestrip_sim tunestrip-sim
complete -o filenames -F _tunestrip_bcfg tunestrip-bcfg
complete -o filenames -F _tunestrip_skin tunestrip-skin
complete -o filenames -F _tunestrip_mp3info tunestrip-mp3info
