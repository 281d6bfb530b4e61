# bash completion for kestrel-gen: commands, options, the models of the
# device folders and the commands, values and buttons of the model typed.
# kestrel-gen itself answers (kestrel-gen __complete bash LINE) from its
# command table, with each candidate quoted as bash reads it.
_kestrel_gen() {
    local program=${COMP_WORDS[0]} line=${COMP_LINE:0:COMP_POINT} mode candidate
    local -a answer=()
    while IFS= read -r candidate; do
        answer+=("$candidate")
    done < <("$program" __complete bash "$line" 2>/dev/null)
    [ ${#answer[@]} -gt 0 ] || return 0
    mode=${answer[0]}
    COMPREPLY=("${answer[@]:1}")
    case $mode in
        files)
            compopt -o filenames 2>/dev/null
            while IFS= read -r candidate; do
                COMPREPLY+=("$candidate")
            done < <(compgen -f -- "${COMP_WORDS[COMP_CWORD]}")
            ;;
        dirs)
            compopt -o filenames 2>/dev/null
            while IFS= read -r candidate; do
                COMPREPLY+=("$candidate")
            done < <(compgen -d -- "${COMP_WORDS[COMP_CWORD]}")
            ;;
    esac
    return 0
}
complete -F _kestrel_gen kestrel-gen
