# Installs the Debian packages a script needs, only those missing.
# install_missing GROUP...   groups: build, wine, screenshot, fuzz

_pkg_installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

install_missing() {
  local pkgs=()
  local group
  for group in "$@"; do
    case "$group" in
      build) pkgs+=(cmake g++ make googletest libgtest-dev g++-mingw-w64-x86-64-posix python3) ;;
      wine) pkgs+=(wine wine64 xvfb xauth) ;;
      screenshot) pkgs+=(imagemagick) ;;
      # clang with libFuzzer and the sanitizer runtimes
      fuzz) pkgs+=(clang libclang-rt-14-dev) ;;
    esac
  done
  local missing=()
  local p
  for p in "${pkgs[@]}"; do _pkg_installed "$p" || missing+=("$p"); done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "== installing: ${missing[*]}"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y "${missing[@]}"
}
