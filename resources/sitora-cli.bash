# bash completion for sitora-cli: commands, options, formats and lists.
_sitora_cli() {
    local cur prev command
    cur="${COMP_WORDS[COMP_CWORD]}"
    prev="${COMP_WORDS[COMP_CWORD-1]}"
    command="${COMP_WORDS[1]}"
    if [ "$COMP_CWORD" -eq 1 ]; then
        COMPREPLY=($(compgen -W "check due key list protect show export compact newdb import import-access --help" -- "$cur"))
        return
    fi
    case "$prev" in
        --folder) COMPREPLY=($(compgen -d -- "$cur")); return ;;
        --out|--from|--template) COMPREPLY=($(compgen -f -- "$cur")); return ;;
        --server|--address|--whois) return ;;
        --bootstrap) COMPREPLY=($(compgen -f -- "$cur")); return ;;
        --list) COMPREPLY=($(compgen -W "main expiry" -- "$cur")); return ;;
        --as-of) return ;;
        --format)
            case "$command" in
                export) COMPREPLY=($(compgen -W "xls csv htm rtf txt" -- "$cur")) ;;
                show) COMPREPLY=($(compgen -W "text json" -- "$cur")) ;;
                *) COMPREPLY=($(compgen -W "text csv json" -- "$cur")) ;;
            esac
            return ;;
    esac
    local options="--folder --password-stdin --help"
    case "$command" in
        check) options+=" --address --refresh --quiet --format --as-of --bootstrap --whois" ;;
        due) options+=" --format --as-of --notify" ;;
        list) options+=" --format" ;;
        protect) options+=" --leave-other-keys" ;;
        key) options+=" --to-keyring --to-file" ;;
        show) options+=" --format --reveal" ;;
        export) options+=" --list --format --out --as-of" ;;
        import) options+=" --dry-run --skip-refused --template"; [[ "$cur" != -* ]] && { COMPREPLY=($(compgen -f -- "$cur")); return; } ;;
        import-access) options+=" --out"; [[ "$cur" != -* ]] && { COMPREPLY=($(compgen -f -- "$cur")); return; } ;;
        newdb) options+=" --server --from"; [[ "$cur" != -* ]] && { COMPREPLY=($(compgen -f -- "$cur")); return; } ;;
    esac
    COMPREPLY=($(compgen -W "$options" -- "$cur"))
}
complete -F _sitora_cli sitora-cli
