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

# The page server (host/serve) is built on cpp-httplib and nlohmann-json, validate on
# nlohmann-json and libelf; python3's XML parser reads the host's scene files back in the
# tests, as a second parser; node and npm bring the page's npm packages, from Debian when
# the machine has none of its own.
packages="cmake ninja-build g++ libgtest-dev libpugixml-dev libcpp-httplib-dev nlohmann-json3-dev libelf-dev python3"
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

# The source entry for pugixml: the machine's own main binary entry (the first `deb` entry
# for the release's own suite with the component main, in the order apt reads its files),
# turned into a `deb-src` entry for the same address, suite and key. Both forms of apt's
# configuration are read: one-line `.list` files and deb822 `.sources` stanzas.
main_source_entry() {
  eval "$(apt-config shell list Dir::Etc::SourceList/f parts Dir::Etc::SourceParts/d)"
  suite=$(. /etc/os-release 2>/dev/null && echo "${VERSION_CODENAME:-}")
  set --
  [ -f "$list" ] && set -- "$list"
  for file in "$parts"*.list "$parts"*.sources; do
    [ -f "$file" ] && set -- "$@" "$file"
  done
  [ $# -gt 0 ] || return 1
  awk -v suite="$suite" '
    function has(words, word,   n, i, w) {
      n = split(words, w, /[ \t]+/)
      for (i = 1; i <= n; i++) if (w[i] == word) return 1
      return 0
    }
    # The first entry that fits wins; with no release name known, any suite does.
    function consider(types, uri, suites, components, key,   n, s, i) {
      if (found || !has(types, "deb") || !has(components, "main") || uri == "") return
      n = split(suites, s, /[ \t]+/)
      for (i = 1; i <= n; i++) {
        if (s[i] == "") continue
        if (suite == "" ? s[i] !~ /-/ : s[i] == suite) {
          found = 1
          printf "Types: deb-src\nURIs: %s\nSuites: %s\nComponents: main\n", uri, s[i]
          if (key != "") printf "Signed-By: %s\n", key
          return
        }
      }
    }
    function stanza_end() {
      if (enabled != "no") consider(types, uris, suites, components, key)
      types = uris = suites = components = key = enabled = ""; field = ""
    }
    FNR == 1 && deb822 { stanza_end() }
    FNR == 1 { deb822 = FILENAME ~ /\.sources$/ }
    deb822 && /^[ \t]*#/ { next }
    deb822 && /^[ \t]*$/ { stanza_end(); next }
    deb822 && /^[ \t]/ { if (field == "signed-by") key = key "\n" $0; next }
    deb822 {
      field = tolower($0); sub(/:.*/, "", field)
      value = $0; sub(/^[^:]*:[ \t]*/, "", value); sub(/[ \t]+$/, "", value)
      if (field == "types") types = value
      else if (field == "uris") { split(value, u, /[ \t]+/); uris = u[1] }
      else if (field == "suites") suites = value
      else if (field == "components") components = value
      else if (field == "signed-by") key = value
      else if (field == "enabled") enabled = tolower(value)
      next
    }
    {
      sub(/#.*/, "")
      if ($1 != "deb") next
      key = ""; i = 2
      if ($2 ~ /^\[/) {
        for (; i <= NF; i++) {
          if ($i ~ /^\[?signed-by=/) { key = $i; sub(/^\[?signed-by=/, "", key); sub(/\]$/, "", key) }
          if ($i ~ /\]$/) { i++; break }
        }
      }
      components = ""
      for (j = i + 2; j <= NF; j++) components = components " " $j
      consider("deb", $i, $(i + 1), components, key)
      key = ""
    }
    END { if (deb822) stanza_end(); exit !found }
  ' "$@"
}

# The Windows build compiles pugixml from Debian's source package, since Debian ships it
# only for Linux. It goes into the build folder, through an apt configuration of its own
# so that the machine's package sources stay as they are.
if [ "$what" = all ] && ! ls build/third_party/pugixml-*/src/pugixml.cpp >/dev/null 2>&1; then
  echo "setup: fetching pugixml's sources for the Windows build"
  apt_dir=$(pwd)/build/third_party/apt
  mkdir -p "$apt_dir/lists/partial" "$apt_dir/sources.list.d"
  if ! main_source_entry > "$apt_dir/sources.list.d/main-src.sources"; then
    echo "setup: no deb entry for the release's main component in apt's sources" >&2
    exit 1
  fi
  set -- -qq -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$apt_dir/sources.list.d" \
         -o Dir::State::Lists="$apt_dir/lists"
  apt-get "$@" update
  (cd build/third_party && apt-get "$@" source --download-only pugixml 2>/dev/null \
     && tar xzf pugixml_*.orig.tar.gz && rm -f pugixml_*)
  ls build/third_party/pugixml-*/src/pugixml.cpp >/dev/null
fi
