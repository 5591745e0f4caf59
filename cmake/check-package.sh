#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# The Debian packages end to end (lumivo-common, lumivo, lumivo-agent):
# built with CPack into a temporary folder, their contents listed, their
# control fields read, then unpacked, and every program started from the
# unpacked tree with nothing from the build tree or the environment: the
# libraries through RPATH, the content containers and language files through
# the installed layout. Last, lumivo-common and lumivo-agent installed by
# dpkg into a scratch root, and the agent purged again.
#   check-package.sh BUILD-DIR SOURCE-DIR VERSION
set -uo pipefail
build=$1 source=$2 version=$3
work=$(mktemp -d)
trap 'kill $gui $agentpid 2>/dev/null; rm -rf "$work"' EXIT
gui="" agentpid=""
failed=0
fail() { echo "FAIL: $*"; failed=1; }

unset LUMIVO_CONTENT_DIR LUMIVO_LANG_DIR LUMIVO_LANGUAGE LUMIVO_SERIAL_DEVICE
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; echo "FAIL: cpack"; exit 1; }
arch=$(dpkg --print-architecture)
common=$work/out/lumivo-common_${version}_$arch.deb
deb=$work/out/lumivo_${version}_$arch.deb
agent=$work/out/lumivo-agent_${version}_$arch.deb
for p in "$common" "$deb" "$agent"; do
    [ -f "$p" ] || { echo "FAIL: no $(basename "$p") in $work/out: $(ls "$work/out")"; exit 1; }
done
[ "$(ls "$work"/out/*.deb | wc -l)" -eq 3 ] || fail "other packages: $(ls "$work"/out/*.deb)"

# ---- Contents: each file in exactly one package.
list() { dpkg-deb -c "$1" | awk '$1 !~ /^d/ { print $6 }' | sed 's|^\./|/|'; }
list "$common" >"$work/list.common"
list "$deb" >"$work/list.window"
list "$agent" >"$work/list.agent"
expect() { # LIST FILE...
    local l=$1; shift
    for f in "$@"; do grep -qx -- "$f" "$work/list.$l" || fail "the $l package lacks $f"; done
}
expect common /usr/bin/lumivo-boardsim \
    /usr/lib/lumivo/libqvr.so /usr/lib/lumivo/libcommon.so /usr/lib/lumivo/libserio.so \
    /usr/share/lumivo/Lang/English.lang /usr/share/lumivo/Lang/Korean.lang /usr/share/lumivo/Lang/Chinese.lang \
    /usr/share/man/man1/lumivo-boardsim.1.gz /usr/share/doc/lumivo-common/copyright
for r in 310 311 312 314 315 316 326 327 333; do expect common "/usr/share/lumivo/content/$r.qvr"; done
expect window /usr/bin/lumivo /usr/bin/lumivo-cli /usr/bin/qvrbuild /usr/lib/lumivo/lumivo-cli-net.so \
    /usr/share/applications/lumivo.desktop /usr/share/metainfo/org.lumivo.Lumivo.metainfo.xml \
    /usr/share/icons/hicolor/scalable/apps/lumivo.svg /usr/share/mime/packages/lumivo.xml \
    /usr/share/bash-completion/completions/lumivo-cli /usr/share/doc/lumivo/copyright \
    /usr/share/man/man1/lumivo.1.gz /usr/share/man/man1/lumivo-cli.1.gz /usr/share/man/man1/qvrbuild.1.gz
expect agent /usr/bin/lumivo-agent /usr/lib/systemd/system/lumivo-agent.service \
    /usr/lib/sysusers.d/lumivo-agent.conf /etc/lumivo/agent.conf \
    /usr/share/man/man1/lumivo-agent.1.gz /usr/share/doc/lumivo-agent/copyright
twice=$(sort "$work"/list.* | uniq -d)
[ -z "$twice" ] || fail "files in two packages: $twice"
outside=$(cat "$work"/list.* | grep -v '^/usr/' | grep -vx '/etc/lumivo/agent.conf')
[ -z "$outside" ] || fail "files outside /usr: $outside"
# Test programs and build helpers stay out.
stray=$(cat "$work"/list.* | grep -E '_tests$|fuzz|bench_|effectshot|\.a$')
[ -z "$stray" ] || fail "files that are not the program's: $stray"

# ---- Control fields.
field() { dpkg-deb -f "$1" "$2"; }
has() { [[ ", $1," == *", $2 "* || ", $1," == *", $2,"* ]]; } # DEPENDS NAME
for p in "$common:lumivo-common" "$deb:lumivo" "$agent:lumivo-agent"; do
    f=${p%%:*} name=${p##*:}
    [ "$(field "$f" Package)" = "$name" ] || fail "Package: $(field "$f" Package), expected $name"
    [ "$(field "$f" Version)" = "$version" ] || fail "$name Version: $(field "$f" Version), expected $version"
    [ -n "$(field "$f" Description)" ] || fail "$name has no Description"
done
depends=$(field "$deb" Depends)
for d in libc6 libstdc++6 libqt6core6 libqt6widgets6 libpng16-16 libgif7 qt6-qpa-plugins; do
    has "$depends" "$d" || fail "lumivo: Depends lacks $d: $depends"
done
[[ ", $depends," == *", lumivo-common (= $version),"* ]] || fail "lumivo does not depend on this lumivo-common: $depends"
common_depends=$(field "$common" Depends)
for d in libc6 libstdc++6 liblzo2-2; do
    has "$common_depends" "$d" || fail "lumivo-common: Depends lacks $d: $common_depends"
done
agent_depends=$(field "$agent" Depends)
for d in libc6 libstdc++6 libsystemd0; do
    has "$agent_depends" "$d" || fail "lumivo-agent: Depends lacks $d: $agent_depends"
done
[[ ", $agent_depends," == *", lumivo-common (= $version),"* ]] ||
    [[ "$agent_depends," == "lumivo-common (= $version),"* ]] || fail "lumivo-agent does not depend on this lumivo-common: $agent_depends"
# A headless box installs no display stack, and the agent not the window.
names() { tr ',|' '\n\n' <<<"$1" | sed 's/^ *//; s/[ (].*//'; }
display=$(names "$common_depends, $agent_depends" | grep -E '^(libqt6|qt6-|libx|libgl|libegl|libwayland)' | sort -u)
[ -z "$display" ] || fail "a headless package depends on display libraries: $display"
names "$agent_depends" | grep -qx lumivo && fail "lumivo-agent depends on the window's package: $agent_depends"
dpkg-deb -e "$agent" "$work/agent-control"
[ "$(cat "$work/agent-control/conffiles" 2>/dev/null)" = /etc/lumivo/agent.conf ] ||
    fail "lumivo-agent's conffiles: $(cat "$work/agent-control/conffiles" 2>&1)"

# ---- Unpacked: where the files are, and what the programs load.
root=$work/root
for p in "$common" "$deb" "$agent"; do dpkg-deb -x "$p" "$root"; done
bin=$root/usr/bin
grep -q 'fonts-nanum' "$root/usr/share/doc/lumivo/copyright" || fail "the copyright file lists no fonts"
for pkg in $(sed -n 's/^|[^|]*|[^|]*| \([a-z0-9.+-]*\).*/\1/p' "$source/resources/fonts.md" | sort -u); do
    grep -q -- "$pkg" "$root/usr/share/doc/lumivo/copyright" || fail "the copyright file lacks the fonts of $pkg"
done
for p in lumivo lumivo-cli lumivo-boardsim qvrbuild lumivo-agent; do
    runpath=$(readelf -d "$bin/$p" | sed -n 's/.*R\(UN\)\?PATH.*\[\(.*\)\]/\2/p')
    [ "$runpath" = '$ORIGIN/../lib/lumivo' ] || fail "$p has RPATH '$runpath'"
    if ldd "$bin/$p" | grep -q 'not found'; then fail "$p: $(ldd "$bin/$p" | grep 'not found')"; fi
    loaded=$(ldd "$bin/$p" | grep -oE '/[^ ]*lib(qvr|common|serio)[a-z_]*\.so' | sort -u)
    for lib in $loaded; do
        lib=$(realpath "$lib")
        [[ "$lib" == "$root/usr/lib/lumivo/"* ]] || fail "$p loads $lib, not the package's"
    done
done
# The headless programs load no Qt, X or GL, directly or through a library
# (GLib, which HarfBuzz brings, is neither).
for f in "$bin/lumivo-agent" "$bin/lumivo-boardsim" "$root"/usr/lib/lumivo/lib{qvr,common,serio}.so; do
    qt=$(ldd "$f" | grep -iE 'libqt|libx11|libgl[^i]|libegl' | awk '{ print $1 }')
    [ -z "$qt" ] || fail "$(basename "$f") loads $qt"
done

# ---- Every program starts from the unpacked tree, as a new user would.
mkdir -p "$work/home" "$work/tmp" "$work/run" "$work/lock"
chmod 700 "$work/run"
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config TMPDIR=$work/tmp LUMIVO_LOCK_DIR=$work/lock
export XDG_RUNTIME_DIR=$work/run QT_QPA_PLATFORM=offscreen
cd "$work/run"
"$bin/lumivo-cli" --help >"$work/out.txt" 2>&1 && grep -q '^  render' "$work/out.txt" || fail "lumivo-cli --help: $(cat "$work/out.txt")"
# Its agent and fleet verbs are found in their module, from the package's own folder.
grep -q '^  fleet publish' "$work/out.txt" && ! grep -q warning "$work/out.txt" || fail "lumivo-cli --help: no network verbs: $(cat "$work/out.txt")"
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

# The agent from the unpacked tree on its simulated board (lumivo-boardsim
# beside it, the containers and languages of lumivo-common): it answers and
# its board's link comes up.
mkdir -p "$work/agent"
"$bin/lumivo-agent" --device simulated --state-dir "$work/agent" --listen 127.0.0.1:0 2>"$work/agent.log" &
agentpid=$!
port=""
for _ in $(seq 1 100); do
    port=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$work/agent.log" | head -1)
    [ -n "$port" ] && break
    kill -0 $agentpid 2>/dev/null || break
    sleep 0.1
done
# METHOD PATH [TOKEN [FILE]]: the answer's body (bash's own TCP, no client
# needed).
http() {
    exec 3<>"/dev/tcp/127.0.0.1/$port" || return 1
    printf '%s %s HTTP/1.0\r\nHost: 127.0.0.1\r\n' "$1" "$2" >&3
    [ -n "${3:-}" ] && printf 'Authorization: Bearer %s\r\n' "$3" >&3
    if [ -n "${4:-}" ]; then
        printf 'Content-Type: application/octet-stream\r\nContent-Length: %s\r\n\r\n' "$(stat -c %s "$4")" >&3
        cat "$4" >&3
    else
        printf '\r\n' >&3
    fi
    sed '1,/^\r$/d' <&3
    exec 3<&-
}
get() { http GET "$@"; }
if [ -z "$port" ]; then
    fail "lumivo-agent did not start: $(cat "$work/agent.log")"
else
    [ "$(get /api/v1/health)" = '{"ok":true}' ] || fail "lumivo-agent's health: $(get /api/v1/health)"
    token=$(cat "$work/agent/token")
    pushed=$(http PUT /api/v1/project "$token" "$source/examples/welcome.qvndoc")
    [[ "$pushed" == *sha256:* ]] || fail "lumivo-agent refused the sample project: $pushed"
    for _ in $(seq 1 300); do
        state=$(get /api/v1/state "$token")
        [[ "$state" == *'"verified":"sha256:'* ]] && break
        sleep 0.1
    done
    [[ "$state" == *'"link":"ok"'* && "$state" == *'"verified":"sha256:'* ]] ||
        fail "lumivo-agent's simulated board: $state $(cat "$work/agent.log")"
fi
kill -TERM $agentpid 2>/dev/null
wait $agentpid
[ $? -eq 0 ] || fail "lumivo-agent did not end cleanly: $(cat "$work/agent.log")"

# ---- Installed by dpkg into a scratch root, maintainer scripts included
# (run without chroot, on $DPKG_ROOT): the unit and the sysusers file where
# systemd looks, the configuration a conffile, the system user made. The
# rest of the system's packages are not in that root's database, hence
# --force-depends; the Depends fields are checked above.
sysroot=$work/sysroot
mkdir -p "$sysroot/var/lib/dpkg/info" "$sysroot/var/lib/dpkg/updates" "$sysroot/var/lib/dpkg/triggers" "$sysroot/etc"
touch "$sysroot/var/lib/dpkg/status" "$sysroot/var/lib/dpkg/available"
dpkg_root() { dpkg --root="$sysroot" --force-script-chrootless --force-depends --force-not-root --log=/dev/null "$@"; }
if ! dpkg_root -i "$common" "$agent" >"$work/dpkg.log" 2>&1; then
    fail "dpkg -i: $(cat "$work/dpkg.log")"
else
    for p in lumivo-common lumivo-agent; do
        [ "$(dpkg-query --admindir="$sysroot/var/lib/dpkg" -W -f='${db:Status-Status}' $p)" = installed ] ||
            fail "$p is not installed: $(cat "$work/dpkg.log")"
    done
    for f in /usr/lib/systemd/system/lumivo-agent.service /usr/lib/sysusers.d/lumivo-agent.conf \
             /etc/lumivo/agent.conf /usr/bin/lumivo-agent /usr/bin/lumivo-boardsim; do
        [ -f "$sysroot$f" ] || fail "dpkg did not install $f"
    done
    [[ "$(dpkg-query --admindir="$sysroot/var/lib/dpkg" -W -f='${Conffiles}' lumivo-agent)" == *"/etc/lumivo/agent.conf "* ]] ||
        fail "agent.conf is not a conffile"
    if command -v systemd-sysusers >/dev/null; then
        grep -q '^lumivo:' "$sysroot/etc/passwd" 2>/dev/null || fail "postinst made no user lumivo: $(cat "$work/dpkg.log")"
        grep -q '^dialout:.*[:,]lumivo\b' "$sysroot/etc/group" 2>/dev/null || fail "lumivo is not in dialout: $(cat "$sysroot/etc/group")"
    fi
    dpkg_root --purge lumivo-agent >>"$work/dpkg.log" 2>&1 || fail "dpkg --purge: $(cat "$work/dpkg.log")"
    for f in /usr/lib/systemd/system/lumivo-agent.service /etc/lumivo/agent.conf; do
        [ ! -e "$sysroot$f" ] || fail "purge left $f"
    done
fi

for p in "$common" "$deb" "$agent"; do
    echo "package: $(basename "$p"), $(stat -c %s "$p") bytes, installed size $(field "$p" Installed-Size) KiB"
    echo "package: Depends: $(field "$p" Depends)"
done
[ $failed -eq 0 ] && echo "package: ok"
exit $failed
