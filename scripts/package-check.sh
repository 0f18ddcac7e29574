#!/usr/bin/env bash
# Builds the Debian package (scripts/package.sh) and tries it from its own files
# only: unpacked into a scratch root (dpkg -x), its dependencies checked
# (dpkg --dry-run -i, as root), the desktop entry validated and the manual pages
# read; then velmora text, velmora-host register (the module found beside the
# host, no environment variable), compile and run on a copy of the demo project
# the package ships. With --install the package is also installed for real
# (dpkg -i), tried from /usr/bin and removed again (dpkg --purge).
set -euo pipefail
cd "$(dirname "$0")/.."
install=0
if [ "${1:-}" = --install ]; then install=1; shift; fi
if (($#)); then echo "usage: scripts/package-check.sh [--install]" >&2; exit 2; fi
BUILD_DIR=${BUILD_DIR:-build}
bash scripts/deps.sh desktop-file-utils dpkg-dev man-db
bash scripts/package.sh
deb=$(ls "$BUILD_DIR"/packages/velmora_*.deb)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() { echo "package-check: $*" >&2; exit 1; }
# Runs as a user with a fresh home would: the registry at its default place.
as_user() { env -u VELMORA_REGISTRY -u XDG_DATA_HOME HOME="$scratch/home" QT_QPA_PLATFORM=offscreen "$@"; }

# The installed programs under PREFIX, tried on a copy of the shipped demo.
try_prefix() {
  local prefix=$1 demo=$scratch/demo-$2 out
  rm -rf "${scratch:?}/home" "$demo"; mkdir -p "$scratch/home"
  for f in bin/velmora bin/velmora-host lib/velmora/libVelmora.so share/velmora/HELP/ENU_Velmora.html \
           share/velmora/HELP/CSY_Velmora.html share/velmora/HELP/RUS_Velmora.html \
           share/applications/velmora-host.desktop share/icons/hicolor/scalable/apps/velmora-host.svg \
           share/man/man1/velmora.1.gz share/man/man1/velmora-host.1.gz share/velmora/examples/demo/demo.oprj; do
    [ -e "$prefix/$f" ] || fail "$prefix/$f is missing"
  done
  desktop-file-validate "$prefix/share/applications/velmora-host.desktop"
  for page in "velmora generate" "velmora-host compile --project"; do
    out=$(MANWIDTH=200 man -l "$prefix/share/man/man1/${page%% *}.1.gz" 2>&1 | col -b)
    grep -q "${page#* }" <<<"$out" || fail "manual page ${page%% *}.1 lacks '${page#* }': $out"
  done
  out=$(as_user "$prefix/bin/velmora" text 2005)
  [ "$out" = OK ] || fail "velmora text 2005 printed '$out'"
  out=$(as_user "$prefix/bin/velmora-host" register)
  echo "$out"
  grep -qF "Registered $prefix/lib/velmora/libVelmora.so in $scratch/home/.local/share/velmora/registry.ini" <<<"$out" ||
    fail "register did not take the installed module"
  cp -r "$prefix/share/velmora/examples/demo" "$demo"
  out=$(as_user "$prefix/bin/velmora-host" compile --project "$demo" --plc PLC2)
  echo "$out"
  grep -q "^Generated .*Chiller" <<<"$out" || fail "compile generated no code for Chiller"
  out=$(as_user "$prefix/bin/velmora-host" run --project "$demo" --plc PLC2 --seconds 600 --sample-ms 60000 \
        --online Chiller --trace Chiller_Water_T --trace Chiller_CurOut --at 300 set Chiller_gW=5000)
  echo "$out"
  [ "$(head -1 <<<"$out")" = "time,Chiller_Water_T,Chiller_CurOut" ] || fail "run printed no trace header"
  [ "$(grep -c '^[0-9]' <<<"$out")" -ge 10 ] || fail "run printed too few rows"
  as_user "$prefix/bin/velmora-host" unregister >/dev/null
}

echo "== $deb"
dpkg-deb --info "$deb" | sed -n '/Package:/,$p'
dpkg-deb -x "$deb" "$scratch/root"
if [ "$(id -u)" -eq 0 ]; then
  dpkg --dry-run -i "$deb" >/dev/null || fail "dpkg --dry-run -i $deb failed"
  echo "dpkg --dry-run -i: the dependencies are met"
fi
echo "== from the unpacked package ($scratch/root/usr)"
try_prefix "$scratch/root/usr" scratch
if ((install)); then
  dpkg-query -W -f='${Status}' velmora 2>/dev/null | grep -q "install ok installed" &&
    fail "velmora is installed already: not touching it"
  trap 'dpkg --purge velmora >/dev/null || true; rm -rf "$scratch"' EXIT
  dpkg -i "$deb"
  echo "== installed (/usr/bin)"
  [ "$(command -v velmora-host)" = /usr/bin/velmora-host ] || fail "velmora-host is not /usr/bin/velmora-host"
  try_prefix /usr installed
  dpkg --purge velmora
  trap 'rm -rf "$scratch"' EXIT
fi
echo "== package check passed"
