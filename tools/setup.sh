#!/bin/sh
# Installs what building and testing need on a Debian machine, when it is missing.
#   tools/setup.sh native   the Linux build and the demo
#   tools/setup.sh all      also the sanitizer and Windows builds, Wine, benchmarks and fuzzing
set -eu
what=${1:-all}

packages="cmake ninja-build g++ libgtest-dev libpugixml-dev"
if [ "$what" = all ]; then
  packages="$packages googletest g++-mingw-w64-x86-64-posix wine64 libbenchmark-dev clang-14 libclang-rt-14-dev valgrind"
fi

missing=""
for package in $packages; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  case "$status" in
    *"install ok installed"*) ;;
    *) missing="$missing $package" ;;
  esac
done

if [ -n "$missing" ]; then
  echo "setup: installing$missing"
  if [ "$(id -u)" -ne 0 ]; then
    echo "setup: these packages are missing and installing them needs root:$missing" >&2
    exit 1
  fi
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing
fi

# The Windows build compiles pugixml from Debian's source package, since Debian ships it
# only for Linux. It goes into the build folder, through an apt configuration of its own
# so that the machine's package sources stay as they are.
if [ "$what" = all ] && ! ls build/third_party/pugixml-*/src/pugixml.cpp >/dev/null 2>&1; then
  echo "setup: fetching pugixml's sources for the Windows build"
  apt_dir=$(pwd)/build/third_party/apt
  mkdir -p "$apt_dir/lists/partial" "$apt_dir/sources.list.d"
  cat > "$apt_dir/sources.list.d/debian-src.sources" <<SOURCES
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
  set -- -qq -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$apt_dir/sources.list.d" \
         -o Dir::State::Lists="$apt_dir/lists"
  apt-get "$@" update
  (cd build/third_party && apt-get "$@" source --download-only pugixml 2>/dev/null \
     && tar xzf pugixml_*.orig.tar.gz && rm -f pugixml_*)
  ls build/third_party/pugixml-*/src/pugixml.cpp >/dev/null
fi
