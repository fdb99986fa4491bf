# Shared by the end-to-end scripts: assertions and a sandboxed HOME.
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/x11-session.sh"

FAILURES=0
fail() { echo "FAIL: $*" >&2; FAILURES=$((FAILURES + 1)); }
pass() { echo "ok: $*"; }
check() { # check DESCRIPTION CMD...
    local what=$1
    shift
    if "$@"; then pass "$what"; else fail "$what"; fi
}

require_tools() {
    local t
    for t in "$@"; do
        command -v "$t" >/dev/null 2>&1 || { echo "skipped: $t is not installed"; exit 77; }
    done
}

# sandbox DIR: a fresh HOME and XDG folders, so no test ever sees the real ones.
sandbox() {
    rm -rf "$1"
    mkdir -p "$1/home" "$1/runtime"
    chmod 700 "$1/runtime"
    export HOME="$1/home"
    export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share" XDG_CACHE_HOME="$HOME/.cache"
    export XDG_RUNTIME_DIR="$1/runtime"
    # Pages the app opens are written down instead of starting a browser.
    mkdir -p "$1/bin"
    printf '#!/bin/sh\necho "$@" >>"%s/opened-urls"\n' "$1" >"$1/bin/xdg-open"
    chmod +x "$1/bin/xdg-open"
    export PATH="$1/bin:$PATH" BROWSER=true
    unset TOVI_DIR QT_QPA_PLATFORM XCTestConfigurationFilePath
    export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}"
}

bus_name_owned() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner "string:$1" 2>/dev/null | grep -q 'boolean true'
}
