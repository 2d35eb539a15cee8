# Shared by scripts/run and scripts/test: packages, builds, and a private Wine on Xvfb.
# shellcheck shell=bash

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD="$ROOT/build"

PACKAGES=(cmake make g++ googletest file mingw-w64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
          wine wine64 xvfb xdotool imagemagick x11-utils fonts-ipafont-gothic procps
          clang libclang-rt-14-dev)

# Installs what is missing, without questions; quick when everything is there.
ensure_packages() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq >/dev/null
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# configure_and_build <folder> [cmake options...]: configures and builds every target.
configure_and_build() {
    local dir=$1; shift
    cmake -S "$ROOT" -B "$dir" "$@" >/dev/null && cmake --build "$dir" -j"$(nproc)" -- --no-print-directory
}

# build_x86_64 [target...]: the 64-bit Windows build, the one that runs here.
build_x86_64() {
    local targets=()
    for t in "$@"; do targets+=(--target "$t"); done
    local configure=(-DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-x86_64.cmake")
    [ -f "$BUILD/x86_64/CMakeCache.txt" ] && configure=()  # the toolchain is fixed at the first configure
    cmake -S "$ROOT" -B "$BUILD/x86_64" "${configure[@]}" >/dev/null &&
        cmake --build "$BUILD/x86_64" -j"$(nproc)" "${targets[@]}" -- --no-print-directory
}

# ---- Wine on a private X display ----
XVFB_PID=""
KEEPER_STARTED=""

wine_env() {
    export WINEPREFIX="$BUILD/wineprefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    export TMPDIR="$BUILD/wine-tmp"
    mkdir -p "$TMPDIR"
    WINE=/usr/lib/wine/wine64
    WINESERVER=/usr/lib/wine/wineserver64
    [ -x "$WINESERVER" ] || WINESERVER=$(command -v wineserver)
}

# start_xvfb: picks a free display number and waits for its socket.
start_xvfb() {
    local n=$((90 + RANDOM % 400))
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    export DISPLAY=":$n"
    Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$n" ] && return 0; sleep 0.1; done
    echo "Xvfb did not start on $DISPLAY" >&2
    return 1
}

# Creates the prefix once, and sets what running without a window manager needs.
init_prefix() {
    if [ ! -f "$WINEPREFIX/.velkaro-ready" ]; then
        echo "creating the Wine prefix (once, about 10 s)"
        rm -rf "$WINEPREFIX"
        "$WINE" wineboot -i >/dev/null 2>&1
        "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
        "$WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
        "$WINESERVER" -w
        touch "$WINEPREFIX/.velkaro-ready"
    fi
    if [ ! -f "$WINEPREFIX/.velkaro-fonts" ]; then
        # Wine's menu, caption and dialog fonts have no Japanese glyphs; link them to the IPA
        # Gothic font, as Japanese Windows links its UI fonts, so menus and captions are legible.
        local face
        for face in Tahoma "Tahoma Bold" "MS Shell Dlg" "MS Shell Dlg 2" "Microsoft Sans Serif"; do
            "$WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
                /v "$face" /t REG_MULTI_SZ /d 'ipag.ttf,IPAGothic' /f >/dev/null 2>&1
        done
        "$WINESERVER" -w
        touch "$WINEPREFIX/.velkaro-fonts"
    fi
    "$WINESERVER" -p >/dev/null 2>&1  # keep one server for every test process
}

# start_keeper <keeper.exe>: keeps Wine's desktop process alive between test processes.
start_keeper() {
    "$WINE" "$1" >/dev/null 2>&1 </dev/null &
    KEEPER_STARTED="$1"
    # One synchronous call, with its output redirected too: once it returns, Wine's services
    # run, started by processes that do not hold the test runner's output pipes.
    "$WINE" reg query 'HKCU\Software\Wine' >/dev/null 2>&1 </dev/null || true
}

stop_wine() {
    if [ -n "$KEEPER_STARTED" ]; then "$WINE" "$KEEPER_STARTED" --stop >/dev/null 2>&1 || true; fi
    if [ -n "${WINESERVER:-}" ] && [ -n "${WINEPREFIX:-}" ]; then
        "$WINESERVER" -k >/dev/null 2>&1 || true
        "$WINESERVER" -w >/dev/null 2>&1 || true
    fi
    if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; wait "$XVFB_PID" 2>/dev/null || true; fi
    XVFB_PID=""
    if [ -n "$READONLY_FOLDER" ]; then umount "$READONLY_FOLDER" 2>/dev/null || true; READONLY_FOLDER=""; fi
}

# mount_readonly_folder <exe>: a read-only folder holding a copy of the executable, for the test
# of a clock that cannot write its settings (Wine runs as root, and root writes through any
# permission, so it takes a read-only mount). Exports VELKARO_READONLY_FOLDER when it worked;
# stop_wine unmounts it.
READONLY_FOLDER=""
mount_readonly_folder() {
    local dir="$BUILD/readonly-folder"
    mkdir -p "$dir"
    mountpoint -q "$dir" && umount "$dir"
    if mount -t tmpfs -o size=8m tmpfs "$dir" 2>/dev/null; then
        cp "$1" "$dir/" && mount -o remount,ro "$dir" && READONLY_FOLDER=$dir && export VELKARO_READONLY_FOLDER=$dir
    else
        echo "(no read-only folder: mounting is not allowed here)"
    fi
}
