#!/usr/bin/env bash
# Runs a command on a private test desktop: Xvfb (1920x1080x24) on a free display number,
# openbox, a private D-Bus session bus, a system tray (trayer, XEmbed) and a few busy xterm
# windows. Every helper is stopped by its PID afterwards.
# Usage: run-desktop.sh COMMAND [ARGS...]
# MEBO_TEST_XTERMS=N (default 3) terminals; MEBO_TEST_TRAY=0 leaves the tray out.
# MEBO_TEST_A11Y=1 also starts the accessibility bus on the session bus and switches it on, as a
# desktop does when assistive technologies are enabled (applications started later expose their
# accessibility trees).
set -u

size="${MEBO_TEST_SCREEN:-1920x1080x24}"
xterms="${MEBO_TEST_XTERMS:-3}"

pick_display() {
    for n in $(seq 120 400); do
        if [ ! -e "/tmp/.X${n}-lock" ] && [ ! -e "/tmp/.X11-unix/X${n}" ]; then
            echo "$n"
            return 0
        fi
    done
    return 1
}

pids=()
cleanup() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[$i]}" 2>/dev/null
    done
    for p in "${pids[@]}"; do wait "$p" 2>/dev/null; done
}
trap 'cleanup; [ -n "${MEBO_DESKTOP_DIR:-}" ] && rm -rf "$MEBO_DESKTOP_DIR"' EXIT INT TERM

for attempt in 1 2 3 4 5; do
    n=$(pick_display) || { echo "run-desktop: no free display number" >&2; exit 1; }
    # -noreset: otherwise the server resets when the probing client below disconnects, and a
    # client connecting during the reset (openbox) is refused.
    Xvfb ":$n" -screen 0 "$size" -nolisten tcp -noreset >/dev/null 2>&1 &
    xpid=$!
    for _ in $(seq 1 600); do
        if DISPLAY=":$n" xdpyinfo >/dev/null 2>&1; then break; fi
        kill -0 "$xpid" 2>/dev/null || break
        sleep 0.05
    done
    # Two runs may pick the same number at once: the display is ours only when our server holds
    # its lock (the other server answers xdpyinfo just as well).
    if DISPLAY=":$n" xdpyinfo >/dev/null 2>&1 && [ "$(tr -d ' \n' <"/tmp/.X${n}-lock" 2>/dev/null)" = "$xpid" ]; then
        pids+=("$xpid")
        break
    fi
    kill "$xpid" 2>/dev/null
    wait "$xpid" 2>/dev/null
done
[ "${#pids[@]}" -gt 0 ] || { echo "run-desktop: Xvfb did not start" >&2; exit 1; }

export DISPLAY=":$n"
# Tests create "$MEBO_DESKTOP_DIR/freeze" to stop the terminals' output for exact pixel checks.
MEBO_DESKTOP_DIR=$(mktemp -d /tmp/mebo-desktop.XXXXXX)
export MEBO_DESKTOP_DIR
openbox --sm-disable >/dev/null 2>&1 &
pids+=("$!")
for _ in $(seq 1 600); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.05
done

# A private session bus: the tray protocol and desktop services are looked up on it.
if command -v dbus-daemon >/dev/null 2>&1; then
    bus="$MEBO_DESKTOP_DIR/bus"
    dbus-daemon --session --nofork --nopidfile --address="unix:path=$bus" >/dev/null 2>&1 &
    pids+=("$!")
    for _ in $(seq 1 1500); do [ -S "$bus" ] && break; sleep 0.02; done
    export DBUS_SESSION_BUS_ADDRESS="unix:path=$bus"
    if [ "${MEBO_TEST_A11Y:-0}" = "1" ] && command -v gdbus >/dev/null 2>&1; then
        # Asking for its address starts the launcher (D-Bus activation); it runs the bus.
        gdbus call --session --dest org.a11y.Bus --object-path /org/a11y/bus \
            --method org.a11y.Bus.GetAddress >/dev/null 2>&1
        gdbus call --session --dest org.a11y.Bus --object-path /org/a11y/bus \
            --method org.freedesktop.DBus.Properties.Set org.a11y.Status IsEnabled '<true>' >/dev/null 2>&1
        # The launcher was started by the bus, not by us: stop it by its process id too.
        launcher=$(gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
            --method org.freedesktop.DBus.GetConnectionUnixProcessID org.a11y.Bus 2>/dev/null | tr -dc '0-9')
        [ -n "$launcher" ] && pids+=("$launcher")
        export MEBO_TEST_A11Y=1
    fi
fi

# An XEmbed system tray at the top-right corner, as desktop panels have.
if [ "${MEBO_TEST_TRAY:-1}" = "1" ] && command -v trayer >/dev/null 2>&1; then
    trayer --edge top --align right --widthtype request --height 28 --SetDockType true \
        --transparent false --tint 0x2e3436 --distance 0 >/dev/null 2>&1 &
    pids+=("$!")
    for _ in $(seq 1 600); do
        xprop -root 2>/dev/null | grep -q '_NET_SYSTEM_TRAY' && break
        xprop -name panel >/dev/null 2>&1 && break
        sleep 0.05
    done
fi

# Busy terminals: text that changes gives real, non-uniform pixels.
for i in $(seq 1 "$xterms"); do
    x=$(( 40 + (i - 1) * 420 )); y=$(( 60 + (i - 1) * 160 ))
    xterm -geometry "80x24+${x}+${y}" -T "mebo-test-xterm-$i" \
        -e sh -c 'while :; do [ -e "$MEBO_DESKTOP_DIR/freeze" ] || ls -la --time-style=+%s.%N /usr/bin | head -40; sleep 0.3; done' >/dev/null 2>&1 &
    pids+=("$!")
done
# The tests expect the terminals on screen: wait until each one is mapped (30 s at most each).
for i in $(seq 1 "$xterms"); do
    for _ in $(seq 1 600); do
        xwininfo -name "mebo-test-xterm-$i" 2>/dev/null | grep -q 'IsViewable' && break
        sleep 0.05
    done
done

"$@"
status=$?
exit "$status"
