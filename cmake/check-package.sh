#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# The Debian package end to end: built with CPack into a temporary folder,
# its contents listed, its control fields read, then unpacked, and every
# program started from the unpacked tree with nothing from the build tree
# or the environment: the libraries through RPATH, the content containers
# and language files through the installed layout.
#   check-package.sh BUILD-DIR SOURCE-DIR VERSION
set -uo pipefail
build=$1 source=$2 version=$3
work=$(mktemp -d)
trap 'kill $gui 2>/dev/null; rm -rf "$work"' EXIT
gui=""
failed=0
fail() { echo "FAIL: $*"; failed=1; }

unset LUMIVO_CONTENT_DIR LUMIVO_LANG_DIR LUMIVO_LANGUAGE LUMIVO_SERIAL_DEVICE
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; echo "FAIL: cpack"; exit 1; }
debs=("$work"/out/lumivo_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "FAIL: no single package in $work/out"; exit 1; }
deb=${debs[0]}
[ "$(basename "$deb")" = "lumivo_${version}_$(dpkg --print-architecture).deb" ] || fail "package named $(basename "$deb")"

# ---- Contents.
dpkg-deb -c "$deb" | awk '{ print $6 }' | sed 's|^\./|/|' >"$work/list"
for f in /usr/bin/lumivo /usr/bin/lumivo-cli /usr/bin/lumivo-boardsim /usr/bin/qvrbuild \
         /usr/lib/lumivo/libqvr.so /usr/lib/lumivo/libcommon.so /usr/lib/lumivo/libserio.so \
         /usr/share/lumivo/Lang/English.lang /usr/share/lumivo/Lang/Korean.lang /usr/share/lumivo/Lang/Chinese.lang \
         /usr/share/applications/lumivo.desktop /usr/share/metainfo/org.lumivo.Lumivo.metainfo.xml \
         /usr/share/icons/hicolor/scalable/apps/lumivo.svg /usr/share/mime/packages/lumivo.xml \
         /usr/share/bash-completion/completions/lumivo-cli /usr/share/doc/lumivo/copyright \
         /usr/share/man/man1/lumivo.1.gz /usr/share/man/man1/lumivo-cli.1.gz \
         /usr/share/man/man1/lumivo-boardsim.1.gz /usr/share/man/man1/qvrbuild.1.gz; do
    grep -qx -- "$f" "$work/list" || fail "the package lacks $f"
done
for r in 310 311 312 314 315 316 326 327 333; do
    grep -qx "/usr/share/lumivo/content/$r.qvr" "$work/list" || fail "the package lacks container $r"
done
outside=$(grep -v '^/usr/' "$work/list" | grep -vx '/')
[ -z "$outside" ] || fail "files outside /usr: $outside"
# Test programs and build helpers stay out.
stray=$(grep -E '_tests$|fuzz|bench_|effectshot|\.a$' "$work/list")
[ -z "$stray" ] || fail "files that are not the program's: $stray"

# ---- Control fields.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = lumivo ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version), expected $version"
depends=$(field Depends)
for d in libc6 libstdc++6 liblzo2-2 libqt6core6 libqt6widgets6 libpng16-16 libgif7 qt6-qpa-plugins; do
    [[ ", $depends," == *", $d "* || ", $depends," == *", $d,"* ]] || fail "Depends lacks $d: $depends"
done
[[ "$depends" != *lumivo* ]] || fail "Depends names the package's own libraries: $depends"
[ -n "$(field Description)" ] || fail "no Description"

# ---- Unpacked: where the files are, and what the programs load.
root=$work/root
dpkg-deb -x "$deb" "$root"
bin=$root/usr/bin
grep -q 'fonts-nanum' "$root/usr/share/doc/lumivo/copyright" || fail "the copyright file lists no fonts"
for pkg in $(sed -n 's/^|[^|]*|[^|]*| \([a-z0-9.+-]*\).*/\1/p' "$source/resources/fonts.md" | sort -u); do
    grep -q -- "$pkg" "$root/usr/share/doc/lumivo/copyright" || fail "the copyright file lacks the fonts of $pkg"
done
for p in lumivo lumivo-cli lumivo-boardsim qvrbuild; do
    runpath=$(readelf -d "$bin/$p" | sed -n 's/.*R\(UN\)\?PATH.*\[\(.*\)\]/\2/p')
    [ "$runpath" = '$ORIGIN/../lib/lumivo' ] || fail "$p has RPATH '$runpath'"
    if ldd "$bin/$p" | grep -q 'not found'; then fail "$p: $(ldd "$bin/$p" | grep 'not found')"; fi
    loaded=$(ldd "$bin/$p" | grep -oE '/[^ ]*lib(qvr|common|serio)[a-z_]*\.so' | sort -u)
    for lib in $loaded; do
        lib=$(realpath "$lib")
        [[ "$lib" == "$root/usr/lib/lumivo/"* ]] || fail "$p loads $lib, not the package's"
    done
done

# ---- Every program starts from the unpacked tree, as a new user would.
mkdir -p "$work/home" "$work/tmp" "$work/run" "$work/lock"
chmod 700 "$work/run"
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config TMPDIR=$work/tmp LUMIVO_LOCK_DIR=$work/lock
export XDG_RUNTIME_DIR=$work/run QT_QPA_PLATFORM=offscreen
cd "$work/run"
"$bin/lumivo-cli" --help >"$work/out.txt" 2>&1 && grep -q '^  render' "$work/out.txt" || fail "lumivo-cli --help: $(cat "$work/out.txt")"
for p in lumivo-boardsim qvrbuild; do
    "$bin/$p" --help >"$work/out.txt" 2>&1 && grep -q -- '--' "$work/out.txt" || fail "$p --help: $(cat "$work/out.txt")"
done
[ "$("$bin/lumivo" --version 2>&1)" = "lumivo $version" ] || fail "lumivo --version: $("$bin/lumivo" --version 2>&1)"
# The containers and the language files are found: no warning at all.
for lang in English Korean Chinese; do
    out=$(LUMIVO_LANGUAGE=$lang "$bin/lumivo-cli" info "$source/examples/welcome.qvndoc" --json 2>"$work/err.txt")
    [ -s "$work/err.txt" ] && fail "lumivo-cli info ($lang) warned: $(cat "$work/err.txt")"
    [[ "$out" == *'"contentLoaded":true'* ]] || fail "lumivo-cli info ($lang): no content loaded: $out"
done
"$bin/lumivo-cli" render "$source/examples/welcome.qvndoc" --out "$work/welcome.png" --seconds 3 >/dev/null 2>"$work/err.txt" &&
    [ -s "$work/welcome.png" ] && [ ! -s "$work/err.txt" ] || fail "lumivo-cli render: $(cat "$work/err.txt")"
# The window: opens the sample project (a missing container would stop it
# at a warning box), then closes on SIGTERM as the user would.
"$bin/lumivo" "$source/examples/welcome.qvndoc" >"$work/gui.txt" 2>&1 &
gui=$!
for _ in $(seq 1 300); do
    grep -q ' open ' trace.log 2>/dev/null && break
    kill -0 $gui 2>/dev/null || break
    sleep 0.1
done
grep -q " open $source/examples/welcome.qvndoc" trace.log 2>/dev/null || fail "lumivo did not open the project: $(cat trace.log "$work/gui.txt" 2>/dev/null)"
kill -TERM $gui 2>/dev/null
wait $gui
rc=$?
gui=""
[ $rc -eq 0 ] || fail "lumivo ended with $rc: $(cat "$work/gui.txt")"
grep -q ' lumivo end$' trace.log || fail "lumivo did not shut down in order: $(cat trace.log)"

echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes, installed size $(field Installed-Size) KiB"
echo "package: Depends: $depends"
[ $failed -eq 0 ] && echo "package: ok"
exit $failed
