# bash completion for tintwell                              -*- shell-script -*-

# The theme names, one a line. --list never opens the Switcher; the time
# limit keeps a slow network (a stale index is refreshed once) from
# holding the prompt up.
_tintwell_themes()
{
    timeout 2 tintwell --list 2>/dev/null
}

_tintwell()
{
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}
    # bash splits --theme=NAME at the equals sign.
    if [[ $prev == = && $COMP_CWORD -ge 2 ]]; then
        prev=${COMP_WORDS[COMP_CWORD-2]}
    fi
    case $prev in
        --theme)
            local name quoted
            COMPREPLY=()
            while IFS= read -r name; do
                [[ $name == "$cur"* ]] || continue
                # One word, whatever the name holds (spaces, quotes).
                printf -v quoted '%q' "$name"
                COMPREPLY+=("$quoted")
            done < <(_tintwell_themes)
            return
            ;;
        --wallpaper)
            compopt -o filenames 2>/dev/null
            COMPREPLY=($(compgen -f -- "$cur"))
            return
            ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W '--theme --wallpaper --list --json --current --apply --help --version' -- "$cur"))
    fi
}

complete -F _tintwell tintwell
