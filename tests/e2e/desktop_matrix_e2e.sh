#!/usr/bin/env bash
# The window on real desktops, one private session per run (own display, session bus and HOME):
#   xembed      openbox + trayer; also the keyboard, Ctrl+Q and a second launch handing over
#   xfce        xfwm4 + XFCE's panel with its status tray (a StatusNotifierItem host) and
#               xfsettingsd; also a restart of the panel and the GTK theme switched to dark and back
#   kde         kwin_x11 + plasmashell's system tray (an SNI host); also a restart of plasmashell,
#               the colour scheme switched to Breeze Dark and back, and Tovi started in Breeze Dark
#   wayland     Weston nested in Xvfb, no tray: the window comes back by D-Bus activation
#   sway        sway on its headless back end + waybar's tray, Tovi on Wayland; also a restart
#               of waybar (run as an unprivileged user: sway refuses root)
#   late-panel  openbox, trayer started 5 s after Tovi
#   look        openbox + trayer; the texts' contrast in the colour schemes, at scale 2, large font
# Each walks loading, spaces, a 40-line error, signed out (account menu), awaiting approval, and
# compares the desktop's geometry with the app's trace lines (TOVI_TRACE_FIRST_FRAME=1):
#   tovi-trace: window-geometry X Y W H content CONTENT cap CAP
#   tovi-trace: account-menu X Y W H screen SX SY SW SH
#   tovi-trace: focus NAME
#   desktop_matrix_e2e.sh SESSION TOVI-TRAY TOVI-SIM OUT     screenshots in OUT/SESSION[-LANGUAGE]/
# TOVI_MATRIX_LANGUAGE (en_XA, the pseudo-locale: every text longer) runs the walk in that language.
set -uo pipefail
SESSION=$1 TRAY=$2 SIM=$3 OUT=$4/$1${TOVI_MATRIX_LANGUAGE:+-$TOVI_MATRIX_LANGUAGE} TAG=$1
[ -n "${TOVI_MATRIX_LANGUAGE:-}" ] && export LANGUAGE=$TOVI_MATRIX_LANGUAGE
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
require_tools convert dbus-daemon dbus-send gdbus
[ "$SESSION" = sway ] || require_tools Xvfb openbox xdotool xwininfo xdpyinfo xprop import
case "$SESSION" in
sway)
    require_tools sway swaymsg waybar grim jq setpriv /usr/bin/python3
    # sway will not run as root: the whole session (bus, sway, waybar, Tovi) as nobody.
    if [ "$(id -u)" = 0 ]; then
        mkdir -p "$OUT" && chown -R nobody:nogroup "$OUT" || exit 1
        setpriv --reuid=nobody --regid=nogroup --init-groups sh -c 'test -x "$1" && test -r "$2"' - "$TRAY" "$0" || {
            skip "nobody cannot reach $TRAY or $0 (a folder on the way is private)"
        }
        exec setpriv --reuid=nobody --regid=nogroup --init-groups bash "$0" "$@"
    fi
    ;;
xembed | late-panel) require_tools trayer ;;
xfce) require_tools xfwm4 xfce4-panel xfsettingsd xfconf-query curl dunstctl ;;
kde) require_tools kwin_x11 plasmashell plasma-apply-colorscheme curl dunstctl ;;
look) require_tools trayer /usr/bin/python3 ;;
wayland) require_tools weston ;;
gnome | gnome-no-tray)
    require_tools gnome-shell
    [ -f /usr/share/gnome-shell/extensions/ubuntu-appindicators@ubuntu.com/metadata.json ] ||
        skip "the AppIndicator extension is not installed (gnome-shell-extension-appindicator)"
    ;;
*) echo "unknown session: $SESSION" >&2; exit 2 ;;
esac

# Where the window's box comes from: the X server, sway's tree, or a screenshot (Wayland shells
# that tell no client where a window is).
case "$SESSION" in wayland | gnome*) WINDOW_FROM=screenshot ;; sway) WINDOW_FROM=sway ;; *) WINDOW_FROM=x11 ;; esac
SCREEN_W=1280 SCREEN_H=800 TOLERANCE=4 # pixels between a height and the content it should match
WORK="$OUT/run" LOG="$OUT/run/tray.log" TRAY_PID="" GEOMETRY_LINES=0
sandbox "$WORK"
mkdir -p "$OUT"
rm -f "$OUT"/*.png "$OUT/contrast.txt" "$OUT/placement.txt"
# A failure shows what Tovi and every host of the session said and where its pictures are, so its
# cause is read here and not dug out of the build folder; also when the session never came up.
print_logs() {
    local log
    echo "--- Tovi's log ($LOG)"
    [ -f "$LOG" ] && grep -av '^tovi-trace' "$LOG" | tail -30
    while IFS= read -r log; do
        [ -s "$log" ] || continue
        echo "--- $log"
        tail -n 15 "$log"
    done < <(find "$OUT" -name '*.log' ! -name tray.log 2>/dev/null | sort)
    echo "--- screenshots"
    find "$OUT" -maxdepth 1 -name '*.png' 2>/dev/null | sort
}
finish() {
    local rc=$?
    stop_app
    session_stop
    ((rc == 0 || rc == 77)) || print_logs >&2
}
trap finish EXIT

# The app and what it started: a sign-in still waiting for approval, the CLI's service.
stop_app() { app_stop "$TRAY_PID"; stop_sandbox_service "$HOME"; }

# start_tray [VAR=VALUE...]: Tovi with those variables, against a stand-in whose first status
# answer comes late, so the window opens while it loads.
start_tray() {
    "$SIM" serve --port 0 >"$WORK/origin" 2>"$WORK/sim.log" &
    session_track $!
    wait_for 15 test -s "$WORK/origin" || { echo "tovi-sim did not start" >&2; exit 1; }
    export TOVI_WEB_ORIGIN="$(head -n1 "$WORK/origin")"
    rm -f "$HOME/.tovi/first-status"
    "$SIM" scenario set "{\"rules\": [{\"match\": [\"internal\", \"status\"], \"sleep_ms\": 120000,
        \"until_file\": \"first-status\", \"times\": 1}]}" >/dev/null
    env "$@" TOVI_TRACE_FIRST_FRAME=1 TOVI_DEV_POLL_INTERVAL_MS=1000 QT_LOGGING_RULES=tovi.window.debug=true \
        "$TRAY" >"$LOG" 2>&1 &
    TRAY_PID=$!
    session_track $TRAY_PID
}

# The first status answers only when the walk is ready for it (the window is open, loading):
# its rule goes when the call starts, the file lets the answer come, and the window then changes.
wait_for_spaces() {
    local n
    wait_for 60 sh -c "! grep -q sleep_ms '$HOME/.tovi/scenario.json'"
    n=$(trace_count window-geometry)
    touch "$HOME/.tovi/first-status"
    more_geometry() { (($(trace_count window-geometry) > n)); }
    wait_for 15 more_geometry
    settle 3
}

# trace_geometry: the last window-geometry line into T_H T_CONTENT T_CAP, in the desktop's whole
# pixels (a fraction, where one is reported, is dropped; SCALE is Qt's scale factor).
trace_geometry() {
    local line s=${SCALE:-1}
    line=$(grep -a 'tovi-trace: window-geometry ' "$LOG" | tail -n1)
    [ -n "$line" ] || return 1
    read -r _ _ _ _ _ T_H _ T_CONTENT _ T_CAP <<<"$line"
    T_H=$((T_H * s)) T_CONTENT=$((${T_CONTENT%.*} * s)) T_CAP=$((${T_CAP%.*} * s))
}
trace_count() { grep -ac "tovi-trace: $1 " "$LOG"; }

# settle SECONDS: until a new geometry line came and none followed for half a second, at most SECONDS.
settle() {
    local deadline=$((SECONDS + $1)) n
    while ((SECONDS < deadline)); do
        n=$(trace_count window-geometry)
        if ((n > GEOMETRY_LINES)); then
            sleep 0.5
            (($(trace_count window-geometry) == n)) && break
        else
            sleep 0.2
        fi
    done
    GEOMETRY_LINES=$(trace_count window-geometry)
    sleep 0.3 # the last frame reaches the screen
}

# measure PNG STATE: the window into WX WY WW WH (X11: the window manager's; Wayland: the
# screenshot's), its height kept for STATE.
declare -A HEIGHT_OF CLOSES_AT
# The window closed itself because it lost the keyboard (the app's log).
focus_closes() { grep -ac 'close: the focus went elsewhere' "$LOG"; }
measure() {
    CLOSES_AT[$2]=$(focus_closes)
    if [ "$WINDOW_FROM" = screenshot ]; then
        wayland_box "$1" || return 1
    elif [ "$WINDOW_FROM" = sway ]; then
        sway_window || return 1
    else
        WIN=$(tovi_window) || return 1
        window_geometry "$WIN"
        WX=$WIN_X WY=$WIN_Y WW=$WIN_W WH=$WIN_H
    fi
    HEIGHT_OF[$2]=$WH
}

# wayland_box PNG: the box of what is not the compositor's background (the parked pointer and
# the shell's top bar, TOP_BAR rows, painted over). Nothing frames Tovi's windows there: the
# normal window's title bar is its own, inside it.
TOP_BAR=${TOP_BAR:-0}
wayland_box() {
    local bx by bw bh bar=()
    ((TOP_BAR > 0)) && bar=(-draw "rectangle 0,0 $((SCREEN_W - 1)),$((TOP_BAR - 1))")
    read -r bw bh bx by <<<"$(convert "$1" -fill '#3a6ea5' -draw 'rectangle 0,760 40,799' "${bar[@]}" -fuzz 3% -trim \
        -format '%w %h %X %Y' info: 2>/dev/null)"
    bx=${bx#+} by=${by#+}
    ((bw > 50 && bw < SCREEN_W)) || return 1
    WX=$bx WY=$by WW=$bw WH=$bh
}
wayland_window_up() { shot "$WORK/probe.png" && wayland_box "$WORK/probe.png"; }
no_wayland_window() { ! wayland_window_up; }
# sway_window: Tovi's window in sway's tree into WX WY WW WH (sway draws no frame around it).
sway_window() {
    local box
    box=$(swaymsg -t get_tree 2>/dev/null | jq -r '[recurse(.nodes[]?, .floating_nodes[]?)
        | select(.pid != null and .visible == true and ((.name // "") | test("^Tovi( |$)")))][0]
        | select(. != null) | "\(.rect.x) \(.rect.y) \(.rect.width) \(.rect.height)"')
    [ -n "$box" ] || return 1
    read -r WX WY WW WH <<<"$box"
}
window_up() {
    case "$WINDOW_FROM" in
    screenshot) wayland_window_up ;;
    sway) sway_window ;;
    *) tovi_window >/dev/null ;;
    esac
}
no_window() { ! window_up; }

root_shot() { park_pointer; shot "$OUT/$1.png"; } # the whole screen: menus are windows of their own
# Out of the pictures and off every tooltip; no --sync, which waits forever when already there.
park_pointer() {
    if [ -n "${SWAYSOCK:-}" ]; then wl_input move 1 $((SCREEN_H - 1)); else xdotool mousemove 1 $((SCREEN_H - 1)); fi
    sleep 0.3
}
# inside X Y W H LEFT TOP RIGHT BOTTOM
inside() { (($1 >= $5 && $2 >= $6 && $1 + $3 <= $7 && $2 + $4 <= $8)); }
within() { local d=$(($1 - $2)); ((d >= -TOLERANCE && d <= TOLERANCE)); }

# check_window STATE: the window shows its whole content (or the screen's cap, with the footer
# still inside) and stays on screen. Takes the screenshot STATE.png.
check_window() {
    local state=$1 want edge=$SCREEN_H deadline=$((SECONDS + 5))
    root_shot "$state"
    measure "$OUT/$state.png" "$state" || { fail "$state: the window is visible"; return; }
    # A compositor shows the new size a frame or more after the app asked for it (later under
    # load): the picture is taken again until it shows the app's size, for a while.
    if [ "$WINDOW_FROM" != x11 ] && trace_geometry; then
        while ! within "$WH" "$T_H" && ((SECONDS < deadline)); do
            sleep 0.2
            root_shot "$state"
            measure "$OUT/$state.png" "$state" || { fail "$state: the window is visible"; return; }
        done
    fi
    convert "$OUT/$state.png" -crop "${WW}x${WH}+${WX}+${WY}" +repage "$OUT/$state-window.png" 2>/dev/null
    # On Wayland only the visible part is measured: one that reaches the screen's edge is cut.
    [ "$WINDOW_FROM" = screenshot ] && edge=$((SCREEN_H - 1))
    check "$state: the window is on screen ($WW x $WH at $WX,$WY)" inside "$WX" "$WY" "$WW" "$WH" 0 0 $SCREEN_W "$edge"
    trace_geometry || { fail "$state: the app reports its window geometry (no 'tovi-trace: window-geometry' line)"; return; }
    want=$((T_CONTENT < T_CAP ? T_CONTENT : T_CAP))
    check "$state: the app's window is as tall as its content or the cap (height $T_H, content $T_CONTENT, cap $T_CAP)" \
        within "$T_H" "$want"
    check "$state: the real window is as tall as the app's (desktop $WH, app $T_H)" within "$WH" "$T_H"
    # The footer ends the content: all of it fits, or the list scrolls inside the cap.
    check "$state: the footer is inside the window (content $T_CONTENT, cap $T_CAP, desktop height $WH)" \
        test "$WH" -ge $((want - TOLERANCE))
    check "$state: the cap leaves the window on screen (cap $T_CAP)" test "$T_CAP" -le $SCREEN_H
}

# check_grew FROM TO: the desktop's own measure: the height followed a taller content, or reached
# the cap (the app's, else most of the screen).
check_grew() {
    local from=${HEIGHT_OF[$1]:-} to=${HEIGHT_OF[$2]:-} cap=$((SCREEN_H - 120))
    [ -n "$from" ] && [ -n "$to" ] || return 0
    trace_geometry && cap=$((T_CAP - TOLERANCE))
    check "$2: the window grew from $1's height ($from px -> $to px)" test "$to" -gt $((from + 40)) -o "$to" -ge "$cap"
    check "$2: the window stayed open while it grew" test "${CLOSES_AT[$2]}" -eq "${CLOSES_AT[$1]}"
}

# The account menu (its button at the header's trailing edge): a popup of its own, whole on screen.
check_account_menu() {
    local before id main mx my mw mh sx sy sw sh closed
    before=$(trace_count account-menu)
    closed=$(grep -ac 'tovi-trace: account-menu-closed' "$LOG")
    pointer_click $((WX + WW - 23)) $((WY + OWN_BAR + 23))
    sleep 1
    if [ "$WINDOW_FROM" = x11 ]; then
        main=$(tovi_window) MENU_W=""
        for id in $(xdotool search --onlyvisible --classname '^tovi-tray$' 2>/dev/null); do
            [ "$id" != "$main" ] && window_geometry "$id" 2>/dev/null && ((WIN_W >= 100 && WIN_H >= 100)) &&
                MENU_X=$WIN_X MENU_Y=$WIN_Y MENU_W=$WIN_W MENU_H=$WIN_H
        done
        check "account menu: opens as a popup window of its own (${MENU_W:-none} x ${MENU_H:-} at ${MENU_X:-},${MENU_Y:-})" \
            test -n "$MENU_W"
        [ -n "$MENU_W" ] && check "account menu: the popup is whole on screen" \
            inside "$MENU_X" "$MENU_Y" "$MENU_W" "$MENU_H" 0 0 $SCREEN_W $SCREEN_H
    fi
    shot "$OUT/account-menu.png"
    if (($(trace_count account-menu) > before)); then
        read -r _ _ mx my mw mh _ sx sy sw sh <<<"$(grep -a 'tovi-trace: account-menu ' "$LOG" | tail -n1)"
        check "account menu: whole on its screen ($mw x $mh at $mx,$my on ${sw}x$sh+$sx+$sy)" \
            inside "$mx" "$my" "$mw" "$mh" "$sx" "$sy" $((sx + sw)) $((sy + sh))
        check "account menu: taller than one row ($mh px)" test "$mh" -gt 100
    else
        fail "account menu: the app reports it open (no 'tovi-trace: account-menu' line)"
    fi
    # The pointer leaves the window while the menu has it grabbed (the window never sees it go).
    [ -n "${mw:-}" ] && pointer_move $((mx + mw / 2)) $((my + mh - 4))
    key Escape
    sleep 0.5
    menu_closed() { (($(grep -ac 'tovi-trace: account-menu-closed' "$LOG") > closed)); }
    check "account menu: Escape closes the menu" wait_for 5 menu_closed
    check "account menu: Escape leaves the window open" window_up
}

# check_no_stale_tooltip OPEN-FUNCTION: closed and opened again (the pointer on the icon, away
# from the window), the window shows no tooltip the pointer did not ask for.
check_no_stale_tooltip() {
    local before
    key Escape
    wait_for 5 no_window
    sleep 0.5 # past the grace that takes a click just after a close for "close"
    before=$(trace_count tooltip)
    $1 >/dev/null 2>&1
    check "reopened: the window is up" wait_for 10 window_up
    sleep 1.5 # longer than a tooltip's delay: one that was going to show has shown
    check "reopened: no tooltip shows ($(grep -a 'tovi-trace: tooltip ' "$LOG" | tail -n +$((before + 1)) | cut -d' ' -f3- | paste -sd'|'))" \
        test "$(trace_count tooltip)" -eq "$before"
}

# The blue "Sign in" button of the welcome form: the band of rows that are mostly strongly blue.
click_sign_in() {
    local at
    at=$(convert "$1" -crop "${WW}x${WH}+${WX}+${WY}" +repage -depth 8 txt:- 2>/dev/null | awk -F'[,:() ]+' '
        NR > 1 && $5 > 150 && $3 < 120 && $5 > $3 + 80 { n[$2]++ }
        END { for (y in n) if (n[y] > 150) { s += y; c++ } if (c) printf "%d\n", s / c }')
    [ -n "$at" ] || return 1
    pointer_click $((WX + WW / 2)) $((WY + at))
    park_pointer
}

# The tray icon; the SNI host lays its icons out from the bar's trailing end (the last 28 px).
open_by_click() {
    case "$SESSION" in
    xfce | sway | kde)
        panel_icon || return 1
        pointer_click "$ICON_X" "$ICON_Y"
        ;;
    gnome) # one click of the middle button: the extension's one click that calls the item
        panel_icon || return 1
        pointer_click "$ICON_X" "$ICON_Y" middle
        ;;
    *) click_window_centre "$(tray_icon_window)" || return 1 ;;
    esac
    wait_for 10 window_up
}
activate_over_dbus() { # dbus-send cannot send the a{sv} of platform data
    gdbus call --session --dest dev.tovi.Tovi --object-path /dev/tovi/Tovi \
        --method org.freedesktop.Application.Activate '{}' >/dev/null
}

# ---- the keyboard (tovi-trace: focus NAME, on every move of the keyboard focus)
focus_trail() { grep -a 'tovi-trace: focus ' "$LOG" | tail -n +$(($1 + 1)) | awk '{ print $3 }' | paste -sd' '; }
opened_count() { cat "$WORK/opened-urls" 2>/dev/null | wc -l; }
press() { xdotool key --delay 80 "$@"; sleep 0.3; }
reopen() {
    press Escape
    wait_for 5 no_tovi_window || return 1
    sleep 0.5 # past the grace that takes a click just after a close for "close"
    open_by_click && sleep 1
}

# The spaces list on screen, the window open: Esc, Tab, typing and Return as a user drives them.
check_keyboard() {
    local before trail want height opened
    # A row picked with the arrows before closing is not picked in the next opening.
    press Down
    check "keyboard: Escape closes the window" reopen
    opened=$(opened_count)
    press Return
    check "keyboard: Return in an empty search of a new opening opens nothing" test "$(opened_count)" -eq "$opened"

    before=$(trace_count focus)
    press Tab
    root_shot focus-mark
    press Tab Tab Tab Tab
    root_shot focus-list
    press Tab Tab Tab
    root_shot focus-refresh
    press Tab Tab
    trail=$(focus_trail "$before")
    want="mark title accountMenu search spacesRow nodeCount notifications refresh upgrade"
    check "keyboard: Tab goes header, search, list, footer ($trail)" test "${trail#"$want"}" != "$trail"

    # Letters typed from wherever the keyboard is filter the list, here to nothing: a shorter window.
    reopen
    GEOMETRY_LINES=$(trace_count window-geometry)
    trace_geometry
    height=$T_H
    xdotool type --delay 60 qqzz
    settle 2
    trace_geometry
    root_shot typed
    check "keyboard: typing at once filters the list (window $height px -> $T_H px)" test "$T_H" -lt "$height"
    press BackSpace BackSpace BackSpace BackSpace
    settle 2
    opened=$(opened_count)
    press Down Return
    # Counted at every try: the page opens through a child process, later under load.
    more_opened() { (($(opened_count) > opened)); }
    check "keyboard: Down and Return open the first row" wait_for 10 more_opened
    tovi_window >/dev/null || open_by_click
    settle 2
}

# contrast BOXES: "ROLE RATIO NAME FACE" for each "ROLE X Y W H NAME SHOWN" line of BOXES (FACE:
# the background's luminance), from the window's
# pixels (ImageMagick's txt:) in WCAG's luminance. The box's commonest colour is its background;
# the text is what stands out most in 1 in 20 of the differing pixels (3 at least): the strokes'
# core, not a glyph's blended edge, a stray pixel or a gradient's band.
contrast() {
    awk -F'[(),:]' -v boxes="$1" '
        function lin(c) { c /= 255; return c <= 0.04045 ? c / 12.92 : ((c + 0.055) / 1.055) ^ 2.4 }
        function lum(c, v) {
            if (!(c in L)) { split(c, v, " "); L[c] = 0.2126 * lin(v[1]) + 0.7152 * lin(v[2]) + 0.0722 * lin(v[3]) }
            return L[c]
        }
        BEGIN {
            while ((getline line < boxes) > 0) {
                split(line, f, " ")
                m++; role[m] = f[1]; x0[m] = f[2]; x1[m] = f[2] + f[4]; name[m] = f[6]
                for (y = f[3]; y < f[3] + f[5]; y++) rows[y] = rows[y] " " m
            }
        }
        NR > 1 {
            if ($2 != lasty) { lasty = $2; k = split(rows[$2], in_row, " ") }
            for (i = 1; i <= k; i++) { b = in_row[i]; if ($1 >= x0[b] && $1 < x1[b]) n[b, $4 " " $5 " " $6]++ }
        }
        END {
            for (key in n) { split(key, p, SUBSEP); if (n[key] > bgn[p[1]]) { bgn[p[1]] = n[key]; bg[p[1]] = p[2] } }
            for (key in n) {
                split(key, p, SUBSEP); b = p[1]
                if (p[2] == bg[b]) continue
                hi = lum(p[2]) > lum(bg[b]) ? lum(p[2]) : lum(bg[b]); lo = lum(p[2]) + lum(bg[b]) - hi
                r = int(100 * (hi + 0.05) / (lo + 0.05))
                h[b, r] += n[key]; if (r > top[b]) top[b] = r
                if (r > 125) distinct[b] += n[key]
            }
            for (b = 1; b <= m; b++) {
                want = distinct[b] / 20; if (want < 3) want = 3
                for (r = top[b]; r > 100; r--) if ((seen[b] += h[b, r]) >= want) break
                printf "%s %.2f %s %.3f\n", role[b], r / 100, name[b], lum(bg[b])
            }
        }'
}

# check_contrast STATE [BAND]: every text the app last reported on screen in STATE.png (or in
# its top BAND pixels) reaches its role's minimum: body text and a button's 4.5:1, secondary text
# and text in a state colour 3:1. In a dark state (named dark-*) every button's face is dark too.
check_contrast() {
    local state=$1 band=${2:-100000} role ratio name face worst="" light_faces=""
    if [ "$WINDOW_FROM" = x11 ]; then
        WIN=$(tovi_window) || { fail "$state: the window is visible for its contrast"; return; }
        window_geometry "$WIN"
    else # the box the last check_window found in STATE.png
        WIN_X=$WX WIN_Y=$WY WIN_W=$WW WIN_H=$WH
    fi
    reported_texts | awk -v band="$band" '$3 + $5 <= band' >"$WORK/texts"
    [ -s "$WORK/texts" ] || { fail "$state: the app reports its texts (no 'tovi-trace: text' line)"; return; }
    while read -r role ratio name face; do
        echo "contrast [$SESSION $state] $role $ratio $name face $face" >>"$OUT/contrast.txt"
        awk -v r="$ratio" -v w="$(case $role in body | button) echo 4.5 ;; *) echo 3 ;; esac)" 'BEGIN { exit !(r < w) }' &&
            worst+=" $name ($role $ratio:1)"
        [ "$role" = button ] && [ "${state#dark-}" != "$state" ] && awk -v f="$face" 'BEGIN { exit !(f > 0.2) }' &&
            light_faces+=" $name (luminance $face)"
    done < <(convert "$OUT/$state.png" -crop "${WIN_W}x${WIN_H}+${WIN_X}+${WIN_Y}" +repage -depth 8 txt:- 2>/dev/null |
        contrast "$WORK/texts")
    check "$state: every text stands out from its background (body 4.5:1, secondary and state 3:1)${worst:+; under:$worst}" \
        test -z "$worst"
    [ "${state#dark-}" != "$state" ] &&
        check "$state: every button has a dark face on the dark window${light_faces:+; light:$light_faces}" test -z "$light_faces"
}
# The texts of the app's last window-geometry report: "ROLE X Y W H NAME SHOWN" lines.
reported_texts() {
    awk '/^tovi-trace: window-geometry / { n = 0; delete t } /^tovi-trace: text / { t[++n] = $0 }
         END { for (i = 1; i <= n; i++) print t[i] }' "$LOG" | cut -d' ' -f3-
}

# ---- the walk through the states, the same in every session

# Where the desktop put the window against the icon, in placement.txt: reported, not required
# (Wayland lets no client place a window; the compositor does).
report_placement() {
    local icon="no icon" id
    case "$SESSION" in
    xembed) id=$(tray_icon_window) && window_geometry "$id" && icon="icon at $WIN_X,$WIN_Y" ;;
    xfce | sway | gnome) panel_icon && icon="icon centre at $ICON_X,$ICON_Y" ;;
    esac
    echo "placement [$SESSION]: the window ($WW x $WH) at $WX,$WY on a ${SCREEN_W}x$SCREEN_H screen; $icon" |
        tee -a "$OUT/placement.txt"
}

walk_states() { # walk_states OPEN-FUNCTION: loading is on screen when called
    local open=$1
    check_window loading
    report_placement
    wait_for_spaces
    check_window spaces
    check_grew loading spaces
    case "$SESSION" in
    xembed) check_keyboard ;;
    wayland | gnome-no-tray) check_title_bar && check_activation ;;
    esac

    # Short lines: the banner keeps the first 1000 characters of standard error.
    "$SIM" scenario set "{\"rules\": [{\"match\": [\"internal\", \"status\"], \"exit\": 1, \"stderr\": \"$(
        printf 'failure line %d\\n' $(seq 1 40))\"}]}" >/dev/null
    settle 4
    check_window error-banner
    check_grew spaces error-banner
    "$SIM" scenario clear >/dev/null

    sign_out "$open"
    check_window signed-out
    check_account_menu
    check_no_stale_tooltip "$open"
    sign_in "$open"
    check "awaiting approval: the sign-in page was opened" wait_for 5 test -s "$WORK/opened-urls"
}

# sign_out OPEN-FUNCTION: the CLI signs out behind the app's back; the window is up after.
sign_out() {
    "$HOME/.local/bin/tovi" account logout >/dev/null
    settle 4
    window_up || $1 >/dev/null 2>&1
}

# sign_in OPEN-FUNCTION: from the welcome form, in the window as it is after the menu closed.
sign_in() {
    window_up || $1 >/dev/null 2>&1
    root_shot welcome
    if measure "$OUT/welcome.png" welcome && click_sign_in "$OUT/welcome.png"; then
        settle 4
        check_window awaiting-approval
    else
        fail "signed out: the Sign in button is in the window"
    fi
}

# ---- the sessions

session_xembed() {
    local rc
    session_start "$WORK/session" openbox trayer || exit 1
    start_tray
    check "the tray icon is embedded in the panel" wait_for 30 tray_icon_window
    check "the running copy owns the application's bus name" wait_for 15 bus_name_owned dev.tovi.Tovi
    check "no window is open before the first click" test -z "$(tovi_window)"
    check "a click on the icon opens the window" open_by_click
    WIN=$(tovi_window)
    focused() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$WIN" ]; }
    check "the window opens with the keyboard focus" wait_for 10 focused
    window_geometry "$WIN"
    check "the window is 340 wide (got $WIN_W)" test "$WIN_W" -eq 340
    GEOMETRY_LINES=0
    settle 2
    walk_states open_by_click

    # A second launch hands over to this copy: it exits 0 and the window comes forward.
    xdotool key Escape
    wait_for 5 no_tovi_window
    timeout 30 "$TRAY" >"$WORK/second.log" 2>&1
    rc=$?
    check "a second launch exits with status 0 (got $rc)" test "$rc" -eq 0
    check "the second launch brings the first copy's window forward" wait_for 15 tovi_window

    # Ctrl+Q in the focused window quits the whole application.
    wait_for 5 tovi_window || open_by_click
    WIN=$(tovi_window)
    [ -n "$WIN" ] && xdotool windowactivate --sync "$WIN" 2>/dev/null
    check "Ctrl+Q: the window has the keyboard focus" wait_for 5 focused
    xdotool key ctrl+q
    if wait_for 5 sh -c "! kill -0 $TRAY_PID 2>/dev/null"; then
        wait "$TRAY_PID"
        rc=$?
        check "Ctrl+Q quits Tovi with status 0 (got $rc)" test "$rc" -eq 0
    else
        fail "Ctrl+Q quits Tovi (it kept running)"
    fi
}

sni_registered() { sni_items | grep -q .; }

session_xfce() {
    PANEL=xfce
    session_start "$WORK/session" xfwm4 xfce || exit 1
    xfsettingsd_start "$WORK/session" || exit 1
    start_tray
    wait_for 15 bus_name_owned dev.tovi.Tovi
    check "the icon registers with the panel's StatusNotifierWatcher" wait_for 15 sni_registered
    check "the icon is in the panel" wait_for 10 panel_icon
    shot "$OUT/panel.png"
    check "a click on the icon opens the window" open_by_click
    settle 2
    walk_states open_by_click
    check_live_dark "xfconf-query -c xsettings -p /Net/ThemeName -s Adwaita-dark" \
        "xfconf-query -c xsettings -p /Net/ThemeName -s Adwaita"
    check_panel_restart
}

# KDE Plasma: the window opened from the icon in plasmashell's system tray.
session_kde() {
    # The panel's edge is a line across the screen at its 28th row: the icon is found above it.
    FIRST_STATUS_MS=10000 PANEL=kde PANEL_AREA=1280x26+0+0
    session_start "$WORK/session" none none || exit 1
    kde_start "$WORK/session" || exit 1
    park_pointer
    start_tray
    wait_for 15 bus_name_owned dev.tovi.Tovi
    check "the icon registers with the system tray's StatusNotifierWatcher" wait_for 15 sni_registered
    check "the icon is in the panel" wait_for 10 panel_icon
    shot "$OUT/panel.png"
    check "no window is open before the first click" no_window
    check "a click on the icon opens the window" open_by_click
    settle 2
    WIN=$(tovi_window) && window_geometry "$WIN" &&
        echo "the window lands at $WIN_X,$WIN_Y ($WIN_W x $WIN_H); the icon is at $ICON_X,$ICON_Y"
    walk_states open_by_click
    check_live_dark "plasma-apply-colorscheme BreezeDark" "plasma-apply-colorscheme BreezeLight"
    check_panel_restart
    # Started in Breeze Dark: the window is dark from its first frame, buttons and all.
    key Escape
    plasma-apply-colorscheme BreezeDark >>"$WORK/scheme.log" 2>&1
    app_stop "$TRAY_PID"
    GEOMETRY_LINES=0 FIRST_STATUS_MS=0
    start_tray
    check "dark start: the icon is in the panel again" wait_for 20 panel_icon
    check "dark start: a click on the icon opens the window" open_by_click
    wait_for_spaces
    look_shot dark-start-spaces
}

# check_live_dark DARK-COMMAND LIGHT-COMMAND: signed in (the pending sign-in approved on its
# page), the window open on the spaces; the desktop turns dark, then light again, the way the
# session's own settings tool does it. Each time Tovi follows at once, every text stands out
# from the new background and in dark every button has a dark face, also after a reopening.
check_live_dark() {
    local url
    window_up || open_by_click
    url=$(grep -a '/approve/' "$WORK/opened-urls" | tail -n1)
    check "live dark: the sign-in is approved on its page" curl -fsS -o /dev/null -X POST "$url/approve"
    settle 6
    # The notices of the sign-in are dismissed, as a user would: their bubbles (the session's
    # notification service is dunst, started by the bus) cover the window's texts.
    dunstctl close-all >/dev/null 2>&1
    sleep 0.3
    look_shot light-live-spaces
    switch_scheme dark "$1"
    look_shot dark-live-spaces
    check_footer_whole dark-live-spaces
    # The account menu is a native menu: the application palette in force draws it.
    check_account_menu
    mv "$OUT/account-menu.png" "$OUT/dark-account-menu.png"
    check "live dark: Escape closes the window" reopen
    settle 2
    look_shot dark-live-reopened
    switch_scheme light "$2"
    look_shot light-live-again
    wait_for 5 tovi_window && xdotool key Escape
}
# switch_scheme dark|light COMMAND: the desktop switches, and Tovi says it followed.
switch_scheme() {
    local before
    before=$(grep -ac "tovi-trace: appearance $1 " "$LOG")
    $2 >>"$WORK/scheme.log" 2>&1
    followed() { (($(grep -ac "tovi-trace: appearance $1 " "$LOG") > before)); }
    check "live dark: Tovi follows the desktop to $1 ($2)" wait_for 10 followed "$1"
    sleep 0.5 # the repainted frame reaches the screen
}

open_after_restart() { open_by_click || { ! window_up && open_by_click; }; }

# The panel ends and starts again: the icon is back in it and opens the window.
# On GNOME the tray is the extension: turned off and on again through the shell.
check_panel_restart() {
    key Escape
    wait_for 5 no_window
    if [ "$PANEL" = appindicator ]; then
        gnome_extension Disable && wait_for 10 sh -c '! dbus-send --session --print-reply --dest=org.freedesktop.DBus \
            /org/freedesktop/DBus org.freedesktop.DBus.NameHasOwner string:org.kde.StatusNotifierWatcher |
            grep -q "boolean true"' && gnome_extension Enable || { fail "the extension is turned off and on"; return; }
    else
        kill "$PANEL_PID"
        wait_for 10 sh -c "! kill -0 $PANEL_PID 2>/dev/null"
        panel_start "$PANEL" "$WORK/session" || { fail "the panel starts again"; return; }
    fi
    check "after a panel restart the icon registers again" wait_for 20 sni_registered
    check "after a panel restart the icon is in the panel" wait_for 10 panel_icon
    shot "$OUT/panel-restarted.png"
    # A tray that has just come back may draw the icon before it passes clicks on (GNOME's
    # extension, once in several runs): a second click, only while the window is still not up.
    check "after a panel restart a click on the icon opens the window" open_after_restart
}

# The icon in waybar opens the window; where sway puts it is reported, not required.
session_sway() {
    PANEL=waybar
    sway_start "$WORK/session" || exit 1
    panel_start waybar "$WORK/session" || exit 1
    export QT_QPA_PLATFORM=wayland
    walk_status_tray
    check_panel_restart
}

# Tovi on Wayland with a StatusNotifierItem host: the icon in its bar opens the window, the walk.
walk_status_tray() {
    park_pointer
    start_tray
    wait_for 15 bus_name_owned dev.tovi.Tovi
    check "the icon registers with the $PANEL StatusNotifierWatcher" wait_for 15 sni_registered
    check "the icon is in the bar" wait_for 10 panel_icon
    shot "$OUT/panel.png"
    check "no window is open before the first click" no_window
    check "one click on the icon opens the window" open_by_click
    settle 2
    walk_states open_by_click
}

# GNOME Shell with the AppIndicator extension: its tray is in the top bar, left of the system
# menu; Tovi on Wayland. The extension gives an item's menu to the primary button, always, and
# calls the item on a double click or a middle click.
session_gnome() {
    PANEL=appindicator
    session_start "$WORK/session" none none || exit 1
    gnome_start "$WORK/session" ubuntu-appindicators@ubuntu.com || exit 1
    export QT_QPA_PLATFORM=wayland PANEL_AREA=150x32+1080+0 PANEL_AREA_X=1080 TOP_BAR=32
    # What the shell does with Tovi's menu: "opened", "closed" and "clicked" events.
    dbus-monitor --session "type='method_call',interface='com.canonical.dbusmenu',member='Event'" \
        >"$WORK/session/menu-events.log" 2>&1 &
    session_track $!
    walk_status_tray
    check_gnome_menu
    check_panel_restart
}

# menu_events NAME: how often the shell sent that event for Tovi's menu.
menu_events() { grep -ac "string \"$1\"" "$WORK/session/menu-events.log"; }
# The shell's menu of the icon, open: its box below the top bar, against the plain background,
# into MENU_X MENU_Y MENU_W MENU_H.
shell_menu_box() {
    read -r MENU_W MENU_H MENU_X MENU_Y <<<"$(grab_screen - | convert - -crop 400x400+880+$TOP_BAR +repage \
        -fuzz 3% -trim -format '%w %h %X %Y' info: 2>/dev/null)"
    MENU_X=$((880 + ${MENU_X#+})) MENU_Y=$((TOP_BAR + ${MENU_Y#+}))
    ((MENU_W >= 80 && MENU_H >= 40 && MENU_W < 400))
}
# The primary button: one click gives the icon's menu and no window; its first entry, Open Tovi,
# opens the window. The secondary button gives the same menu; a double click opens the window.
check_gnome_menu() {
    local opened closed clicked opens
    key Escape
    wait_for 5 no_window
    panel_icon || { fail "gnome menu: the icon is in the top bar"; return; }
    opened=$(menu_events opened) closed=$(menu_events closed) clicked=$(menu_events clicked)
    opens=$(($(trace_count open-warm) + $(trace_count open-cold)))
    pointer_click "$ICON_X" "$ICON_Y"
    menu_opened() { (($(menu_events opened) > opened)); }
    check "gnome menu: one primary click opens the icon's menu" wait_for 5 menu_opened
    check "gnome menu: the menu is on screen below the icon" wait_for 5 shell_menu_box
    root_shot gnome-menu-primary
    # The screenshot's box would be the menu: Tovi's own trace says whether it opened the window.
    check "gnome menu: one primary click does not open the window as well" \
        test $(($(trace_count open-warm) + $(trace_count open-cold))) -eq "$opens"
    if [ -n "${MENU_W:-}" ]; then
        # Two rows, a separator between them: the first row is in the box's top quarter.
        xdotool mousemove --sync $((MENU_X + MENU_W / 2)) $((MENU_Y + MENU_H / 4)) click 1
        menu_clicked() { (($(menu_events clicked) > clicked)); }
        check "gnome menu: Open Tovi is clicked in the menu" wait_for 5 menu_clicked
        check "gnome menu: Open Tovi opens the window" wait_for 10 window_up
    fi
    key Escape
    wait_for 5 no_window
    opened=$(menu_events opened)
    pointer_click "$ICON_X" "$ICON_Y" right
    check "gnome menu: a secondary click opens the icon's menu" wait_for 5 menu_opened
    wait_for 5 shell_menu_box
    root_shot gnome-menu-secondary
    key Escape
    menu_closed() { (($(menu_events closed) > closed + 1)); }
    check "gnome menu: Escape closes the icon's menu" wait_for 5 menu_closed
    pointer_onto "$ICON_X" "$ICON_Y" && xdotool click --repeat 2 --delay 120 1
    check "gnome menu: a double click opens the window" wait_for 10 window_up
}

gnome_extension() { # gnome_extension Enable|Disable
    gdbus call --session --dest org.gnome.Shell --object-path /org/gnome/Shell \
        --method "org.gnome.Shell.Extensions.$1Extension" ubuntu-appindicators@ubuntu.com | grep -q true
}

# GNOME Shell without a tray: a normal window at launch, back by D-Bus activation.
session_gnome_no_tray() {
    session_start "$WORK/session" none none || exit 1
    gnome_start "$WORK/session" || exit 1
    export TOP_BAR=32
    walk_without_tray
}

session_wayland() {
    session_start "$WORK/session" none none || exit 1
    weston_start "$WORK/session" || exit 1
    walk_without_tray
}

# A Wayland desktop with no tray: the window opens at launch and comes back by D-Bus activation.
walk_without_tray() {
    export QT_QPA_PLATFORM=wayland OWN_BAR=$TITLE_BAR_H
    park_pointer
    start_tray
    check "the window opens at launch without a tray" wait_for 20 wayland_window_up
    wait_for 15 bus_name_owned dev.tovi.Tovi
    settle 2
    walk_states activate_over_dbus
}

# The window's own title bar (a Wayland shell draws none for it): the name on it in the window's
# colours, a drag moves the window, a double click changes nothing (Weston drops a client that
# takes a maximised state at its own size), and a click on its close button closes the window.
TITLE_BAR_H=30 OWN_BAR=0 # OWN_BAR: the height of that bar where the window has it
check_title_bar() {
    local x=$WX y=$WY w=$WW h=$WH name dx
    name=$(reported_texts | awk -v bar=$TITLE_BAR_H '$1 == "body" && $6 == "Tovi" && $3 + $5 <= bar { print $4 "x" $5 "+" $2 "+" $3 }')
    check "title bar: the name is on it (${name:-not reported})" test -n "$name"
    check_contrast spaces $TITLE_BAR_H
    # Towards the middle of the screen, so that the window stays whole on it.
    dx=$((x + w / 2 > SCREEN_W / 2 ? -100 : 100))
    xdotool mousemove --sync $((x + w / 2)) $((y + TITLE_BAR_H / 2)) mousedown 1 sleep 0.2 \
        mousemove --sync $((x + w / 2 + dx / 5)) $((y + TITLE_BAR_H / 2)) sleep 0.2 \
        mousemove --sync $((x + w / 2 + dx)) $((y + TITLE_BAR_H / 2)) sleep 0.2 mouseup 1
    park_pointer
    moved() { wayland_window_up && ((WX != x)) && within "$WY" "$y" && ((WW == w && WH == h)); }
    check "title bar: a drag moves the window (from $x,$y by $dx px across; now at $WX,$WY)" wait_for 5 moved
    root_shot title-bar-moved
    x=$WX y=$WY
    xdotool mousemove --sync $((x + w / 2)) $((y + TITLE_BAR_H / 2)) click --repeat 2 --delay 80 1
    park_pointer
    changed() { ! kill -0 "$TRAY_PID" 2>/dev/null || ! wayland_window_up || [ "$WX $WY $WW $WH" != "$x $y $w $h" ]; }
    stays() { ! wait_for 3 changed; }
    check "title bar: a double click changes nothing (${w}x$h at $x,$y)" stays
    check "title bar: Tovi still runs after the double click" kill -0 "$TRAY_PID"
    root_shot title-bar-double-clicked
    xdotool mousemove --sync $((x + w - 16)) $((y + TITLE_BAR_H / 2)) click 1
    check "title bar: a click on its close button closes the window" wait_for 5 no_wayland_window
    check "title bar: D-Bus activation opens it again" activate_over_dbus
    wait_for 10 wayland_window_up
    settle 2
}

# Closed, then brought back as another launch would, by D-Bus activation (Weston has the X
# keyboard under the parked pointer).
check_activation() {
    # Weston gives the keyboard to a window when it is mapped, and a re-map under load may leave
    # it elsewhere: a click on the window's own title bar gives it back, as a user would.
    xdotool mousemove --sync $((WX + 60)) $((WY + TITLE_BAR_H / 2)) click 1
    sleep 0.3
    xdotool key Escape
    check "Escape closes the window" wait_for 5 no_wayland_window
    check "D-Bus activation opens the window" activate_over_dbus
    check "the window is back" wait_for 10 wayland_window_up
    settle 2
    check_window activated
}

session_late_panel() {
    local started icon allowed
    session_start "$WORK/session" openbox none || exit 1
    start_tray
    started=$SECONDS
    check "with no tray the window opens at launch" wait_for 20 tovi_window
    settle 2
    check_window loading
    # Its size follows the content: nothing to maximise.
    allowed=$(xprop -id "$(tovi_window)" _NET_WM_ALLOWED_ACTIONS 2>/dev/null)
    check "the normal window offers no maximise ($allowed)" test -n "$allowed" -a "${allowed/MAXIMIZE/}" = "$allowed"
    while ((SECONDS - started < 5)); do sleep 0.2; done
    panel_start trayer "$WORK/session" || exit 1
    check "the icon appears once the panel is up" wait_for 15 tray_icon_window
    check "Tovi was not restarted" kill -0 "$TRAY_PID"
    shot "$OUT/panel.png"
    wait_for_spaces
    check_window spaces
    check_grew loading spaces

    # From now on the icon opens the drop-down, under it.
    icon=$(tray_icon_window) || return
    tovi_window >/dev/null && xdotool windowactivate --sync "$(tovi_window)" key Escape 2>/dev/null
    wait_for 5 no_tovi_window
    check "a click on the late icon opens the window" open_by_click
    settle 2
    check_window drop-down
    window_geometry "$icon"
    check "the window hangs below the icon" test "$WY" -ge $((WIN_Y + WIN_H))
}

# The look, each variant of LOOK_VARIANTS in a run of its own: schemes, the desktop's colour scheme
# switched by its portal while the window is open, starting light; dark, the same starting dark
# (the window first built in dark); scale2, every pixel doubled; font150, the desktop's fonts at
# 150 % (a 144 dpi font setting, unscaled); cantarell, GNOME's Cantarell 11.
session_look() {
    local variant
    session_start "$WORK/session" openbox trayer || exit 1
    for variant in ${LOOK_VARIANTS:-schemes dark scale2 font150 cantarell}; do
        case "$variant" in
        schemes) look_run light QT_SCALE_FACTOR=1 ;;
        dark) look_run dark QT_SCALE_FACTOR=1 ;;
        scale2) SCALE=2 look_run scale2 QT_SCALE_FACTOR=2 ;;
        font150) look_run font150 QT_ENABLE_HIGHDPI_SCALING=0 QT_FONT_DPI=144 ;;
        cantarell) look_cantarell ;;
        *) fail "unknown look variant: $variant" ;;
        esac
    done
}

# GNOME's font: Cantarell for Qt's sans serif, at 11 points on a 96 dpi screen (14.7 px: Qt's
# 9-point default at 117 dpi); the footer shows its texts whole.
look_cantarell() {
    local conf="$OUT/cantarell-fonts.conf"
    cat >"$conf" <<'CONF'
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <include ignore_missing="no">/etc/fonts/fonts.conf</include>
  <alias binding="strong"><family>Sans Serif</family><prefer><family>Cantarell</family></prefer></alias>
  <alias binding="strong"><family>sans-serif</family><prefer><family>Cantarell</family></prefer></alias>
</fontconfig>
CONF
    check "cantarell: Qt's sans serif is Cantarell ($(FONTCONFIG_FILE=$conf fc-match 'Sans Serif'))" \
        sh -c "FONTCONFIG_FILE='$conf' fc-match 'Sans Serif' | grep -q Cantarell"
    look_run cantarell FONTCONFIG_FILE="$conf" QT_ENABLE_HIGHDPI_SCALING=0 QT_FONT_DPI=117
    rm -f "$conf"
}

# check_footer_whole STATE: the service state and the CLI version (the stand-in's) are shown whole.
check_footer_whole() {
    local text version
    version=$("$HOME/.local/bin/tovi" internal status --stdout-format=json |
        /usr/bin/python3 -c 'import json, sys; print(json.load(sys.stdin)["cli"]["current_version"])')
    for text in Service_running "$(printf %s "$version" | tr -c '[:alnum:]' _)"; do
        check "$1: $text is shown whole ($(reported_texts | awk -v n="$text" '$6 == n' | paste -sd'|'))" \
            shown_whole "$text"
    done
}
shown_whole() { reported_texts | awk -v n="$1" '$6 == n && $7 == "whole" { ok = 1 } END { exit !ok }'; }

# The add-account prompt, from the account menu of the signed-in window: a dialog of one size
# (the window manager allows no maximise) with the window's colours; Escape closes it.
check_add_account_prompt() {
    local id allowed hints functions
    xdotool mousemove --sync $((WX + WW - 23)) $((WY + 23)) click 1
    # The menu is a window of its own beside the main one.
    menu_up() { (($(xdotool search --onlyvisible --classname '^tovi-tray$' 2>/dev/null | wc -l) >= 2)); }
    wait_for 5 menu_up || { fail "add account: the account menu opens"; return; }
    # From the bottom, past the settings: Quit, Notifications, Sync, Keep awake, Open at Login, Automatic
    # updates (Check for Updates is greyed), Sign out, Add account.
    xdotool key --delay 120 Up Up Up Up Up Up Up Up Return
    id=""
    prompt_up() { id=$(xdotool search --onlyvisible --name '^Add account$' 2>/dev/null | head -n1); [ -n "$id" ]; }
    if ! wait_for 5 prompt_up; then
        fail "add account: the prompt opens from the account menu"
        xdotool key Escape
        return
    fi
    sleep 0.5
    park_pointer
    shot "$OUT/$1.png"
    allowed=$(xprop -id "$id" _NET_WM_ALLOWED_ACTIONS 2>/dev/null)
    check "add account: the prompt offers no maximise ($allowed)" test "${allowed/MAXIMIZE/}" = "$allowed"
    # Openbox offers minimise on every dialog whatever it asks; what Tovi asks is in its Motif
    # hints (functions: 1 all, 8 minimise, 16 maximise).
    hints=$(xprop -id "$id" _MOTIF_WM_HINTS 2>/dev/null)
    functions=$(sed -n 's/.*= *[^,]*, *\([0-9a-fx]*\).*/\1/p' <<<"$hints")
    check "add account: the prompt asks for neither minimise nor maximise ($hints)" \
        test -n "$functions" -a $((${functions:-1} & 25)) -eq 0
    xdotool windowactivate --sync "$id" key Escape 2>/dev/null
    check "add account: Escape closes the prompt" wait_for 5 sh -c "! xdotool search --onlyvisible --name '^Add account$' >/dev/null 2>&1"
}

# look_run NAME VAR=VALUE...: Tovi with those variables in a fresh sandbox, on the spaces and the
# welcome form; the light and dark runs go through the colour schemes too.
look_run() {
    local name=$1 portal=""
    shift
    WORK="$OUT/run-$name" LOG="$OUT/run-$name/tray.log" GEOMETRY_LINES=0
    sandbox "$WORK"
    if [ "$name" = light ] || [ "$name" = dark ]; then
        /usr/bin/python3 "$(dirname "${BASH_SOURCE[0]}")/portal_settings.py" "$([ "$name" = dark ] && echo 1 || echo 2)" \
            2>"$WORK/portal.log" &
        portal=$!
        session_track $portal
        wait_for 10 bus_name_owned org.freedesktop.portal.Desktop
    fi
    start_tray "$@"
    wait_for 30 tray_icon_window && open_by_click || { fail "$name: the window opens"; stop_app; return; }
    wait_for_spaces
    # A dark run's states are named dark-*: their buttons must have dark faces.
    look_shot "$([ "$name" = dark ] && echo dark-first || echo "$name")-spaces"
    [ "$name" = cantarell ] && check_footer_whole "$name-spaces"
    if [ "$name" = dark ]; then
        # Built in dark, never switched: the state the window is in after a dark start.
        check_add_account_prompt dark-add-account
        set_scheme 2 light-after-dark-spaces
        set_scheme 1 dark-again-spaces
        sign_out open_by_click
        look_shot dark-first-signed-out
    elif [ "$name" = light ]; then
        # A partial status: its warning is a text in amber.
        "$SIM" scenario set '{"rules": [{"match": ["internal", "status"], "output": "partial"}]}' >/dev/null
        settle 4
        look_shot light-partial
        "$SIM" scenario clear >/dev/null
        settle 4
        set_scheme 1 dark-spaces
        sign_out open_by_click
        look_shot dark-signed-out
        check_account_menu
        mv "$OUT/account-menu.png" "$OUT/dark-account-menu.png"
        set_scheme 2 light-signed-out
        set_scheme 0 default-signed-out
        sign_in open_by_click
        check_contrast awaiting-approval
    else
        sign_out open_by_click
        look_shot "$name-signed-out"
    fi
    stop_app
    # The next run starts with a desktop of its own scheme, or none.
    if [ -n "$portal" ]; then
        kill "$portal"
        portal_gone() { ! bus_name_owned org.freedesktop.portal.Desktop; }
        wait_for 10 portal_gone || fail "$name: the stand-in portal ends"
    fi
}
look_shot() { check_window "$1"; check_contrast "$1"; }
set_scheme() { # set_scheme VALUE STATE: the portal announces a colour scheme, then STATE is measured
    gdbus call --session --dest org.freedesktop.portal.Desktop --object-path /org/freedesktop/portal/desktop \
        --method dev.tovi.test.Portal.SetColorScheme "$1" >/dev/null
    sleep 1
    look_shot "$2"
}

session_"${SESSION//-/_}"
echo "screenshots in $OUT"
exit $((FAILURES > 0))
