# Shared by the README's commands: install what is missing, configure, build.
set -euo pipefail

QMON_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# Debian packages the build, the tests and the demo need.
QMON_PACKAGES=(g++ cmake ninja-build pkg-config libgtest-dev libgmock-dev
  libpugixml-dev libssl-dev libcurl4-openssl-dev libcpp-httplib-dev libbenchmark-dev
  strace)

# qmon_install_packages [PACKAGE...]: installs those missing of the packages
# named, by default QMON_PACKAGES.
qmon_install_packages() {
  [ $# -gt 0 ] || set -- "${QMON_PACKAGES[@]}"
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}

# qmon_build BUILD_DIR [cmake options...]
qmon_build() {
  local dir=$1
  shift
  cmake -S "$QMON_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir"
}
