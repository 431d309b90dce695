#include "OffscreenContext.h"

#include "platform/DisplaySettings.h"

#define GL_GLEXT_PROTOTYPES 1
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>
#include <SDL.h>
#include <cstring>

namespace {

struct Offscreen {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLContext context = EGL_NO_CONTEXT;
    SDL_Window* window = nullptr;
    SDL_GLContext sdlContext = nullptr;
    GLuint framebuffer = 0, colour = 0, depth = 0;
};

Offscreen offscreen;

bool createSurfacelessEgl() {
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay) return false;
    EGLDisplay display =
        getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr)) return false;
    const char* extensions = eglQueryString(display, EGL_EXTENSIONS);
    if (!extensions || !std::strstr(extensions, "EGL_KHR_surfaceless_context") ||
        !eglBindAPI(EGL_OPENGL_API)) {
        eglTerminate(display);
        return false;
    }
    // The scenes draw with the fixed-function pipeline: ask for a compatibility context.
    const EGLint attributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                 EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    const bool noConfig = std::strstr(extensions, "EGL_KHR_no_config_context") != nullptr;
    EGLConfig config = EGL_NO_CONFIG_KHR;
    EGLint found = 0;
    if (!noConfig) {
        const EGLint wanted[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
        if (!eglChooseConfig(display, wanted, &config, 1, &found) || found == 0) {
            eglTerminate(display);
            return false;
        }
    }
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, attributes);
    if (context == EGL_NO_CONTEXT ||
        !eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context)) {
        eglTerminate(display);
        return false;
    }
    offscreen.display = display;
    offscreen.context = context;
    return true;
}

bool createHiddenSdlWindow() {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    offscreen.window =
        SDL_CreateWindow("Demo capture", 0, 0, displaySettings.width, displaySettings.height,
                         SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!offscreen.window) return false;
    offscreen.sdlContext = SDL_GL_CreateContext(offscreen.window);
    return offscreen.sdlContext && SDL_GL_MakeCurrent(offscreen.window, offscreen.sdlContext) == 0;
}

bool createFramebuffer() {
    glGenFramebuffers(1, &offscreen.framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, offscreen.framebuffer);
    glGenRenderbuffers(1, &offscreen.colour);
    glBindRenderbuffer(GL_RENDERBUFFER, offscreen.colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, displaySettings.width, displaySettings.height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                              offscreen.colour);
    // The window asks for at least 16 depth bits and GLX hands it 24. With 16 here, surfaces that
    // nearly touch (a mesh grazing the banner) would settle a few pixels the other way.
    glGenRenderbuffers(1, &offscreen.depth);
    glBindRenderbuffer(GL_RENDERBUFFER, offscreen.depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, displaySettings.width,
                          displaySettings.height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER,
                              offscreen.depth);
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    // Mesa keeps a window's buffers upside down relative to framebuffer objects, and the
    // rasteriser's fill rules and interpolation follow the storage. Putting the origin at the top
    // draws exactly the pixels the window gets, and stores the rows top first.
    glClipControl(GL_UPPER_LEFT, GL_NEGATIVE_ONE_TO_ONE);
    return glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

} // namespace

bool createOffscreenContext(std::string& error) {
    if (!createSurfacelessEgl() && !createHiddenSdlWindow()) {
        error = "no OpenGL context: neither EGL's surfaceless platform nor a hidden window works "
                "here (" +
                std::string(SDL_GetError()) + ")";
        return false;
    }
    if (!createFramebuffer()) {
        error = "the OpenGL context cannot draw into a 1024 x 768 RGBA8 framebuffer";
        return false;
    }
    return true;
}

void destroyOffscreenContext() {
    glDeleteFramebuffers(1, &offscreen.framebuffer);
    glDeleteRenderbuffers(1, &offscreen.colour);
    glDeleteRenderbuffers(1, &offscreen.depth);
    if (offscreen.display != EGL_NO_DISPLAY) {
        eglMakeCurrent(offscreen.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(offscreen.display, offscreen.context);
        eglTerminate(offscreen.display);
        eglReleaseThread();
    }
    if (offscreen.sdlContext) SDL_GL_DeleteContext(offscreen.sdlContext);
    if (offscreen.window) SDL_DestroyWindow(offscreen.window);
    offscreen = Offscreen{};
}

const char* offscreenContextKind() {
    return offscreen.display != EGL_NO_DISPLAY ? "EGL surfaceless" : "hidden window";
}

void readFramePixels(std::vector<uint8_t>& rgb) {
    rgb.resize(static_cast<size_t>(displaySettings.width) * displaySettings.height * 3);
    // Rows of 1024 * 3 bytes need no padding, but say so rather than rely on the width.
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, displaySettings.width, displaySettings.height, GL_RGB, GL_UNSIGNED_BYTE,
                 rgb.data());
}
