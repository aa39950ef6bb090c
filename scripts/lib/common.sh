# Shared by the scripts: package installation and the build folders.
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
jobs=$(nproc 2>/dev/null || echo 4)

BUILD_PACKAGES=(cmake g++ ninja-build pkg-config libgtest-dev libgmock-dev libbenchmark-dev libsqlite3-dev
  libxml2-dev libssl-dev duktape-dev)
TEST_PACKAGES=(python3 python3-pil libxml2-utils tzdata imagemagick libimage-exiftool-perl liblnk-utils icoutils python3-gi
  gir1.2-gdkpixbuf-2.0)
CHECK_PACKAGES=(git clang-format)

# need_packages PKG...: installs the Debian packages that are missing; quiet when all are there.
need_packages() {
  local missing=()
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  if [ -z "${VANDREL_APT_UPDATED:-}" ]; then
    $sudo apt-get update -qq >/dev/null
    export VANDREL_APT_UPDATED=1
  fi
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# configure_build DIR [cmake args...]: configures DIR when needed, then builds it.
configure_build() {
  local dir=$1
  shift
  if [ ! -f "$dir/build.ninja" ]; then
    local launcher=()
    # A compiler cache where the machine has one (a developer's; CI builds without).
    command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    cmake -S "$top" -B "$dir" -G Ninja "${launcher[@]}" "$@" >/dev/null
  fi
  # -l: start no new job while the load is far above the cores (several builds may share the machine)
  cmake --build "$dir" -j "$jobs" -- -l $((jobs * 2))
}
