# Shared by the README's commands: install what is missing, configure, build.
set -euo pipefail

QMON_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# Debian packages the build, the tests and the demo need.
QMON_PACKAGES=(g++ cmake ninja-build pkg-config libgtest-dev libgmock-dev
  libssl-dev libcurl4-openssl-dev libcpp-httplib-dev libbenchmark-dev
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

# Third-party source trees, fetched once and kept across builds.
QMON_DEPS=$QMON_ROOT/build-deps

# qmon_pugixml_source: prints the folder of pugixml's source tree, fetched the
# first time with `apt-get source` through an apt configuration of its own
# (the machine's apt sources and state stay untouched). CMake calls it.
qmon_pugixml_source() {
  local tree
  # No build-deps/ yet is no tree yet.
  tree=$(find "$QMON_DEPS" -mindepth 1 -maxdepth 1 -type d -name 'pugixml-*' 2>/dev/null | head -n 1 || true)
  if [ -z "$tree" ]; then
    qmon_install_packages dpkg-dev xz-utils debian-archive-keyring >&2
    local apt=$QMON_DEPS/apt
    mkdir -p "$apt/lists/partial" "$apt/cache" "$apt/sources.list.d"
    echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg]" \
      "http://deb.debian.org/debian bookworm main" >"$apt/sources.list"
    # As root apt downloads as the user _apt, who may not reach this folder.
    local opts=(-qq -o Dir::Etc::SourceList="$apt/sources.list"
      -o Dir::Etc::SourceParts="$apt/sources.list.d" -o Dir::State::Lists="$apt/lists"
      -o Dir::Cache="$apt/cache" -o APT::Sandbox::User=root)
    apt-get "${opts[@]}" update >&2
    # Unpacked aside first: an interrupted fetch leaves no tree behind.
    local scratch
    scratch=$(mktemp -d "$QMON_DEPS/fetch.XXXXXX")
    (cd "$scratch" && apt-get "${opts[@]}" source pugixml) >&2
    tree=$(find "$scratch" -mindepth 1 -maxdepth 1 -type d -name 'pugixml-*')
    mv "$tree" "$QMON_DEPS/"
    tree=$QMON_DEPS/$(basename "$tree")
    rm -rf "$scratch"
  fi
  echo "$tree"
}

# qmon_build BUILD_DIR [cmake options...]
qmon_build() {
  local dir=$1
  shift
  cmake -S "$QMON_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir"
}
