# The Windows builds: mingw-w64 cross compilers, third-party sources from
# Debian, checks of the binaries. Sourced after common.sh.
source "$QMON_ROOT/scripts/lib/wine.sh"

# Debian packages the Windows builds and their tests need.
QMON_WINDOWS_PACKAGES=(cmake ninja-build file googletest
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine wine64)

# qmon_build_windows ARCH BUILD_DIR [cmake options...]: ARCH is i686 or x86_64.
qmon_build_windows() {
  local arch=$1 dir=$2
  shift 2
  qmon_build "$dir" -DCMAKE_TOOLCHAIN_FILE="$QMON_ROOT/cmake/mingw-$arch.cmake" "$@"
}

# qmon_windows_binaries BUILD_DIR: the files that ship from a Windows build
# folder, one a line (the component's wherever its CMakeLists puts it, but
# not copies the tests made in the Wine prefix).
qmon_windows_binaries() {
  echo "$1/qMonIniWriter.exe"
  find "$1" -path "$1/wine-prefix" -prune -o -name qWbPost.dll -print -quit
}

# qmon_check_windows_binaries ARCH BUILD_DIR: checks every file that ships.
qmon_check_windows_binaries() {
  local files file failed=0
  mapfile -t files < <(qmon_windows_binaries "$2")
  for file in "${files[@]}"; do
    qmon_check_windows_binary "$1" "$file" || failed=1
  done
  return $failed
}

# qmon_check_windows_binary ARCH FILE: fails unless FILE is a Windows binary
# for ARCH that runs on a bare Windows: only system DLLs imported, a version
# resource of this project's version, a program in the GUI subsystem (no
# console window), a DLL's exports undecorated (the x86 calling convention
# otherwise leaks into the names callers look up).
qmon_check_windows_binary() {
  local arch=$1 file=$2 name
  name=$(basename "$file")
  local objdump=$arch-w64-mingw32-objdump windres=$arch-w64-mingw32-windres
  local problems=() type machine
  type=$(file -b "$file")
  case $arch in
    i686) machine='^PE32 executable .*Intel 80386' ;;
    x86_64) machine='^PE32\+ executable .*x86-64' ;;
  esac
  [[ $type =~ $machine ]] || problems+=("not a $arch binary: $type")
  case $name in
    *.exe) [[ $type == *"(GUI)"* ]] || problems+=("not in the GUI subsystem: $type") ;;
    *.dll)
      local decorated
      decorated=$($objdump -p "$file" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' | grep '@' || true)
      [ -z "$decorated" ] || problems+=("decorated export names: $decorated") ;;
  esac
  # Wine ships one DLL for each Windows system DLL, under the same name.
  local system=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows dll
  for dll in $($objdump -p "$file" | sed -n 's/^\tDLL Name: //p'); do
    [ -e "$system/${dll,,}" ] || problems+=("imports $dll, which is no Windows system DLL")
  done
  local version expected
  version=$($windres -i "$file" -O rc 2>/dev/null | sed -n 's/^ *FILEVERSION *//p' | tr -d ' ')
  expected=$(sed -n 's/^project(qMonIniWriter VERSION \([0-9]*\)\.\([0-9]*\)\.\([0-9]*\).*/\1,\2,0,\3/p' \
    "$QMON_ROOT/CMakeLists.txt")
  [ "$version" = "$expected" ] || problems+=("version resource '$version', expected '$expected'")
  if [ ${#problems[@]} -gt 0 ]; then
    local problem
    for problem in "${problems[@]}"; do echo "$file: $problem" >&2; done
    return 1
  fi
  echo "$file: $type, version $version"
}
