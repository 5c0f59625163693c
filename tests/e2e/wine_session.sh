#!/bin/sh
# Starts or ends the Wine session that the Windows end-to-end tests share.
#   wine_session.sh start: keeps one wineserver running for $WINEPREFIX (so
#     that each start of quernel.exe takes a fraction of a second instead of
#     several) and creates the prefix when it is new.
#   wine_session.sh stop: ends that wineserver and whatever runs in the prefix.
set -eu
case "${1:-}" in
  start)
    mkdir -p "$WINEPREFIX"
    # Detached from our output, which CTest reads until every holder closes it.
    # It fails when a server runs for the prefix already; that one serves.
    wineserver --persistent=60 </dev/null >/dev/null 2>&1 || true
    wineboot --init
    ;;
  stop)
    wineserver --kill || true
    ;;
  *)
    echo "usage: $0 start|stop" >&2
    exit 2
    ;;
esac
