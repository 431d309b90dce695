# Sourced by the scripts that run the page in browsers: a display and a sound output of their own.
#   . scripts/browser-env.sh DIR     (DIR: a directory for the servers' sockets and logs)
# Firefox and WebKit draw with WebGL only on a display (headless Firefox has none here): an Xvfb,
# on the first free display number, rather than windows on the user's screen. Their audio
# contexts never start without a sound output (Chromium's headless one needs none): a PulseAudio
# server with a sink that plays to nowhere, found through PULSE_SERVER. browser_env_stop ends both:
# set it on EXIT before sourcing.
browser_env_dir=$1
browser_env_xvfb=""
browser_env_stop() {
    [ -z "$browser_env_xvfb" ] || kill "$browser_env_xvfb" 2>/dev/null || true
    [ ! -f "$browser_env_dir/pulse/pid" ] || kill "$(cat "$browser_env_dir/pulse/pid")" 2>/dev/null || true
}
for number in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ] && continue
    Xvfb ":$number" -screen 0 1920x1200x24 -nolisten tcp -noreset >"$browser_env_dir/xvfb.log" 2>&1 &
    browser_env_xvfb=$!
    for _ in $(seq 1 50); do [ -e "/tmp/.X11-unix/X$number" ] && break; sleep 0.1; done
    export DISPLAY=":$number"
    break
done
[ -n "$browser_env_xvfb" ] || { echo "browser-env: no free X display number for Xvfb" >&2; exit 1; }
mkdir -p "$browser_env_dir/pulse"
export PULSE_RUNTIME_PATH="$browser_env_dir/pulse" PULSE_SERVER="unix:$browser_env_dir/pulse/native"
pulseaudio --daemonize=yes --exit-idle-time=-1 -n --load=module-null-sink \
    --load="module-native-protocol-unix auth-anonymous=1 socket=$browser_env_dir/pulse/native" \
    --log-target="file:$browser_env_dir/pulse.log"

