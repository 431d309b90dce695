# Sourced by the web build scripts: sets up Debian's emscripten so that it can build.
#   . scripts/web-env.sh        (needs DEPS_CACHE set to the directory of cached builds)

# Debian ships emscripten's cache of system libraries read-only and frozen; emcc still needs to
# write beside them (locks, generated headers), so it works on a copy of its own, made once per
# emscripten version.
web_env_setup() {
    local version
    version=$(dpkg-query -W -f='${Version}' emscripten)
    export EM_CACHE="$DEPS_CACHE/web-emcache-${version//[^A-Za-z0-9.+-]/_}"
    if [ ! -f "$EM_CACHE/.copied" ]; then
        rm -rf "$EM_CACHE" "$EM_CACHE.part"
        mkdir -p "$DEPS_CACHE"
        cp -r /usr/share/emscripten/cache "$EM_CACHE.part"
        touch "$EM_CACHE.part/.copied"
        mv "$EM_CACHE.part" "$EM_CACHE"
    fi
    export EM_FROZEN_CACHE=""
    # emscripten's JavaScript tools import acorn, which Debian installs as a global node module.
    export NODE_PATH=/usr/share/nodejs
}
web_env_setup
