# Sourced by the scripts that run the demo binary.
#
# gl_driver_preload DEMO prints what LD_PRELOAD should hold for DEMO: nothing for a plain build;
# for an AddressSanitizer build, the sanitizer's runtime (which must come first) and Mesa's
# software GL driver. SDL_Quit closes the X display at exit, which unloads the driver while the
# demo's context still lives, and the driver's memory would then look leaked to the leak check
# that runs after it. Preloaded, the driver stays mapped to the end.
gl_driver_preload() {
    local asan libgl
    asan=$(ldd "$1" | awk '/libasan/ {print $3}')
    [ -n "$asan" ] || return 0
    libgl=$(ldd "$1" | awk '/libGL\.so/ {print $3; exit}')
    echo "$asan $(dirname "$libgl")/dri/swrast_dri.so"
}
