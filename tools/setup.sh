#!/bin/sh
# Installs what building and testing need on a Debian machine, when it is missing.
#   tools/setup.sh native   the Linux build and the demo
#   tools/setup.sh all      also the sanitizer and Windows builds, Wine, benchmarks, fuzzing
#                           the package (zip, MinGW-w64 strip and objcopy), and Chromium for
#                           the browser test of the served page
# Both also install the npm packages that package-lock.json pins: three.js for the page
# of `pellucid-host serve`, playwright-core for its browser test.
set -eu
what=${1:-all}

# pellucid-host reads its arguments with CLI11; the page server (host/serve) is built on
# cpp-httplib and nlohmann-json, validate on nlohmann-json and libelf; the tests read the
# host's scene files back with python3's XML parser and validate's JUnit reports with
# xmllint (libxml2-utils), each a second parser beside the host's own; node and npm bring
# the page's npm packages, from Debian when the machine has none of its own.
# pugixml is not among them: its sources are in third_party/.
packages="cmake ninja-build g++ libgtest-dev libcli11-dev libcpp-httplib-dev nlohmann-json3-dev libelf-dev libxml2-utils python3"
if ! command -v npm >/dev/null 2>&1; then
  packages="$packages nodejs npm"
fi
if [ "$what" = all ]; then
  packages="$packages googletest g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 zip wine64 libbenchmark-dev clang-14 libclang-rt-14-dev valgrind chromium"
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

# The npm packages into node_modules, exactly as the lock pins them, and again only when
# the lock has changed since: npm ci leaves its own copy of the lock in node_modules.
root=$(cd "$(dirname "$0")/.." && pwd)
if [ ! -f "$root/node_modules/.package-lock.json" ] || \
   [ "$root/package-lock.json" -nt "$root/node_modules/.package-lock.json" ]; then
  echo "setup: installing the npm packages of package-lock.json"
  (cd "$root" && npm ci --no-audit --no-fund --loglevel=error)
fi
