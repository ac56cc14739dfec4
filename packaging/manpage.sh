#!/bin/sh
# manpage.sh PROGRAM OUT DESCRIPTION: writes PROGRAM's manual page, gzipped, to OUT. The page is
# help2man's rendering of --help and --version; a program with subcommands gets a COMMANDS
# section holding each subcommand's own --help, so that the page says all the help says.
set -eu
program=$1
out=$2
description=$3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

set -- --no-info --name="$description" --output="$work/page"
subcommands=$("$program" --help | sed -n '/^Subcommands:/,/^$/s/^  \([a-z][a-z0-9-]*\) .*/\1/p')
if [ -n "$subcommands" ]; then
    set -- "$@" --include="$work/include"
    echo '[COMMANDS]' >"$work/include"
    for sub in $subcommands; do
        printf '.SS "%s"\n.nf\n' "$sub"
        # Shown as written: backslashes escaped, no line read as a request.
        "$program" "$sub" --help | sed -e 's/\\/\\e/g' -e "s/^[.']/\\\\\\&&/"
        printf '.fi\n'
    done >>"$work/include"
fi

help2man "$@" "$program"
gzip -9n -c "$work/page" >"$out"
