# bash completion for namefold: its commands, each command's options and the library's field
# names. The options are read from the program's own help, the fields from `namefold info`.
_namefold() {
  local current=${COMP_WORDS[COMP_CWORD]} previous=${COMP_WORDS[COMP_CWORD-1]}
  local program=${COMP_WORDS[0]} command="" word i
  for ((i = 1; i < COMP_CWORD; i++)); do
    word=${COMP_WORDS[i]}
    case $word in
      check|convert|info|rename|tables|text|help) command=$word; break ;;
      --) break ;;
    esac
  done

  case $previous in
    --fields|--field)
      local fields
      fields=$("$program" info 2>/dev/null | sed -n 's/^fields: *//p' |
        tr ' ' '\n' | grep -v '^[0-9]*$')
      if [[ $previous == --fields && $current == *,* ]]; then
        local prefix=${current%,*},
        COMPREPLY=($(compgen -P "$prefix" -W "$fields" -- "${current##*,}"))
      else
        COMPREPLY=($(compgen -W "$fields" -- "$current"))
      fi
      return ;;
    --with)
      local overlays
      overlays=$("$program" tables --list 2>/dev/null)
      COMPREPLY=($(compgen -W "$overlays" -- "${current##*,}"))
      [[ $current == *,* ]] && COMPREPLY=("${COMPREPLY[@]/#/${current%,*},}")
      return ;;
    --locale)
      COMPREPLY=($(compgen -W "$(locale -a 2>/dev/null)" -- "$current"))
      return ;;
    --plugin|--journal|--undo|--from0|--output|-o)
      COMPREPLY=($(compgen -f -- "$current"))
      return ;;
    --out)
      COMPREPLY=($(compgen -d -- "$current"))
      return ;;
    --from-code-page)
      return ;;
  esac

  if [[ $command == help ]]; then
    COMPREPLY=($(compgen -W "check convert info rename tables text" -- "$current"))
  elif [[ $current == -* ]]; then
    local options
    options=$("$program" ${command:+"$command"} --help 2>/dev/null |
      grep -o -- '--[a-z0-9][a-z0-9-]*' | sort -u)
    COMPREPLY=($(compgen -W "$options" -- "$current"))
  elif [[ -z $command ]]; then
    COMPREPLY=($(compgen -W "check convert info rename tables text help" -- "$current")
               $(compgen -f -- "$current"))
  elif [[ $command != info && $command != text ]]; then
    COMPREPLY=($(compgen -f -- "$current"))
  fi
}
complete -o filenames -F _namefold namefold
