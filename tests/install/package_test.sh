#!/usr/bin/env bash
# package_test.sh BUILD_DIR WORK_DIR: builds the .deb with CPack, checks its
# control fields, that apt could install it and its files, unpacks it (dpkg
# -x, no root needed) and runs `starchart snapshot` from the unpacked /usr/bin.
set -euo pipefail
build=$1 work=$2
rm -rf "$work"
mkdir -p "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack failed"; }
debs=("$work"/out/starchart_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one starchart_*.deb in $work/out"
deb=${debs[0]}
case $(basename "$deb") in starchart_1.0.0_*.deb) ;; *) fail "unexpected file name $(basename "$deb")" ;; esac

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for d in libsdl2-2.0-0 libcairo2 libc6 libstdc++6 xdg-utils; do
  grep -q "\b$d\b" <<<"$depends" || fail "Depends lacks $d"
done
[ "$(dpkg-deb -f "$deb" Package)" = starchart ] || fail "package name"
grep -q fonts- <<<"$depends" && fail "Depends names a font package, but the typefaces are compiled in"

# What `apt install ./starchart_*.deb` would do here: every dependency is
# installed already or comes from the archive (a simulation, nothing changes).
apt-get install --simulate -q "$deb" >"$work/apt.log" 2>&1 || { cat "$work/apt.log"; fail "apt cannot install the package"; }
grep -q '^Inst starchart (1.0.0 ' "$work/apt.log" || { cat "$work/apt.log"; fail "apt would not install starchart"; }

root="$work/root"
dpkg -x "$deb" "$root"
for f in usr/bin/starchart usr/share/applications/starchart.desktop \
         usr/share/icons/hicolor/scalable/apps/starchart.svg \
         usr/share/icons/hicolor/48x48/apps/starchart.png usr/share/icons/hicolor/256x256/apps/starchart.png; do
  [ -f "$root/$f" ] || fail "the package has no /$f"
done
grep -qx 'Exec=starchart' "$root/usr/share/applications/starchart.desktop" || fail "desktop file Exec"
grep -qx 'Icon=starchart' "$root/usr/share/applications/starchart.desktop" || fail "desktop file Icon"

# Run from the unpacked path, away from the build and source trees.
cd "$work"
[ "$("$root/usr/bin/starchart" --version)" = "starchart 1.0.0" ] || fail "--version"
"$root/usr/bin/starchart" snapshot --ra 5.5 --dec -20 --zoom 2 --out "$work/chart.png"
head -c 24 "$work/chart.png" | od -An -tx1 | tr -d ' \n' >"$work/header"
# PNG signature, IHDR, then width 320 and height 480.
[ "$(cat "$work/header")" = "89504e470d0a1a0a0000000d4948445200000140000001e0" ] || fail "not a 320x480 PNG: $(cat "$work/header")"
echo "ok: $(basename "$deb") unpacked and ran from $root/usr/bin"
