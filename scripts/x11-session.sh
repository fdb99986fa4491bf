# A private, headless desktop for the demo, the end-to-end tests and the window benchmark:
# Xvfb, a private session bus, optionally a window manager (openbox, xfwm4), and a tray: an
# XEmbed tray (trayer) or XFCE's panel (its status tray hosts StatusNotifierItems and has the
# watcher). Source it, then:
#   session_start DIR [WM [PANEL]]
#                        exports DISPLAY and DBUS_SESSION_BUS_ADDRESS, logs go to DIR;
#                        WM is none (the default), openbox or xfwm4, PANEL trayer (the
#                        default), xfce or none
#   panel_start PANEL DIR  starts a tray later (a panel that comes up after the apps);
#                        PANEL_PID is the panel's process
#   panel_icon           the centre of the one icon in a panel along the top edge (ICON_X ICON_Y)
#   weston_start DIR     a nested Wayland compositor in the X server; exports WAYLAND_DISPLAY
#   sway_start DIR       sway on its headless back end (no X server): exports WAYLAND_DISPLAY and
#                        SWAYSOCK, starts the session bus and a virtual pointer and keyboard;
#                        the panel is then waybar (panel_start waybar DIR), its tray an SNI host
#   xfsettingsd_start DIR  XFCE's settings manager: publishes the GTK theme (and fonts) as XSETTINGS
#   kde_start DIR        KDE Plasma 5 on the X server: kwin_x11, and plasmashell (the panel,
#                        panel_start kde DIR) with only its system tray along the top edge, an
#                        SNI host; XDG_CURRENT_DESKTOP=KDE and the Breeze Light colour scheme
#   gnome_start DIR [EXTENSION]
#                        GNOME Shell nested on Wayland in the X server (exports WAYLAND_DISPLAY),
#                        with that extension enabled (or none), on a private system bus
#   pointer_move X Y, pointer_click X Y [BUTTON], key NAME...
#                        input on the session's display (xdotool, or the virtual devices on sway)
#   session_track PID    adds a process to what session_stop ends
#   session_track_service HOME
#                        adds the stand-in service of a sandbox HOME to what session_stop ends
#   session_stop         ends everything started here, newest first, then those services
#   app_stop PID         ends an app and the children it left
# Helpers: wait_for SECONDS CMD..., bus_start DIR, tray_icon_window, click_window_centre ID,
# window_geometry ID (sets WIN_X WIN_Y WIN_W WIN_H), tovi_window, shot FILE [ID] [PAD],
# sandbox_home DIR, settled_sandbox WORK BUILD.

SESSION_PIDS=()
SESSION_SERVICE_HOMES=()

session_track() { SESSION_PIDS+=("$1"); }
session_track_service() { SESSION_SERVICE_HOMES+=("$1"); }

# The service detaches from whatever started it, so killing the session's processes leaves
# it running: stop it with its own command, then end whatever that missed by its pid file
# (only when that pid is still the stand-in, never a process that reused the number).
stop_sandbox_service() {
    local home=$1 pid exe
    if [ -x "$home/.local/bin/tovi" ]; then
        env -u TOVI_DIR HOME="$home" "$home/.local/bin/tovi" uninstall service >/dev/null 2>&1 || true
    fi
    pid=$(head -c 32 "$home/.tovi/run/daemon.pid" 2>/dev/null | tr -cd 0-9) || true
    [ -n "$pid" ] || { stop_sandbox_commands "$home"; return 0; }
    exe=$(readlink "/proc/$pid/exe" 2>/dev/null) || { stop_sandbox_commands "$home"; return 0; }
    exe=${exe% (deleted)}
    case "${exe##*/}" in tovi | tovi-sim) kill "$pid" 2>/dev/null || true ;; esac
    stop_sandbox_commands "$home"
}

# CLI commands of a sandbox HOME still running (a sign-in's claim waits for its approval after
# the app quit): found by the sandbox's own CLI path in their command line, never by a pattern
# another user's process could match.
stop_sandbox_commands() {
    local cli="$1/.local/bin/tovi" entry pid
    for entry in /proc/[0-9]*/cmdline; do
        pid=${entry#/proc/}
        pid=${pid%/cmdline}
        [ "$pid" != $$ ] || continue
        # A process that ended meanwhile has no cmdline left: the error goes where the output does.
        if { tr '\0' '\n' <"$entry"; } 2>/dev/null | head -n1 | grep -qxF "$cli"; then
            kill "$pid" 2>/dev/null || true
        fi
    done
}

session_stop() {
    local i pid
    for ((i = ${#SESSION_PIDS[@]} - 1; i >= 0; i--)); do
        pid=${SESSION_PIDS[$i]}
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${SESSION_PIDS[@]}"; do
        for _ in 1 2 3 4 5 6 7 8 9 10; do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$pid" 2>/dev/null || true
    done
    SESSION_PIDS=()
    # After the tray is gone: nothing is left to start the service again.
    local home
    for home in "${SESSION_SERVICE_HOMES[@]}"; do
        stop_sandbox_service "$home"
    done
    SESSION_SERVICE_HOMES=()
}

# app_stop PID: ends an app that runs child processes: it gets time to quit by itself, then
# whatever it left running (a sign-in still waiting for approval) is ended by its id.
app_stop() {
    local pid=$1 children
    [ -n "$pid" ] || return 0
    children=$(cat /proc/"$pid"/task/*/children 2>/dev/null)
    # Gone already is fine: callers may run under set -e.
    kill "$pid" 2>/dev/null && wait_for 5 sh -c "! kill -0 $pid 2>/dev/null"
    kill -9 "$pid" 2>/dev/null || true
    for pid in $children; do kill "$pid" 2>/dev/null || true; done
    return 0
}

# wait_for SECONDS CMD...: polls CMD every 0.1 s; false when it never succeeded.
wait_for() {
    local deadline=$((SECONDS + $1))
    shift
    while ((SECONDS < deadline)); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    "$@" >/dev/null 2>&1
}

session_start() {
    local dir=$1 wm=${2:-none} panel=${3:-trayer}
    mkdir -p "$dir"
    # Xvfb picks a free display itself: concurrent sessions never race for a number.
    : >"$dir/display"
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$dir/display" >"$dir/xvfb.log" 2>&1 &
    session_track $!
    wait_for 15 test -s "$dir/display" || { echo "Xvfb did not start" >&2; return 1; }
    export DISPLAY=":$(head -n1 "$dir/display")"
    wait_for 10 xdpyinfo || { echo "display $DISPLAY does not answer" >&2; return 1; }

    bus_start "$dir" || return 1

    case "$wm" in
    none) ;;
    openbox) wm_start "$dir" || return 1 ;;
    xfwm4) xfwm4_start "$dir" || return 1 ;;
    *) echo "unknown window manager: $wm" >&2; return 1 ;;
    esac
    [ "$panel" = none ] || panel_start "$panel" "$dir"
}

# bus_start DIR: a private session bus, exported as DBUS_SESSION_BUS_ADDRESS.
bus_start() {
    : >"$1/bus"
    dbus-daemon --session --nofork --nopidfile --print-address=3 3>"$1/bus" >"$1/dbus.log" 2>&1 &
    session_track $!
    wait_for 10 test -s "$1/bus" || { echo "dbus-daemon did not start" >&2; return 1; }
    export DBUS_SESSION_BUS_ADDRESS="$(head -n1 "$1/bus")"
}

# Openbox with its default configuration (HOME is a sandbox), up once it owns the
# _NET_SUPPORTING_WM_CHECK window. Like xfwm4 it gives up when its first connection fails (seen
# under load just after the display answered): tried once more, both tries in its log.
wm_start() {
    local try pid
    for try in 1 2; do
        openbox --sm-disable >>"$1/openbox.log" 2>&1 &
        pid=$!
        session_track $pid
        wait_for 10 sh -c "xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id' || ! kill -0 $pid" 2>/dev/null
        kill -0 $pid 2>/dev/null && xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id" && return 0
        kill $pid 2>/dev/null
    done
    echo "openbox did not start" >&2
    return 1
}

panel_start() {
    local panel=$1 dir=$2
    case "$panel" in
    trayer) trayer_start "$dir" ;;
    xfce) xfce_panel_start "$dir" ;;
    waybar) waybar_start "$dir" ;;
    kde) plasma_panel_start "$dir" ;;
    *) echo "unknown panel: $panel" >&2; return 1 ;;
    esac
}

# xfwm4 gives up at once when its first connection fails (seen on a loaded machine just after
# the display came up): a few tries, each until it runs the screen or has gone.
xfwm4_start() {
    local try pid
    for try in 1 2 3; do
        xfwm4 --compositor=off --sm-client-disable >>"$1/xfwm4.log" 2>&1 &
        pid=$!
        session_track $pid
        wait_for 20 sh -c "xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id' || ! kill -0 $pid" 2>/dev/null
        kill -0 $pid 2>/dev/null && xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id" && return 0
    done
    echo "xfwm4 did not start" >&2
    return 1
}

# XFCE's panel along the top edge with only its status tray (the StatusNotifierItem host and
# watcher, and the XEmbed tray) at the trailing end; its settings through xfconfd, started by
# the session bus from the sandbox's configuration.
xfce_panel_start() {
    local config="$XDG_CONFIG_HOME/xfce4/xfconf/xfce-perchannel-xml"
    if [ ! -e "$config/xfce4-panel.xml" ]; then
        mkdir -p "$config"
        cat >"$config/xfce4-panel.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=6;x=0;y=0"/>
      <property name="length" type="uint" value="100"/>
      <property name="position-locked" type="bool" value="true"/>
      <property name="icon-size" type="uint" value="22"/>
      <property name="size" type="uint" value="28"/>
      <property name="plugin-ids" type="array">
        <value type="int" value="1"/>
        <value type="int" value="2"/>
      </property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="separator">
      <property name="expand" type="bool" value="true"/>
      <property name="style" type="uint" value="0"/>
    </property>
    <property name="plugin-2" type="string" value="systray">
      <property name="square-icons" type="bool" value="true"/>
    </property>
  </property>
</channel>
XML
    fi
    # GTK would start the accessibility bus on the private session bus.
    NO_AT_BRIDGE=1 GTK_A11Y=none xfce4-panel --disable-wm-check >>"$1/xfce4-panel.log" 2>&1 &
    PANEL_PID=$!
    session_track $PANEL_PID
    wait_for 20 sni_host_registered || { echo "XFCE's panel did not start its status tray" >&2; return 1; }
}

# xfsettingsd_start DIR: XFCE's settings manager, from the sandbox's xfconf settings; up once it
# owns its bus name (it takes the XSETTINGS selection before).
xfsettingsd_start() {
    NO_AT_BRIDGE=1 xfsettingsd --disable-wm-check >>"$1/xfsettingsd.log" 2>&1 &
    session_track $!
    wait_for 20 bus_name_owned org.xfce.SettingsDaemon || { echo "xfsettingsd did not start" >&2; return 1; }
}

# The bounding box of what differs from the panel's own colour in its PANEL_AREA (a geometry,
# the top 28 rows by default; PANEL_AREA_X its left): with one icon in there, that icon.
panel_icon() {
    local w h x y
    read -r w h x y <<<"$(grab_screen - | convert - -crop "${PANEL_AREA:-1280x28+0+0}" +repage -fuzz 8% -trim \
        -format '%w %h %X %Y' info: 2>/dev/null)"
    x=${x#+} y=${y#+}
    [ -n "$x" ] && x=$((x + ${PANEL_AREA_X:-0}))
    [ -n "$w" ] && ((w >= 8 && w <= 64 && h >= 8)) || return 1
    ICON_X=$((x + w / 2)) ICON_Y=$((y + h / 2))
}

sni_watcher_property() {
    dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher /StatusNotifierWatcher \
        org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierWatcher "string:$1" 2>/dev/null
}

sni_host_registered() { sni_watcher_property IsStatusNotifierHostRegistered | grep -q 'boolean true'; }

# The items registered with the watcher, one "bus-name/object-path" a line.
sni_items() {
    sni_watcher_property RegisteredStatusNotifierItems | awk -F'"' '/string "/ {print $2}'
}

# kde_start DIR: a Plasma session as its own start-up would make it (the variables Qt and KDE
# programs read to know they are on Plasma), in the scheme of a new user (kdeglobals names no
# colours: Breeze Light); kwin without compositing (Xvfb has no GL); plasmashell's panel written
# beforehand: along the top edge with the system tray alone in it, none of the tray's own widgets.
kde_start() {
    local dir=$1 config=$XDG_CONFIG_HOME
    export XDG_CURRENT_DESKTOP=KDE KDE_FULL_SESSION=true KDE_SESSION_VERSION=5 QT_QUICK_BACKEND=software
    mkdir -p "$config"
    printf '[Compositing]\nEnabled=false\n' >"$config/kwinrc"
    printf '[PlasmaViews][Panel 2][Defaults]\nthickness=28\n' >"$config/plasmashellrc"
    cat >"$config/plasma-org.kde.plasma.desktop-appletsrc" <<CONF
[Containments][2]
activityId=
formfactor=2
immutability=1
lastScreen=0
location=3
plugin=org.kde.panel
wallpaperplugin=org.kde.image

[Containments][2][Applets][3]
immutability=1
plugin=org.kde.plasma.systemtray

[Containments][2][Applets][3][Configuration]
SystrayContainmentId=4

[Containments][2][General]
AppletOrder=3

[Containments][4]
activityId=
formfactor=2
immutability=1
lastScreen=0
location=3
plugin=org.kde.plasma.private.systemtray
wallpaperplugin=org.kde.image

[Containments][4][General]
extraItems=
knownItems=$(ls /usr/share/plasma/plasmoids | paste -sd,)
CONF
    kwin_x11 --replace >"$dir/kwin.log" 2>&1 &
    session_track $!
    wait_for 20 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' ||
        { echo "kwin_x11 did not start" >&2; return 1; }
    # KDE's daemon serves the StatusNotifierWatcher the system tray hosts icons through.
    kded5 >"$dir/kded5.log" 2>&1 &
    session_track $!
    wait_for 20 bus_name_owned org.kde.StatusNotifierWatcher || { echo "kded5 did not start its StatusNotifierWatcher" >&2; return 1; }
    panel_start kde "$dir" || return 1
    # The desktop plasmashell made for the session's activity, in one plain colour.
    gdbus call --session --dest org.kde.plasmashell --object-path /PlasmaShell --method org.kde.PlasmaShell.evaluateScript \
        'var d = desktops()[0]; d.wallpaperPlugin = "org.kde.color";
         d.currentConfigGroup = ["Wallpaper", "org.kde.color", "General"]; d.writeConfig("Color", "#3a6ea5");' \
        >>"$dir/plasmashell.log" 2>&1
}

# plasmashell, up once its system tray hosts StatusNotifierItems and the panel is drawn.
plasma_panel_start() {
    plasmashell --no-respawn >>"$1/plasmashell.log" 2>&1 &
    PANEL_PID=$!
    session_track $PANEL_PID
    wait_for 40 sni_host_registered || { echo "plasmashell did not start its system tray" >&2; return 1; }
    wait_for 20 sh -c 'xdotool search --onlyvisible --class plasmashell >/dev/null'
}

# weston_start DIR: Weston with its X11 back end, one output as large as the X screen, no
# panel, no on-screen keyboard and a plain background; WAYLAND_DISPLAY names its socket in
# XDG_RUNTIME_DIR.
weston_start() {
    local dir=$1 socket
    socket="tovi-wl-${DISPLAY#:}"
    cat >"$dir/weston.ini" <<INI
[core]
idle-time=0
[shell]
panel-position=none
background-color=0xff3a6ea5
locking=false
[input-method]
path=
INI
    weston --config="$dir/weston.ini" --backend=x11-backend.so --use-pixman --width=1280 --height=800 \
        --socket="$socket" --idle-time=0 >"$dir/weston.log" 2>&1 &
    session_track $!
    wait_for 15 test -S "$XDG_RUNTIME_DIR/$socket" || { echo "weston did not start" >&2; return 1; }
    export WAYLAND_DISPLAY=$socket
    # Weston follows the X pointer only once it has entered its window; a pointer that starts
    # inside it never does, and every later move and click would go nowhere. A warp relative
    # to the window is such an entry.
    local output
    wait_for 10 xwininfo -name "Weston Compositor - screen0" || { echo "weston shows no window" >&2; return 1; }
    output=$(xwininfo -name "Weston Compositor - screen0" | awk '/Window id:/ {print $4}')
    xdotool mousemove --window "$output" 1 1
}

# sway_start DIR: sway as the one Wayland compositor, on a 1280x800 headless output with a plain
# background and no X server; the session bus is started first so that what sway starts has it.
sway_start() {
    local dir=$1
    mkdir -p "$dir"
    bus_start "$dir" || return 1
    cat >"$dir/sway.conf" <<CONF
output HEADLESS-1 resolution 1280x800 bg #3a6ea5 solid_color
xwayland disable
default_border none
focus_follows_mouse no
CONF
    WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman sway -c "$dir/sway.conf" >"$dir/sway.log" 2>&1 &
    session_track $!
    wait_for 15 sh -c 'ls "$XDG_RUNTIME_DIR"/sway-ipc.*.sock' || { echo "sway did not start" >&2; return 1; }
    export SWAYSOCK="$(ls "$XDG_RUNTIME_DIR"/sway-ipc.*.sock | head -n1)"
    export WAYLAND_DISPLAY="$(swaymsg -t get_outputs >/dev/null && cd "$XDG_RUNTIME_DIR" && ls wayland-? | head -n1)"
    # The headless back end has no input devices: one client holds a pointer and a keyboard.
    rm -f "$dir/input" "$dir/input.ack"
    mkfifo "$dir/input"
    /usr/bin/python3 "$(dirname "${BASH_SOURCE[0]}")/../tests/e2e/wlr_input.py" "$dir/input.ack" <"$dir/input" \
        >"$dir/wlr-input.log" 2>&1 &
    session_track $!
    exec {INPUT_FD}>"$dir/input"
    INPUT_ACK="$dir/input.ack" INPUT_SENT=0
    wl_input move 1 799 || { echo "the virtual input devices did not start" >&2; return 1; }
}

# gnome_start DIR [EXTENSION]: its settings from a key file in the sandbox (no dconf service), a
# plain background; up once the shell owns its name, the extension (if any) serves its
# StatusNotifierWatcher and the shell has left the overview it starts in. A shell that does not
# come up is tried once more; the failed try's log stays beside the new one.
# The shell looks for logind on the system bus when the host has systemd's seats: a private
# bus keeps it off the host's.
gnome_start() {
    local dir=$1 extension=${2:-} try
    mkdir -p "$XDG_CONFIG_HOME/glib-2.0/settings"
    cat >"$XDG_CONFIG_HOME/glib-2.0/settings/keyfile" <<KEYS
[org/gnome/shell]
enabled-extensions=@as [${extension:+'$extension'}]
disable-user-extensions=false
welcome-dialog-last-shown-version='999'
[org/gnome/desktop/background]
picture-uri=''
picture-uri-dark=''
primary-color='#3a6ea5'
color-shading-type='solid'
[org/gnome/desktop/session]
idle-delay=uint32 0
[org/gnome/desktop/screensaver]
lock-enabled=false
[org/gnome/desktop/notifications]
show-banners=false
KEYS
    : >"$dir/system-bus"
    dbus-daemon --session --nofork --nopidfile --print-address=3 3>"$dir/system-bus" >"$dir/system-dbus.log" 2>&1 &
    session_track $!
    wait_for 10 test -s "$dir/system-bus" || { echo "the system bus did not start" >&2; return 1; }
    export DBUS_SYSTEM_BUS_ADDRESS="$(head -n1 "$dir/system-bus")" GSETTINGS_BACKEND=keyfile
    for try in 1 2; do
        gnome_shell_try "$dir" "$extension" "$try" && return 0
        kill "$PANEL_PID" 2>/dev/null
        wait_for 10 sh -c "! kill -0 $PANEL_PID 2>/dev/null"
        kill -9 "$PANEL_PID" 2>/dev/null
        mv "$dir/gnome-shell.log" "$dir/gnome-shell-try$try.log"
        echo "(GNOME Shell try $try failed; its log: $dir/gnome-shell-try$try.log)" >&2
    done
    return 1
}
# gnome_shell_try DIR EXTENSION TRY: one start of the shell (a Wayland socket of its own per try).
gnome_shell_try() {
    local dir=$1 extension=$2 socket="tovi-gnome-${DISPLAY#:}-$3"
    # No Xwayland: Tovi runs on Wayland here, and a shell that reserves X displays for one leaves
    # their locks and sockets in /tmp when it is stopped.
    NO_AT_BRIDGE=1 MUTTER_DEBUG_DUMMY_MODE_SPECS=1280x800 gnome-shell --nested --wayland --no-x11 --wayland-display="$socket" \
        >"$dir/gnome-shell.log" 2>&1 &
    PANEL_PID=$!
    session_track $PANEL_PID
    wait_for 30 bus_name_owned org.gnome.Shell || { echo "GNOME Shell did not start" >&2; return 1; }
    export WAYLAND_DISPLAY=$socket
    [ -z "$extension" ] || wait_for 20 bus_name_owned org.kde.StatusNotifierWatcher ||
        { echo "the extension $extension did not start its StatusNotifierWatcher" >&2; return 1; }
    # The shell starts in its overview, which covers the windows: out of it, and the keyboard to
    # the shell (a click on the empty desktop), once it says it has left.
    wait_for 20 gnome_overview true
    gdbus call --session --dest org.gnome.Shell --object-path /org/gnome/Shell \
        --method org.freedesktop.DBus.Properties.Set org.gnome.Shell OverviewActive '<false>' >/dev/null 2>&1
    wait_for 10 gnome_overview false || { echo "GNOME Shell did not leave its overview" >&2; return 1; }
    xdotool mousemove --sync 640 400 click 1
}
gnome_overview() { # gnome_overview true|false: the shell's overview is shown, or not
    gdbus call --session --dest org.gnome.Shell --object-path /org/gnome/Shell \
        --method org.freedesktop.DBus.Properties.Get org.gnome.Shell OverviewActive 2>/dev/null | grep -q "<$1>"
}

# wl_input COMMAND...: one line to the virtual devices, back once the compositor has it.
wl_input() {
    echo "$*" >&"$INPUT_FD"
    INPUT_SENT=$((INPUT_SENT + 1))
    wait_for 10 sh -c "[ \$(wc -l <'$INPUT_ACK') -ge $INPUT_SENT ]"
}

pointer_move() {
    if [ -n "${SWAYSOCK:-}" ]; then wl_input move "$1" "$2"; else xdotool mousemove --sync "$1" "$2"; fi
}
pointer_click() {
    local button=${3:-left}
    pointer_onto "$1" "$2" || return 1
    if [ -n "${SWAYSOCK:-}" ]; then
        wl_input click "$button"
    else
        xdotool click "$(case "$button" in left) echo 1 ;; middle) echo 2 ;; *) echo 3 ;; esac)"
    fi
}
# pointer_onto X Y: the pointer comes onto the point from beside it, as a hand's does. A shell
# finds what lies under the pointer when the pointer moves: an icon that appeared under a
# resting pointer (a panel that started again) would not get the press otherwise.
pointer_onto() { pointer_move $(($1 + 4)) "$2" && pointer_move "$1" "$2"; }
key() {
    if [ -n "${SWAYSOCK:-}" ]; then wl_input key "$@"; else xdotool key --delay 80 "$@"; fi
}

# grab_screen FILE: the whole screen as PNG (- for standard output).
grab_screen() {
    if [ -n "${SWAYSOCK:-}" ]; then grim "$1"; else import -window root "png:$1"; fi
}

# waybar along the top edge with only its tray (a StatusNotifierItem host and watcher), on a
# plain bar so that the one icon in it stands out.
waybar_start() {
    local dir=$1
    mkdir -p "$dir/waybar"
    cat >"$dir/waybar/config" <<'JSON'
{ "layer": "top", "position": "top", "height": 28, "modules-right": ["tray"],
  "tray": { "icon-size": 22, "spacing": 4 } }
JSON
    cat >"$dir/waybar/style.css" <<'CSS'
* { border: none; border-radius: 0; min-height: 0; }
window#waybar { background: #2e3440; }
CSS
    NO_AT_BRIDGE=1 GTK_A11Y=none waybar -c "$dir/waybar/config" -s "$dir/waybar/style.css" >>"$dir/waybar.log" 2>&1 &
    PANEL_PID=$!
    session_track $PANEL_PID
    wait_for 20 sni_host_registered || { echo "waybar did not start its tray" >&2; return 1; }
}

trayer_start() {
    local dir=$1
    trayer --edge top --align right --widthtype request --height 28 --SetDockType true \
        --SetPartialStrut true --transparent false --tint 0x2e3440 --iconspacing 4 >"$dir/trayer.log" 2>&1 &
    session_track $!
    wait_for 10 xdotool search --class trayer || { echo "trayer did not start" >&2; return 1; }
}

# The tray icon's window: the client trayer embedded inside its panel.
tray_icon_window() {
    local panel id
    for panel in $(xdotool search --class trayer 2>/dev/null); do
        # Children print as: 0x1234 "Tovi": ("tovi-tray" "Tovi")  22x26+0+0  +1257+1
        id=$(xwininfo -id "$panel" -tree 2>/dev/null | awk '/\("tovi-tray" / {print $1; exit}')
        if [ -n "$id" ]; then
            printf '%d\n' "$id"
            return 0
        fi
    done
    return 1
}

# The client area on the root window. Not xdotool's getwindowgeometry: under a reparenting
# window manager it counts the frame's offset twice.
window_geometry() {
    local info
    info=$(xwininfo -id "$1")
    WIN_X=$(sed -n 's/^ *Absolute upper-left X: *//p' <<<"$info")
    WIN_Y=$(sed -n 's/^ *Absolute upper-left Y: *//p' <<<"$info")
    WIN_W=$(sed -n 's/^ *Width: *//p' <<<"$info")
    WIN_H=$(sed -n 's/^ *Height: *//p' <<<"$info")
}

click_window_centre() {
    [ -n "${1:-}" ] || return 1
    window_geometry "$1"
    xdotool mousemove --sync $((WIN_X + WIN_W / 2)) $((WIN_Y + WIN_H / 2)) click 1
}

# The visible drop-down window (titled "Tovi" or "Tovi — <team>"), if any; the tray
# icon is a window of the same name.
tovi_window() {
    local id icon
    icon=$(tray_icon_window 2>/dev/null || true)
    for id in $(xdotool search --onlyvisible --name '^Tovi($| )' 2>/dev/null); do
        [ "$id" = "$icon" ] && continue
        eval "$(xdotool getwindowgeometry --shell "$id" 2>/dev/null)" || continue
        ((${WIDTH:-0} >= 100)) && { echo "$id"; return 0; }
    done
    return 1
}

# True once no drop-down window is visible.
no_tovi_window() { [ -z "$(tovi_window)" ]; }

# shot FILE [ID [PAD [SCALE]]]: the whole screen, or one window with PAD pixels around it,
# optionally enlarged by SCALE percent (the tray icon is tiny).
shot() {
    local file=$1 id=${2:-} pad=${3:-0} scale=${4:-100} raw
    raw="$(dirname "$file")/.raw-$$.png"
    grab_screen "$raw"
    if [ -n "$id" ]; then
        window_geometry "$id"
        convert "$raw" -crop "$((WIN_W + 2 * pad))x$((WIN_H + 2 * pad))+$((WIN_X - pad))+$((WIN_Y - pad))" \
            +repage -resize "${scale}%" "$file"
        rm -f "$raw"
    else
        mv "$raw" "$file"
    fi
}

# sandbox_home DIR: HOME and the XDG folders under DIR, so nothing sees the real ones.
sandbox_home() {
    mkdir -p "$1/home" "$1/runtime"
    chmod 700 "$1/runtime"
    export HOME="$1/home" XDG_RUNTIME_DIR="$1/runtime" BROWSER=true
    export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share" XDG_CACHE_HOME="$HOME/.cache"
    unset TOVI_DIR
}

# settled_sandbox WORK BUILD: a sandbox HOME (and XDG folders) under WORK, BUILD's tovi-sim
# serving the web origin (TOVI_WEB_ORIGIN is exported), and the CLI installed from it with its
# service running: an installation that has settled, before the app starts.
settled_sandbox() {
    local work=$1 build=$2
    sandbox_home "$work"
    session_track_service "$HOME"
    "$build/bin/tovi-sim" serve --port 0 >"$work/origin" 2>"$work/sim.log" &
    session_track $!
    wait_for 10 test -s "$work/origin" || { echo "tovi-sim serve did not start" >&2; return 1; }
    export TOVI_WEB_ORIGIN="$(head -n1 "$work/origin")"
    curl -fsSL "$TOVI_WEB_ORIGIN/install.sh" | bash >/dev/null
    "$HOME/.local/bin/tovi" install service >/dev/null
}
