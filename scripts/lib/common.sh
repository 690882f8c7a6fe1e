# Shared by the README's commands: install what is missing, configure, build.
set -euo pipefail

QMON_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# Debian packages the build, the tests and the demo need.
QMON_PACKAGES=(g++ cmake ninja-build pkg-config libgtest-dev libgmock-dev
  libssl-dev libcurl4 libcpp-httplib-dev libbenchmark-dev
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

# qmon_debian_source PACKAGE: prints the folder of PACKAGE's Debian source
# tree, fetched the first time with `apt-get source` through an apt
# configuration of its own (the machine's apt sources and state stay
# untouched). CMake calls it for pugixml.
qmon_debian_source() {
  local package=$1 tree
  # No build-deps/ yet is no tree yet.
  tree=$(find "$QMON_DEPS" -mindepth 1 -maxdepth 1 -type d -name "$package-[0-9]*" 2>/dev/null | head -n 1 || true)
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
    (cd "$scratch" && apt-get "${opts[@]}" source "$package") >&2
    tree=$(find "$scratch" -mindepth 1 -maxdepth 1 -type d -name "$package-[0-9]*")
    mv "$tree" "$QMON_DEPS/"
    tree=$QMON_DEPS/$(basename "$tree")
    rm -rf "$scratch"
  fi
  echo "$tree"
}

# The libcurl the program links for http:// posts: Debian's curl source built
# for plain HTTP alone. The system's libcurl, loaded only for what this one
# cannot do (https, an HTTPS proxy), pulls in some thirty libraries and sets
# up OpenSSL, which costs more than a whole run of a few script jobs.
QMON_CURL_HTTP_OPTIONS=(--disable-shared --enable-static --with-pic
  --disable-dependency-tracking --enable-threaded-resolver --with-zlib
  --without-ssl --without-libidn2 --without-nghttp2 --without-libpsl --without-brotli
  --without-zstd --without-libssh2 --without-libssh --without-librtmp --without-gssapi
  --disable-ldap --disable-ldaps --disable-rtsp --disable-dict --disable-telnet --disable-tftp
  --disable-pop3 --disable-imap --disable-smb --disable-smtp --disable-gopher --disable-mqtt
  --disable-ftp --disable-file --disable-manual --disable-docs)

# qmon_curl_http: prints the folder where that libcurl is installed (include/,
# lib/libcurl.a), built the first time. CMake calls it.
qmon_curl_http() {
  local tag prefix
  tag=$(printf '%s\n' "${QMON_CURL_HTTP_OPTIONS[@]}" | md5sum | cut -c1-8)
  prefix=$QMON_DEPS/curl-http-$tag
  if [ ! -f "$prefix/lib/libcurl.a" ]; then
    qmon_install_packages make gcc zlib1g-dev >&2
    local tree scratch
    tree=$(qmon_debian_source curl)
    # Built and installed aside first: an interrupted build leaves nothing behind.
    scratch=$(mktemp -d "$QMON_DEPS/curl-build.XXXXXX")
    if ! (cd "$scratch" && "$tree/configure" --prefix="$scratch/out" \
            "${QMON_CURL_HTTP_OPTIONS[@]}" && make -j"$(nproc)" -C lib install &&
          make -C include install) >"$scratch/build.log" 2>&1; then
      tail -n 30 "$scratch/build.log" >&2
      return 1
    fi
    rm -rf "$prefix"
    mv "$scratch/out" "$prefix"
    rm -rf "$scratch"
  fi
  echo "$prefix"
}

# qmon_build BUILD_DIR [cmake options...]
qmon_build() {
  local dir=$1
  shift
  cmake -S "$QMON_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir"
}
