# A private Wine prefix with its own X server, and COM ports mapped to
# pseudo-terminals. COM3 and COM4 carry virtual cameras (0x66 and 0x4B, and
# 0x40) for the end-to-end test. Wine maps the machine's real serial devices to the lowest
# free COM numbers, so every COM1..COM10 is mapped here explicitly: COM1 to
# an echoing pty, the rest to paths that do not exist (their CreateFileA
# succeeds but GetCommState fails, so the program sees no port). COM11, which
# the program never opens, is a pty that takes nothing, so writes to it stall
# once its buffer is full.

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="   # no Mono/Gecko install prompts

_wine_pids=()

wine_session_start() {
  local builddir=$1
  export WINEPREFIX="$builddir/wineprefix"
  export WINEARCH=win64
  local n=99
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  _wine_pids+=($!)
  export DISPLAY=":$n"
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
  fi
  _wine_start_ptyloop "$builddir/ptyloop.out" || return 1
  local pty=$_wine_pty
  _wine_start_ptyloop "$builddir/ptyloop-hold.out" --hold || return 1
  local held=$_wine_pty
  local sim_out="$builddir/camsim.out"
  "$ROOT/build/native/camsim" --profile fast --line 0x66,0x4B --line 0x40 >"$sim_out" 2>&1 &
  _wine_pids+=($!)
  local lines=""
  for _ in $(seq 50); do
    lines=$(grep -c '^line ' "$sim_out" 2>/dev/null || true)
    [ "$lines" = 2 ] && break
    sleep 0.1
  done
  [ "$lines" = 2 ] || { echo "camsim did not start:" >&2; cat "$sim_out" >&2; return 1; }
  wine_map_port 1 "$pty"
  wine_map_port 11 "$held"
  wine_map_port 3 "$(awk '$1 == "line" && $2 == "1:" {sub(/,$/, "", $3); print $3}' "$sim_out")"
  wine_map_port 4 "$(awk '$1 == "line" && $2 == "2:" {sub(/,$/, "", $3); print $3}' "$sim_out")"
  local i
  for i in 2 5 6 7 8 9 10; do wine_map_port "$i" "/dev/orvalix-no-port-$i"; done
  wineserver -k || true
  wineserver -w || true
}

# _wine_start_ptyloop OUTFILE [ARGS]: starts ptyloop; its device in _wine_pty.
_wine_start_ptyloop() {
  local out=$1
  shift
  "$ROOT/build/native/ptyloop" "$@" >"$out" 2>&1 &
  _wine_pids+=($!)
  _wine_pty=""
  for _ in $(seq 50); do _wine_pty=$(head -n1 "$out" 2>/dev/null || true); [ -n "$_wine_pty" ] && break; sleep 0.1; done
  [ -n "$_wine_pty" ] || { echo "ptyloop $* did not start" >&2; return 1; }
}

wine_map_port() {
  wine reg add 'HKLM\Software\Wine\Ports' /v "COM$1" /d "$2" /f >/dev/null 2>&1
}

wine_session_stop() {
  wineserver -k 2>/dev/null || true
  local p
  for p in "${_wine_pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  _wine_pids=()
}
