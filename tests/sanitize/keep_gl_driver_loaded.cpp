// Linked into every program of a sanitizer build. At exit, GLX and EGL unload Mesa's driver while
// the demo's context (never destroyed, by design) still holds memory through it; the leak check
// that runs after would find that memory with nothing left to name it. Pinned here, the driver
// stays mapped to the end and its allocations can be suppressed by its name.
#include <dlfcn.h>

namespace {

struct KeepGlDriverLoaded {
    KeepGlDriverLoaded() { dlopen(GL_DRIVER_PATH, RTLD_LAZY | RTLD_NODELETE); }
};

const KeepGlDriverLoaded keepGlDriverLoaded;

} // namespace
