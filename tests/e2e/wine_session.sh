#!/bin/sh
# Starts or ends the Wine session that the Windows end-to-end tests share.
#   wine_session.sh start: keeps one wineserver running for $WINEPREFIX (so
#     that each start of quernel.exe takes a fraction of a second instead of
#     several) and creates the prefix when it is new.
#   wine_session.sh stop: ends that wineserver and whatever runs in the prefix.
# QUERNEL_WINESERVER and QUERNEL_WINE64 name the server and the 64-bit
# loader; the prefix is made with the 64-bit loader, which runs wherever Wine
# runs at all.
set -eu
case "${1:-}" in
  start)
    mkdir -p "$WINEPREFIX"
    # Both are detached from our output: CTest reads it until every holder has
    # closed it, and the server and the services that wineboot starts live on.
    # The server fails to start when one runs for the prefix already; that one
    # serves then.
    "$QUERNEL_WINESERVER" --persistent=60 </dev/null >/dev/null 2>&1 || true
    "$QUERNEL_WINE64" wineboot --init </dev/null >/dev/null 2>&1
    ;;
  stop)
    "$QUERNEL_WINESERVER" --kill || true
    ;;
  *)
    echo "usage: $0 start|stop" >&2
    exit 2
    ;;
esac
