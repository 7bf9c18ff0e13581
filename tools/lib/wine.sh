# Wine for tools/test and tools/run: a private prefix, an X server of our own
# when there is no display, virtual cameras on pseudo-terminals, and every
# COM1..COM10 mapped explicitly. Wine would otherwise map the machine's real
# serial devices to the lowest free COM numbers; ports without a line go to a
# path that does not exist (CreateFileA succeeds, GetCommState fails, so the
# program sees no port).
# Needs ROOT (the source tree) and the native build (camsim).

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="   # no Mono/Gecko install prompts

_wine_pids=()

# wait_until SECONDS COMMAND...: polls COMMAND every 0.1 s until it succeeds.
wait_until() {
  local tenths=$(($1 * 10))
  shift
  local i
  for ((i = 0; i < tenths; i++)); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

# wine_prefix DIR: uses (creating it the first time) the 64-bit prefix DIR.
wine_prefix() {
  export WINEPREFIX=$1
  export WINEARCH=win64
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
  fi
  # Debian keeps Wine's own fonts (Tahoma, Marlett for the title bar buttons)
  # where its Wine does not look; the prefix's font folder is always searched.
  local font fonts="$WINEPREFIX/drive_c/windows/Fonts"
  [ -d "$fonts" ] || return 0
  for font in /usr/share/wine/fonts/*.ttf; do
    if [ -e "$font" ] && [ ! -e "$fonts/${font##*/}" ]; then ln -s "$font" "$fonts/"; fi
  done
}

# wine_xvfb_start: a virtual X server on the first free display, as DISPLAY.
wine_xvfb_start() {
  local n=99
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  _wine_pids+=($!)
  export DISPLAY=":$n"
  wait_until 10 test -e "/tmp/.X11-unix/X$n" || { echo "Xvfb did not start on :$n" >&2; return 1; }
}

_lines_announced() { [ "$(grep -c '^line ' "$1" 2>/dev/null)" = "$2" ]; }

# wine_camsim_start OUT ARGS...: runs camsim with ARGS, its output in OUT,
# until every --line is announced.
wine_camsim_start() {
  local out=$1
  shift
  local lines=0 arg
  for arg in "$@"; do [ "$arg" = --line ] && lines=$((lines + 1)); done
  "$ROOT/build/native/camsim" "$@" >"$out" 2>&1 &
  _wine_pids+=($!)
  wait_until 10 _lines_announced "$out" "$lines" || { echo "camsim did not start:" >&2; cat "$out" >&2; return 1; }
}

# wine_camsim_device OUT N: the device of camsim's line N.
wine_camsim_device() {
  awk -v n="$2:" '$1 == "line" && $2 == n {sub(/,$/, "", $3); print $3}' "$1"
}

_first_line() { [ -n "$(head -n1 "$1" 2>/dev/null)" ]; }

# wine_ptyloop_start OUT [--hold]: an echoing pseudo-terminal (with --hold one
# that takes nothing, so writes to it stall); its device is OUT's first line.
wine_ptyloop_start() {
  local out=$1
  shift
  python3 "$ROOT/tools/lib/ptyloop.py" "$@" >"$out" 2>&1 &
  _wine_pids+=($!)
  wait_until 10 _first_line "$out" || { echo "ptyloop $* did not start" >&2; return 1; }
}

# wine_ports_reg DEVICE...: registry text that maps COM1, COM2, ... to the
# devices given in order and the remaining ports up to COM10 to nothing; an
# eleventh device maps COM11, a port the program never opens.
wine_ports_reg() {
  printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\n'
  local i
  for i in $(seq 10); do
    local device=${!i:-/dev/orvalix-no-port-$i}
    printf '"COM%d"="%s"\n' "$i" "$device"
  done
  if [ -n "${11:-}" ]; then printf '"COM11"="%s"\n' "${11}"; fi
}

# wine_map_ports DEVICE...: applies wine_ports_reg. No window manager runs on
# the tests' X server, so windows are unmanaged: Wine shows them at once
# instead of waiting seconds for a manager that never comes.
wine_map_ports() {
  local reg="$WINEPREFIX/orvalix-ports.reg"
  {
    wine_ports_reg "$@"
    printf '\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\n"Managed"="N"\n'
  } >"$reg"
  wine_reg_import "$reg"
}

# wine_reg_import FILE: imports a REGEDIT4 file, then restarts the Wine server,
# which reads the port mapping when it starts.
wine_reg_import() {
  wine reg import "$1" >/dev/null 2>&1 || { echo "wine reg import $1 failed" >&2; return 1; }
  wineserver -k || true
  wineserver -w || true
}

# wine_session_start BUILDDIR: the Windows tests' session. COM1 carries cameras
# 0x66 and 0x4B, COM2 a 0x5F, COM3 an echoing pty, COM11 a pty that takes
# nothing; a 0x67 answers VISCA over IP on 127.0.0.1 at the address in
# ORVALIX_CAMSIM_NETWORK (HOST:PORT, for an orvalix.ini); camsim writes every
# byte to the transcript named by ORVALIX_CAMSIM_TRANSCRIPT (a Windows path).
# COM2 goes through camsim's link ORVALIX_COM2_LINK, so a test may put a
# camsim of its own (ORVALIX_CAMSIM) there that unplugs the line and plugs it
# back.
wine_session_start() {
  local builddir=$1
  wine_xvfb_start || return 1
  wine_prefix "$builddir/wineprefix"
  wine_ptyloop_start "$builddir/ptyloop.out" || return 1
  wine_ptyloop_start "$builddir/ptyloop-hold.out" --hold || return 1
  local transcript="$builddir/camsim-transcript.txt"
  local com2="$builddir/com2.link"
  wine_camsim_start "$builddir/camsim.out" --profile fast --transcript "$transcript" \
    --line 0x66,0x4B --line 0x5F --link "$com2" --line 0x67 --udp 0 || return 1
  local none=()
  local i
  for i in $(seq 4 10); do none+=("/dev/orvalix-no-port-$i"); done
  wine_map_ports "$(wine_camsim_device "$builddir/camsim.out" 1)" "$com2" \
    "$(head -n1 "$builddir/ptyloop.out")" "${none[@]}" "$(head -n1 "$builddir/ptyloop-hold.out")" || return 1
  export ORVALIX_CAMSIM_TRANSCRIPT="Z:$transcript"
  ORVALIX_CAMSIM_NETWORK=$(awk '$1 == "line" && $2 == "3:" {sub(/,$/, "", $4); print $4}' "$builddir/camsim.out")
  export ORVALIX_CAMSIM_NETWORK
  export ORVALIX_COM2_LINK="$com2"
  export ORVALIX_CAMSIM="$ROOT/build/native/camsim"
}

# wine_session_stop: ends the prefix's Wine processes and everything started here.
wine_session_stop() {
  wineserver -k 2>/dev/null || true
  local p
  for p in "${_wine_pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  _wine_pids=()
}
