# Sourced by every script: the one way each of them builds a preset, picks
# the Windows build, tells whether this machine runs 32-bit programs, makes
# a fresh Wine prefix and converts text to Windows-1252.
# Usage: source "$(dirname "$0")/lib.sh"

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# build_preset [-B DIR] [-DVAR=VALUE...] PRESET [TARGET...]: configures
# PRESET (in build/PRESET, or DIR) and builds the targets (default: all).
# The configure output is shown only when it fails; the build's always.
build_preset() {
    local dir= defines=()
    while [[ ${1:-} == -* ]]; do
        case $1 in
            -B) dir=$2; shift 2 ;;
            -D*) defines+=("$1"); shift ;;
            *) echo "build_preset: unknown option $1" >&2; return 2 ;;
        esac
    done
    local preset=$1; shift
    dir=${dir:-$ROOT/build/$preset}
    local log
    log=$(mktemp "${TMPDIR:-/tmp}/configure-XXXXXX")
    if ! (cd "$ROOT" && cmake --preset "$preset" -B "$dir" "${defines[@]}") >"$log" 2>&1; then
        cat "$log" >&2
        rm -f "$log"
        echo "build_preset: configuring $preset failed" >&2
        return 1
    fi
    rm -f "$log"
    local targets=()
    [ $# -gt 0 ] && targets=(--target "$@")
    cmake --build "$dir" "${targets[@]}"
}

# kernel_runs_32bit: whether this machine's kernel executes a 32-bit x86
# program. A tiny static i386 program that exits with 42 is written and
# run: a kernel built with 32-bit support can still refuse every such
# program (some sandboxes do), so its configuration cannot tell. Needs
# nothing installed; the answer is kept for the rest of the script.
kernel_runs_32bit() {
    if [ -z "${KERNEL_RUNS_32BIT:-}" ]; then
        local probe
        probe=$(mktemp "${TMPDIR:-/tmp}/probe-i386-XXXXXX")
        # ELF header, one loadable segment, then: mov eax,1; mov ebx,42; int 0x80.
        printf '%b' '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00'\
'\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00'\
'\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x60\x00\x00\x00'\
'\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >"$probe"
        chmod +x "$probe"
        local status=0
        "$probe" 2>/dev/null || status=$?
        rm -f "$probe"
        KERNEL_RUNS_32BIT=no
        [ "$status" -eq 42 ] && KERNEL_RUNS_32BIT=yes
        export KERNEL_RUNS_32BIT
    fi
    [ "$KERNEL_RUNS_32BIT" = yes ]
}

# wine_runs_32bit: whether Wine runs 32-bit Windows programs here: the
# kernel executes 32-bit programs and the 32-bit Wine (wine32:i386) is
# installed and starts.
wine_runs_32bit() {
    kernel_runs_32bit && [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}

# why_no_32bit: the reason Wine runs no 32-bit program here, for the
# messages of skipped suites.
why_no_32bit() {
    if ! kernel_runs_32bit; then
        echo "this machine's kernel executes no 32-bit program, so Wine runs no 32-bit Windows program here"
    else
        echo "the 32-bit Wine (wine32:i386) is not installed or does not start (scripts/deps names why)"
    fi
}

# windows_arch [CHOICE]: the Windows build to run here. CHOICE (win32 or
# win64) when given; else the shipped 32-bit build where Wine runs 32-bit
# programs, and the 64-bit one elsewhere.
windows_arch() {
    case ${1:-} in
        win32|win64) echo "$1" ;;
        "") if wine_runs_32bit; then echo win32; else echo win64; fi ;;
        *) echo "windows_arch: $1 is neither win32 nor win64" >&2; return 2 ;;
    esac
}

# new_wine_prefix DIR: a fresh prefix made with wineboot (any old one at
# DIR is ended and removed first). Needs scripts/wine-env.
new_wine_prefix() {
    export WINEPREFIX="$1"
    if [ -d "$WINEPREFIX" ]; then
        wineserver -k 2>/dev/null || true
        rm -rf "$WINEPREFIX"
    fi
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    wineserver -w
}

# to_cp1252 IN OUT: a UTF-8 word list (one entry a line) in Windows-1252,
# with only the lines that code page can spell: a word is dropped whole,
# never changed by leaving out a letter.
to_cp1252() {
    python3 -c 'import sys
with open(sys.argv[2], "wb") as out:
    for line in open(sys.argv[1], encoding="utf-8"):
        try:
            out.write(line.rstrip("\n").encode("cp1252") + b"\n")
        except UnicodeEncodeError:
            pass' "$1" "$2"
}
