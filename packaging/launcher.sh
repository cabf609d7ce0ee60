#!/bin/sh
# Installed as PREFIX/bin/torvane: starts the window of PREFIX/lib/torvane/ in
# the user's own folder ($XDG_CONFIG_HOME/torvane, else ~/.config/torvane),
# where it keeps its settings file Torvane.cfg. On the first start the folder
# and the settings file are made, in the language of the user's locale:
# Castellano for a Spanish one, English for any other.
#   torvane [FILE]
#   torvane --batch RULE FOLDER_OR_FILE... [--output DIR]
#   torvane --help | --version

program="$(dirname "$(readlink -f "$0")")/../lib/torvane/torvane"

case ${XDG_CONFIG_HOME:-} in
    /*) folder="$XDG_CONFIG_HOME/torvane" ;;
    *) folder="${HOME:-}/.config/torvane" ;;
esac

# The language of messages, as the locale rules rank the variables.
language_word() {
    case ${LC_ALL:-${LC_MESSAGES:-${LANG:-}}} in
        es | es_* | es.* | es@*) echo Castellano ;;
        *) echo English ;;
    esac
}

# Asked only for its help or version, or for a batch without a window, the
# program starts where it was asked to: its paths are read there, and no
# folder is made for it.
case ${1:-} in
    --help | -h | --version | --batch) exec "$program" "$@" ;;
esac

# A file named relative to where the user stands stays the same file once the
# window starts in the user's folder.
for argument do
    shift
    case $argument in
        /* | -*) ;;
        *) [ -e "$argument" ] && argument="$PWD/$argument" ;;
    esac
    set -- "$@" "$argument"
done

# Where the folder cannot be made, the window starts where it was asked to
# and says itself what it misses.
if mkdir -p "$folder" && cd "$folder"; then
    [ -e Torvane.cfg ] || printf '%s\r\n' "$(language_word)" >Torvane.cfg
fi
exec "$program" "$@"
