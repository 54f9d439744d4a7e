# Shared by the walkthroughs that drive Mebo on the private test desktop with xdotool. The caller
# defines fail(), $mebo and $home (the application's log goes to its app.log). Every step waits
# for the state it needs (a window, a file, a log line), never for a fixed time; WAIT_SECONDS
# bounds each wait.
wait_secs=${WAIT_SECONDS:-90}
# MEBO_WALKTHROUGH_TRACE=1 prints every command with the time it began, to see where a run waits.
if [ -n "${MEBO_WALKTHROUGH_TRACE:-}" ]; then
    PS4='+ ${EPOCHREALTIME} '
    set -x
fi
private_home() { # DIR: the application's home, settings, data, cache and runtime folders in DIR
    export HOME="$1" XDG_CONFIG_HOME="$1/config" XDG_DATA_HOME="$1/data" XDG_CACHE_HOME="$1/cache"
    export XDG_RUNTIME_DIR="$1/run" OMP_THREAD_LIMIT=1
    mkdir -p -m 700 "$XDG_RUNTIME_DIR"
    library="$1/Pictures/mebo"
    shots="$1/shots"
}
wait_for() { # DESCRIPTION COMMAND...: polls until COMMAND succeeds
    local what=$1
    shift
    local end=$((SECONDS + wait_secs))
    until "$@" >/dev/null 2>&1; do
        [ "$SECONDS" -lt "$end" ] || fail "$what"
        sleep 0.05
    done
}
window_named() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1; }
# Waits for a visible window whose title matches PATTERN and puts its id in VAR: in one step, as a
# window can be unmapped again between a look and a second look (a reopened editor is).
wait_window() { # VAR DESCRIPTION PATTERN
    wait_for "$2" window_into "$1" "$3"
}
window_into() { # VAR PATTERN
    local id
    id=$(window_named "$2") && [ -n "$id" ] && printf -v "$1" '%s' "$id"
}
log_has() { grep -aqF -- "$1" "$home/app.log"; }
drag() { # X1 Y1 X2 Y2
    xdotool mousemove "$1" "$2" mousedown 1
    sleep 0.05
    local i
    for i in 1 2 3 4 5 6; do
        xdotool mousemove $(($1 + ($3 - $1) * i / 6)) $(($2 + ($4 - $2) * i / 6))
        sleep 0.03
    done
    xdotool mouseup 1
}
# Whether a client holds the keyboard (a menu or the overlay grabs it once it is up): keys typed
# before that go to the window in front.
keyboard_grabbed() {
    python3 - <<'PY'
import ctypes, sys
x = ctypes.cdll.LoadLibrary("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XOpenDisplay.argtypes = [ctypes.c_char_p]
x.XDefaultRootWindow.restype = ctypes.c_ulong
x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x.XGrabKeyboard.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_int, ctypes.c_ulong]
x.XUngrabKeyboard.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
x.XCloseDisplay.argtypes = [ctypes.c_void_p]
d = x.XOpenDisplay(None)
if not d:
    sys.exit(2)
status = x.XGrabKeyboard(d, x.XDefaultRootWindow(d), 0, 1, 1, 0)  # AlreadyGrabbed is 1
if status == 0:
    x.XUngrabKeyboard(d, 0)
x.XCloseDisplay(d)
sys.exit(0 if status == 1 else 1)
PY
}
# The application in the background, in the appearance THEME; `app` holds its process id.
start_app() { # THEME
    "$mebo" config set mebo.appearanceMode "$1" >/dev/null
    # Appending: a child the last run left writing must not leave a hole of zeros in the new log.
    : >"$home/app.log"
    "$mebo" --background >>"$home/app.log" 2>&1 &
    app=$!
    wait_for "the application to start" log_has 'app-level monitor installed'
}
stop_app() {
    kill "$app"
    wait "$app" 2>/dev/null || true
    app=""
}
