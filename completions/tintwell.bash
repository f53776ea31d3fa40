# bash completion for tintwell                              -*- shell-script -*-

# The theme names, one a line, as they are on disk: never a download, so a
# slow network cannot hold the prompt up. timeout runs
# the program itself, never a shell function of the same name.
_tintwell_themes()
{
    timeout 2 tintwell --list --cached 2>/dev/null
}

# The words of the line up to the cursor as the shell will read them:
# quotes and backslashes taken off, nothing expanded. Sets _tintwell_raw
# (the last word as typed) and _tintwell_args (every word, unquoted).
_tintwell_split()
{
    local line=$1 i c quote= word= raw= started=
    _tintwell_args=()
    for ((i = 0; i < ${#line}; i++)); do
        c=${line:i:1}
        if [[ -z $quote && ( $c == ' ' || $c == $'\t' ) ]]; then
            [[ -n $started ]] && _tintwell_args+=("$word")
            word= raw= started=
            continue
        fi
        started=1 raw+=$c
        if [[ $quote == "'" ]]; then
            if [[ $c == "'" ]]; then quote=; else word+=$c; fi
        elif [[ $quote == '"' ]]; then
            if [[ $c == '"' ]]; then
                quote=
            elif [[ $c == '\' && $((i + 1)) -lt ${#line} && ${line:i+1:1} == [\$\`\"\\] ]]; then
                ((i++)); raw+=${line:i:1}; word+=${line:i:1}
            else
                word+=$c
            fi
        elif [[ $c == "'" || $c == '"' ]]; then
            quote=$c
        elif [[ $c == '\' ]]; then
            if ((i + 1 < ${#line})); then ((i++)); raw+=${line:i:1}; word+=${line:i:1}; fi
        else
            word+=$c
        fi
    done
    _tintwell_args+=("$word")
    _tintwell_raw=$raw
}

# Where readline starts the text it replaces in the word `raw`: after its
# last word break character (= and : among them) that is not quoted, or
# after an opening quote left open. Sets _tintwell_start and _tintwell_open.
_tintwell_word_start()
{
    local raw=$1 i c quote= breaks=${COMP_WORDBREAKS//[\"\']/}
    _tintwell_start=0 _tintwell_open=
    local opened=0
    for ((i = 0; i < ${#raw}; i++)); do
        c=${raw:i:1}
        if [[ $quote == "'" ]]; then
            [[ $c == "'" ]] && quote=
        elif [[ $quote == '"' ]]; then
            if [[ $c == '\' ]]; then ((i++)); elif [[ $c == '"' ]]; then quote=; fi
        elif [[ $c == '\' ]]; then
            ((i++))
        elif [[ $c == "'" || $c == '"' ]]; then
            quote=$c opened=$((i + 1))
        elif [[ $breaks == *"$c"* ]]; then
            _tintwell_start=$((i + 1))
        fi
    done
    if [[ -n $quote ]]; then _tintwell_start=$opened _tintwell_open=$quote; fi
}

# `text` quoted to follow what is typed: inside an open single or double
# quote, or with backslashes, so that the shell reads one word, unexpanded.
_tintwell_quote()
{
    local text=$1
    case $2 in
        "'") printf '%s' "${text//\'/\'\\\'\'}" ;;
        '"') text=${text//\\/\\\\}; text=${text//\"/\\\"}; text=${text//\$/\\\$}
             printf '%s' "${text//\`/\\\`}" ;;
        *) printf '%q' "$text" ;;
    esac
}

_tintwell()
{
    local cur=${COMP_WORDS[COMP_CWORD]}
    _tintwell_split "${COMP_LINE:0:COMP_POINT}"
    local count=${#_tintwell_args[@]}
    local typed=${_tintwell_args[count-1]} prev= prefix= raw=$_tintwell_raw
    ((count >= 2)) && prev=${_tintwell_args[count-2]}
    case $typed in
        --theme=* | --wallpaper=* | --palette=* | --check-templates=* | --print-template=*)
            prev=${typed%%=*} prefix=${typed%%=*}= typed=${typed#*=} ;;
    esac
    case $prev in
        --print-template)
            COMPREPLY=($(compgen -W 'dunst fuzzel hyprlock mako qt5ct rofi swaync tmux wofi zathura' -- "$typed"))
            return
            ;;
        --theme | --check-templates)
            # The reply replaces only what readline takes as the word: the
            # part before it stays as typed and is left out of the reply.
            _tintwell_word_start "$raw"
            _tintwell_split "${raw:0:_tintwell_start}"
            local kept=${_tintwell_args[0]} name full
            COMPREPLY=()
            while IFS= read -r name; do
                [[ $name == "$typed"* ]] || continue
                full=$prefix$name
                [[ $full == "$kept"* ]] && COMPREPLY+=("$(_tintwell_quote "${full:${#kept}}" "$_tintwell_open")")
            done < <(_tintwell_themes)
            return
            ;;
        --wallpaper | --palette)
            # bash quotes file names itself.
            compopt -o filenames 2>/dev/null
            mapfile -t COMPREPLY < <(compgen -f -- "$typed")
            return
            ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W '--theme --wallpaper --with-theme --light --palette --list --json --cached --current
                                  --templates --check-templates --print-template --apply --help --version' -- "$cur"))
    fi
}

complete -F _tintwell tintwell
