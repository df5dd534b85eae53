#!/bin/sh
# wine-session.sh RUN PREFIX COMMAND...: runs COMMAND with one wineserver kept
# up for the prefix throughout, then ends the prefix's session and that
# server by its process id. RUN is the build's wine-run.sh.
set -u
run=$1
prefix=$2
shift 2
mkdir -p "$prefix"
WINEPREFIX=$prefix /usr/lib/wine/wineserver -f -p &
server=$!
# The prefix's first start (about 10 s) and the services it leaves running,
# away from the output pipes the command's tests are read through.
"$run" wineboot --init >/dev/null 2>&1 </dev/null
"$@"
status=$?
# The services the prefix started end with the session; whatever is left
# is ended by this prefix's server before the server itself.
"$run" wineboot --end-session --shutdown --force >/dev/null 2>&1 </dev/null
WINEPREFIX=$prefix /usr/lib/wine/wineserver -k 2>/dev/null
kill "$server" 2>/dev/null
wait "$server" 2>/dev/null
exit $status
