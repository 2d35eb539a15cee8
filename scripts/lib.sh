# Shared by scripts/run and scripts/test: packages, builds, and a private Wine on Xvfb.
# shellcheck shell=bash

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD="$ROOT/build"

PACKAGES=(cmake make g++ googletest file mingw-w64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
          wine wine64 xvfb xdotool imagemagick x11-utils fonts-ipafont-gothic procps
          clang libclang-rt-14-dev python3-yaml locales)

# Installs what is missing, without questions; quick when everything is there.
ensure_packages() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && { ensure_locales; return; }
    echo "installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq >/dev/null
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null && ensure_locales
}

# The locales Wine takes its Windows language from: a Japanese Windows (code page 932) for the
# tests, as the program's users run, and an English one for the English checks.
ensure_locales() {
    local have
    have=$(locale -a 2>/dev/null)
    grep -qi '^ja_JP.utf8$' <<<"$have" && grep -qi '^en_US.utf8$' <<<"$have" && return 0
    sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/; s/^# *\(en_US.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >>/etc/locale.gen
    grep -q '^en_US.UTF-8 UTF-8' /etc/locale.gen || echo 'en_US.UTF-8 UTF-8' >>/etc/locale.gen
    locale-gen >/dev/null
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
# Tests run in lanes side by side: each lane has its own prefix, X display, wineserver and keeper,
# so windows, mouse and keyboard, registry and mutexes of one lane never meet another's. (The
# network is shared: the tests that use port 123 take turns, see tests/e2e/CMakeLists.txt.)
XVFB_PID=""
XVFB_PIDS=()
PREFIXES_UP=()  # prefixes whose wineserver this script keeps
KEEPERS_UP=()   # "prefix=keeper.exe" of each keeper it started

# wine_env [lane]: the environment of a lane (1 unless told); lane 1 is the ordinary prefix.
wine_env() {
    local lane=${1:-1}
    export WINEPREFIX="$BUILD/wineprefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    # Wine is a Japanese Windows (code page 932) unless told otherwise.
    export LANG=${VELKARO_WINE_LANG:-ja_JP.UTF-8}
    unset LC_ALL LC_MESSAGES
    [ "$lane" -gt 1 ] && WINEPREFIX="$BUILD/wineprefix-$lane"
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
    XVFB_PIDS+=("$XVFB_PID")
    for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$n" ] && return 0; sleep 0.1; done
    echo "Xvfb did not start on $DISPLAY" >&2
    return 1
}

# init_prefix [prefix to copy]: creates the prefix once (or copies a ready one, which takes a
# second instead of ten), and sets what running without a window manager needs.
init_prefix() {
    if [ ! -f "$WINEPREFIX/.velkaro-fonts-2" ] && [ -n "${1:-}" ] && [ -f "$1/.velkaro-fonts-2" ]; then
        rm -rf "$WINEPREFIX"
        cp -a "$1" "$WINEPREFIX"
    fi
    if [ ! -f "$WINEPREFIX/.velkaro-ready" ]; then
        echo "creating the Wine prefix (once, about 10 s)"
        rm -rf "$WINEPREFIX"
        "$WINE" wineboot -i >/dev/null 2>&1
        "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
        "$WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
        "$WINESERVER" -w
        touch "$WINEPREFIX/.velkaro-ready"
    fi
    if [ ! -f "$WINEPREFIX/.velkaro-fonts-2" ]; then
        # Wine's menu, caption and dialog fonts have no Japanese glyphs; link them to the IPA
        # Gothic font, as Japanese Windows links its UI fonts, so menus and captions are legible.
        local face
        for face in Tahoma "Tahoma Bold" "MS Shell Dlg" "MS Shell Dlg 2" "Microsoft Sans Serif"; do
            "$WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
                /v "$face" /t REG_MULTI_SZ /d 'ipag.ttf,IPAGothic' /f >/dev/null 2>&1
        done
        # The Japanese UI fonts the dialogs ask for are proportional, as is IPA PGothic: with it
        # standing in, texts take the room they take on a Japanese Windows (IPA Gothic, which
        # Wine would pick otherwise, is fixed-pitch and wider).
        for face in "MS UI Gothic" "Meiryo UI" "Yu Gothic UI"; do
            "$WINE" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d IPAPGothic /f >/dev/null 2>&1
        done
        "$WINESERVER" -w
        touch "$WINEPREFIX/.velkaro-fonts-2"
    fi
    if [ ! -f "$WINEPREFIX/.velkaro-text-1" ]; then
        # Text files open in Notepad, as on every Windows (Wine's own prefix has the class only).
        "$WINE" reg add 'HKCR\.txt' /ve /d txtfile /f >/dev/null 2>&1
        "$WINESERVER" -w
        touch "$WINEPREFIX/.velkaro-text-1"
    fi
    "$WINESERVER" -p >/dev/null 2>&1  # keep one server for every test process
    PREFIXES_UP+=("$WINEPREFIX")
}

# start_keeper <keeper.exe>: keeps Wine's desktop process alive between test processes.
start_keeper() {
    "$WINE" "$1" >/dev/null 2>&1 </dev/null &
    KEEPERS_UP+=("$WINEPREFIX=$1")
    # One synchronous call, with its output redirected too: once it returns, Wine's services
    # run, started by processes that do not hold the test runner's output pipes.
    "$WINE" reg query 'HKCU\Software\Wine' >/dev/null 2>&1 </dev/null || true
}

# start_lanes <count> <keeper.exe>: brings up that many lanes and exports, for each lane N,
# VELKARO_LANE<N>_PREFIX and VELKARO_LANE<N>_DISPLAY (scripts/wine-run picks a lane's by the
# lane CTest gives the test), and writes the lanes for CTest to $BUILD/results/lanes.json.
start_lanes() {
    local count=$1 keeper=$2 lane ids=()
    for lane in $(seq "$count"); do
        wine_env "$lane"
        start_xvfb || return 1
        init_prefix "$BUILD/wineprefix"
        start_keeper "$keeper"
        export "VELKARO_LANE${lane}_PREFIX=$WINEPREFIX" "VELKARO_LANE${lane}_DISPLAY=$DISPLAY"
        ids+=("{\"id\": \"$lane\", \"slots\": 1}")
    done
    wine_env 1
    mkdir -p "$BUILD/results"
    local IFS=,
    echo "{\"version\": {\"major\": 1, \"minor\": 0}, \"local\": [{\"lane\": [${ids[*]}]}]}" >"$BUILD/results/lanes.json"
}

stop_wine() {
    local entry prefix
    for entry in "${KEEPERS_UP[@]}"; do
        WINEPREFIX=${entry%%=*} "$WINE" "${entry#*=}" --stop >/dev/null 2>&1 || true
    done
    KEEPERS_UP=()
    [ -n "${WINEPREFIX:-}" ] && PREFIXES_UP+=("$WINEPREFIX")
    if [ -n "${WINESERVER:-}" ]; then
        for prefix in "${PREFIXES_UP[@]}"; do
            WINEPREFIX=$prefix "$WINESERVER" -k >/dev/null 2>&1 || true
            WINEPREFIX=$prefix "$WINESERVER" -w >/dev/null 2>&1 || true
        done
    fi
    PREFIXES_UP=()
    for pid in "${XVFB_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
    XVFB_PIDS=()
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

# ---- the release ----

# project_version: the version of the CMake project, the one place it is written.
project_version() {
    sed -n 's/^project(Velkaro VERSION \([0-9.]*\).*/\1/p' "$ROOT/CMakeLists.txt"
}

# assemble_release <x86 exe> <x64 exe> <zip>: the release zip (with both users' guides), byte for byte the same for the
# same inputs: fixed order, the date of the last commit (UTC) on every entry, no extra fields.
assemble_release() {
    local stamp
    stamp=$(git -C "$ROOT" log -1 --format=%ct 2>/dev/null || echo 315532800)
    mkdir -p "$(dirname "$3")"
    python3 - "$1" "$2" "$ROOT/readme-ja.txt" "$ROOT/readme-en.txt" "$3" "$stamp" <<'PY'
import hashlib, sys, time, zipfile
x86, x64, readme, readme_en, out, stamp = sys.argv[1:]
files = [("x86/Velkaro.exe", open(x86, "rb").read()), ("x64/Velkaro.exe", open(x64, "rb").read()),
         ("readme-ja.txt", open(readme, "rb").read()), ("readme-en.txt", open(readme_en, "rb").read())]
sums = "".join(f"{hashlib.sha256(data).hexdigest()}  {name}\n" for name, data in files)
files.append(("SHA256SUMS", sums.encode("ascii")))
when = time.gmtime(max(int(stamp), 315532800))[:6]  # zip dates start in 1980
with zipfile.ZipFile(out, "w") as z:
    for name, data in files:
        entry = zipfile.ZipInfo(name, date_time=when)
        entry.compress_type = zipfile.ZIP_DEFLATED
        entry.create_system = 0  # MS-DOS, as Windows' own zip folders write it
        z.writestr(entry, data, compresslevel=9)
PY
}
