# Shared by the end-to-end scripts: assertions (TAG names the run) and a sandboxed HOME.
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/x11-session.sh"

FAILURES=0
fail() { echo "FAIL${TAG:+ [$TAG ${SECONDS}s]}: $*" >&2; FAILURES=$((FAILURES + 1)); }
pass() { echo "ok${TAG:+ [$TAG ${SECONDS}s]}: $*"; }
check() { # check DESCRIPTION CMD...
    local what=$1
    shift
    if "$@"; then pass "$what"; else fail "$what"; fi
}
# A run that cannot start fails: scripts/packages.txt names every tool and scripts/test installs
# them, so a skip would only hide a session that never ran. TOVI_E2E_ALLOW_SKIP=1 (a machine that
# cannot have some of them) makes it a skip (77) instead.
skip() {
    if [ "${TOVI_E2E_ALLOW_SKIP:-0}" = 1 ]; then
        echo "skipped: $*"
        exit 77
    fi
    echo "FAIL: $* (TOVI_E2E_ALLOW_SKIP=1 would skip this run)" >&2
    exit 1
}
require_tools() {
    local t
    for t in "$@"; do command -v "$t" >/dev/null 2>&1 || skip "$t is not installed (its package is in scripts/packages.txt)"; done
}
bus_name_owned() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner "string:$1" 2>/dev/null | grep -q 'boolean true'
}

# sandbox DIR: a fresh sandbox HOME; pages the app opens go to DIR/opened-urls, not a browser.
sandbox() {
    rm -rf "$1"
    sandbox_home "$1"
    mkdir -p "$1/bin"
    printf '#!/bin/sh\necho "$@" >>"%s/opened-urls"\n' "$1" >"$1/bin/xdg-open"
    chmod +x "$1/bin/xdg-open"
    export PATH="$1/bin:$PATH" ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}"
    unset QT_QPA_PLATFORM
}
