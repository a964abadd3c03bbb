# Bash completion of lxr: commands, options and their values, and the names of the index
# library. The words come from lxr itself (lxr complete ...), so they follow the installed
# version. Installed as share/bash-completion/completions/lxr.

# _lxr_ask ARGS...: the lines of `lxr [--dir DIR] complete ARGS...`, nothing on failure.
_lxr_ask() {
  "${_lxr_prog:-lxr}" "${_lxr_dir[@]}" complete "$@" 2>/dev/null
}

# _lxr_add_matching WORD...: the words that begin with $cur, added to COMPREPLY as they are.
_lxr_add_matching() {
  local w
  for w in "$@"; do
    [[ $w == "$cur"* ]] && COMPREPLY+=("$w")
  done
}

# _lxr_indexes: the library's names that begin with $cur.
_lxr_indexes() {
  local names
  mapfile -t names < <(_lxr_ask indexes)
  _lxr_add_matching "${names[@]}"
}

# _lxr_files [-d]: file (or, with -d, folder) names that begin with $cur.
_lxr_files() {
  local names
  compopt -o filenames 2>/dev/null
  mapfile -t names < <(compgen "${1:--f}" -- "$cur")
  COMPREPLY+=("${names[@]}")
}

_lxr() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}
  local _lxr_prog=${COMP_WORDS[0]} _lxr_dir=() cmd="" cmd_at=0 i w
  COMPREPLY=()
  # The command is the first word that is neither a global option nor its value; a --dir
  # given before it chooses the library whose names are offered.
  for ((i = 1; i < COMP_CWORD; i++)); do
    w=${COMP_WORDS[i]}
    case $w in
      --dir|-dir) ((i + 1 < COMP_CWORD)) && _lxr_dir=(--dir "${COMP_WORDS[i+1]/#\~/$HOME}"); ((i++)) ;;
      --home|--log) ((i++)) ;;
      -*) ;;
      *) cmd=$w; cmd_at=$i; break ;;
    esac
  done

  # The value of an option that takes one, by its placeholder.
  local line flag value=""
  if [[ $prev == -* ]]; then
    while IFS= read -r line; do
      flag=${line%% *}
      [[ $flag == "$prev" && $line == *" "* ]] && value=${line#* }
    done < <(_lxr_ask options "${cmd:-help}")
    case $value in
      "") ;;
      INDEX) _lxr_indexes; _lxr_files -d; return 0 ;;
      DIR|FOLDER) _lxr_files -d; return 0 ;;
      WHEN) _lxr_add_matching auto always never; return 0 ;;
      *"|"*) IFS='|' read -r -a line <<<"$value"; _lxr_add_matching "${line[@]}"; return 0 ;;
      FILE|SCRIPT*|*.*) _lxr_files; return 0 ;;
      *) return 0 ;;
    esac
  fi

  if [[ -z $cmd ]]; then
    if [[ $cur == -* ]]; then
      mapfile -t line < <(_lxr_ask options help)
      _lxr_add_matching "${line[@]%% *}"
    else
      mapfile -t line < <(_lxr_ask commands)
      _lxr_add_matching "${line[@]}"
    fi
    return 0
  fi
  if [[ $cur == -* ]]; then
    mapfile -t line < <(_lxr_ask options "$cmd")
    _lxr_add_matching "${line[@]%% *}"
    return 0
  fi
  # The arguments of the command: index names where an index is asked for, files otherwise.
  local position=$((COMP_CWORD - cmd_at))
  case $cmd in
    help) ((position == 1)) && { mapfile -t line < <(_lxr_ask commands); _lxr_add_matching "${line[@]}"; } ;;
    version) ;;
    remote) ((position == 1)) && _lxr_add_matching topics execute poke ;;
    options) ((position == 1)) && _lxr_add_matching set
             ((position == 2)) && _lxr_add_matching binaryFiles hyphens indexNumbers alphabetName IndexLogLimit ;;
    library) ((position == 1)) && _lxr_add_matching list add remove
             ((position == 2)) && [[ ${COMP_WORDS[cmd_at+1]} == remove ]] && _lxr_indexes
             ((position == 3)) && [[ ${COMP_WORDS[cmd_at+1]} == add ]] && _lxr_files -d ;;
    text|run|show) _lxr_files ;;
    search) ((position > 1)) && { _lxr_indexes; _lxr_files -d; } ;;
    create) ((position == 1)) && _lxr_files -d ;;
    add) if ((position == 1)); then _lxr_indexes; fi; _lxr_files -d ;;
    *) _lxr_indexes; _lxr_files -d ;;
  esac
  return 0
}

complete -F _lxr lxr
