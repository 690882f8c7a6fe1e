# Wine prefixes for the Windows tests: one per build folder, booted once.

# qmon_wine_boot PREFIX: points Wine at PREFIX (exported) and keeps a wineserver
# running for it, so each program starts in a fraction of a second; the server
# ends a minute after its last program, or at qmon_wine_stop. A new prefix is
# created with the null graphics driver; concurrent callers wait for the first.
qmon_wine_boot() {
  export WINEPREFIX=$1 WINEDEBUG=-all
  mkdir -p "$WINEPREFIX"
  (
    flock 9
    # Wine's background processes outlive this call: they must hold neither
    # the lock nor the caller's output (CTest waits for its pipes to close).
    {
      wineserver -p60 || true  # 2: one is running already
      if [ ! -f "$WINEPREFIX/.qmon-booted" ]; then
        wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f
        wineboot -i
        touch "$WINEPREFIX/.qmon-booted"
      fi
    } 9>&- </dev/null >>"$WINEPREFIX/.qmon-boot.log" 2>&1
  ) 9>"$WINEPREFIX/.qmon-lock"
}

# qmon_wine_stop PREFIX: ends the prefix's wineserver and every program in it.
qmon_wine_stop() {
  WINEPREFIX=$1 wineserver -k 2>/dev/null || true
}
