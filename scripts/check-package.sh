#!/usr/bin/env bash
# Checks the Debian package with Debian's own validators and installs it into a scratch root:
#   desktop-file-validate  the desktop entry
#   appstreamcli validate  the AppStream metainfo (--no-net: the screenshot's host is not asked)
#   lintian                the whole package: no errors
#   dpkg -x                unpacked into a folder, where both programs must say their version
# and looks for the man pages, the icon and the bash completion, and asks GIO which application a
# desktop offers for ROMs and patches.
#   scripts/check-package.sh PACKAGE.deb
#   scripts/check-package.sh --build BUILD_DIR   (runs cpack in BUILD_DIR first; the test suite)
# Exit 77 (a skip for CTest) when a validator is missing: scripts/setup.sh deps installs them.
# With CI=true (as .ci/run is run) a missing validator fails instead.
set -euo pipefail

if ! { [[ $# -eq 1 && "$1" != -* ]] || [[ $# -eq 2 && "$1" == "--build" ]]; }; then
  echo "usage: scripts/check-package.sh PACKAGE.deb | --build BUILD_DIR" >&2
  exit 2
fi

if [[ "$1" == "--build" ]]; then
  build_dir=$(cd "$2" && pwd)
  out=$(mktemp -d)
  trap 'rm -rf "$out"' EXIT
  (cd "$build_dir" && cpack -G DEB -B "$out" >/dev/null)
  deb=$(ls "$out"/ts2edit_*_amd64.deb)
else
  deb=$(realpath "$1")
  out=$(mktemp -d)
  trap 'rm -rf "$out"' EXIT
fi

for tool in desktop-file-validate update-desktop-database appstreamcli lintian dpkg-deb gio; do
  if ! command -v "$tool" >/dev/null; then
    echo "check-package.sh: $tool is missing (scripts/setup.sh deps installs it)" >&2
    # In CI scripts/setup.sh has installed them: a missing one is a fault, not a skip.
    [[ "${CI:-}" == "true" ]] && exit 1
    exit 77
  fi
done

fail=0
check() {  # NAME COMMAND...: runs it, shows its output, remembers a failure
  local name=$1
  shift
  echo "== $name"
  if "$@"; then echo "-- ok"; else echo "-- FAILED: $name"; fail=1; fi
}

version=$(dpkg-deb -f "$deb" Version)
echo "== $(basename "$deb"): version $version, $(dpkg-deb -f "$deb" Architecture)"
[[ "$(basename "$deb")" == "ts2edit_${version}_amd64.deb" ]] || { echo "unexpected file name"; fail=1; }
for field in Depends Recommends Suggests; do echo "$field: $(dpkg-deb -f "$deb" "$field")"; done

root="$out/root"
mkdir -p "$root"
dpkg -x "$deb" "$root"

check "desktop-file-validate" desktop-file-validate "$root/usr/share/applications/ts2edit.desktop"
metainfo=("$root"/usr/share/metainfo/*.metainfo.xml)
check "appstreamcli validate" appstreamcli validate --no-net --pedantic "${metainfo[@]}"
# Run as root, lintian says it is not recommended, and goes on.
check "lintian (no errors)" lintian --fail-on error "$deb"

check "ts2edit --version" bash -c "out=\$('$root/usr/bin/ts2edit' --version) && echo \"\$out\" && [[ \$out == 'ts2edit $version' ]]"
check "ts2tool --version" bash -c "out=\$('$root/usr/bin/ts2tool' --version) && echo \"\$out\" && [[ \$out == 'ts2tool $version' ]]"

files_present() {
  local missing=0
  for f in usr/share/man/man1/ts2edit.1.gz usr/share/man/man1/ts2tool.1.gz \
           usr/share/icons/hicolor/scalable/apps/ts2edit.svg usr/share/doc/ts2edit/copyright \
           usr/share/doc/ts2edit/changelog.gz usr/share/bash-completion/completions/ts2tool; do
    [[ -f "$root/$f" ]] && echo "$f" || { echo "missing: $f"; missing=1; }
  done
  # The man pages are the programs' own help.
  zcat "$root/usr/share/man/man1/ts2tool.1.gz" | grep -q "render" || { echo "ts2tool.1 lacks the commands"; missing=1; }
  return $missing
}
check "files" files_present

# What apt brings along or offers: a font with Japanese for the Kana Text window (IPAGothic, as
# scripts/setup.sh installs it, among the alternatives) and the Hunspell dictionaries.
relations() {
  local pair field package alternatives missing=0
  for pair in Recommends:fonts-ipafont-gothic Suggests:hunspell-dictionary; do
    field=${pair%%:*} package=${pair#*:}
    # The field's alternatives, one a line, without versions.
    alternatives=$(dpkg-deb -f "$deb" "$field" | tr ',|' '\n\n' | sed 's/(.*//; s/ //g')
    if grep -qx "$package" <<<"$alternatives"; then
      echo "$field: $package"
    else
      echo "$field lacks $package"
      missing=1
    fi
  done
  return $missing
}
check "package relations" relations

# What a desktop offers for each type: the unpacked package's applications folder (with the
# cache update-desktop-database writes, as a package install triggers it) ahead of the system's,
# asked through GIO as file managers ask.
mime_offered() {
  local type registered missing=0
  grep '^MimeType=' "$root/usr/share/applications/ts2edit.desktop"
  update-desktop-database "$root/usr/share/applications"
  for type in application/vnd.nintendo.snes.rom application/x-snes-rom application/x-ips-patch \
              application/x-bps-patch; do
    registered=$(PATH="$root/usr/bin:$PATH" XDG_DATA_DIRS="$root/usr/share:/usr/share" \
                 XDG_DATA_HOME="$out/data" XDG_CONFIG_HOME="$out/config" gio mime "$type" 2>&1 || true)
    if grep -q 'ts2edit\.desktop' <<<"$registered"; then
      echo "$type: ts2edit offered"
    else
      echo "not offered: $type ($registered)"
      missing=1
    fi
  done
  return $missing
}
check "MIME associations" mime_offered

if [[ $fail -ne 0 ]]; then
  echo "check-package.sh: FAILED"
  exit 1
fi
echo "check-package.sh: all checks passed"
