#!/bin/sh
# wine-session.sh PREFIX COMMAND...: runs COMMAND with one wineserver kept up
# for the prefix throughout, then ends that server by its process id.
set -u
prefix=$1
shift
mkdir -p "$prefix"
WINEPREFIX=$prefix /usr/lib/wine/wineserver -f -p &
server=$!
"$@"
status=$?
kill "$server" 2>/dev/null
wait "$server" 2>/dev/null
exit $status
