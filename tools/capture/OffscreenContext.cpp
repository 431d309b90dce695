#include "OffscreenContext.h"

#include "OutputFrame.h"
#include "app/Frame.h"
#include "platform/DisplaySettings.h"
#include "platform/PictureArea.h"

#define GL_GLEXT_PROTOTYPES 1
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>
#include <SDL.h>
#include <algorithm>
#include <climits>
#include <cstring>

namespace {

struct Offscreen {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLContext context = EGL_NO_CONTEXT;
    SDL_Window* window = nullptr;
    SDL_GLContext sdlContext = nullptr;
    GLuint framebuffer = 0, colour = 0, depth = 0;
    PixelSize output{0, 0};
    PixelRect picture{0, 0, 0, 0}; // where the picture lies in the output frame
    int samples = 1;               // rendered pixels per output pixel, along each axis
    // The picture as rendered and as averaged down, when the frame is not simply read back.
    std::vector<uint8_t> rendered, averaged;
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
    // Drawn into a framebuffer object of its own: the window's size does not matter.
    offscreen.window =
        SDL_CreateWindow("Demo capture", 0, 0, displaySettings.width, displaySettings.height,
                         SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!offscreen.window) return false;
    offscreen.sdlContext = SDL_GL_CreateContext(offscreen.window);
    return offscreen.sdlContext && SDL_GL_MakeCurrent(offscreen.window, offscreen.sdlContext) == 0;
}

std::string sizeText(int width, int height) {
    return std::to_string(width) + " x " + std::to_string(height);
}

// What this GL can allocate at most, checked before asking: an over-large request may otherwise
// fail late, or not at all until the first frame comes out wrong.
bool checkLimits(int width, int height, std::string& error) {
    GLint renderbuffer = 0, viewport[2] = {0, 0};
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &renderbuffer);
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    const int widest = std::min(renderbuffer, viewport[0]);
    const int tallest = std::min(renderbuffer, viewport[1]);
    if (width <= widest && height <= tallest) return true;
    error = "this OpenGL draws at most " + sizeText(widest, tallest) + " pixels, not " +
            sizeText(width, height);
    return false;
}

bool allocateFramebuffer(int width, int height, std::string& error) {
    while (glGetError() != GL_NO_ERROR) continue;
    glGenFramebuffers(1, &offscreen.framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, offscreen.framebuffer);
    glGenRenderbuffers(1, &offscreen.colour);
    glBindRenderbuffer(GL_RENDERBUFFER, offscreen.colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                              offscreen.colour);
    // The window asks for at least 16 depth bits and GLX hands it 24. With 16 here, surfaces that
    // nearly touch (a mesh grazing the banner) would settle a few pixels the other way.
    glGenRenderbuffers(1, &offscreen.depth);
    glBindRenderbuffer(GL_RENDERBUFFER, offscreen.depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER,
                              offscreen.depth);
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    // Mesa keeps a window's buffers upside down relative to framebuffer objects, and the
    // rasteriser's fill rules and interpolation follow the storage. Putting the origin at the top
    // draws exactly the pixels the window gets, and stores the rows top first.
    glClipControl(GL_UPPER_LEFT, GL_NEGATIVE_ONE_TO_ONE);
    if (glGetError() == GL_NO_ERROR &&
        glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE)
        return true;
    error = "this OpenGL cannot allocate a framebuffer of " + sizeText(width, height) + " pixels";
    return false;
}

} // namespace

bool createOffscreenContext(std::string& error) {
    if (createSurfacelessEgl() || createHiddenSdlWindow()) return true;
    error = "no OpenGL context: neither EGL's surfaceless platform nor a hidden window works "
            "here (" +
            std::string(SDL_GetError()) + ")";
    return false;
}

bool createFramebuffer(PixelSize output, int samples, std::string& error) {
    // Only the picture is drawn; the bars beside or above and below it are filled in afterwards.
    // Drawn at its own size, the picture comes out the same, pixel for pixel, whatever frame it
    // is placed in: a viewport offset would round some edges the other way.
    const PixelRect picture = fitPicture(output);
    const int64_t width = int64_t{picture.width} * samples;
    const int64_t height = int64_t{picture.height} * samples;
    if (!checkLimits(static_cast<int>(std::min<int64_t>(width, INT32_MAX)),
                     static_cast<int>(std::min<int64_t>(height, INT32_MAX)), error)) {
        if (samples > 1)
            error += " (a picture of " + sizeText(picture.width, picture.height) +
                     " supersampled " + std::to_string(samples) + " x " + std::to_string(samples) +
                     ")";
        return false;
    }
    const PixelSize rendered{static_cast<int32_t>(width), static_cast<int32_t>(height)};
    if (!allocateFramebuffer(rendered.width, rendered.height, error)) return false;
    offscreen.output = output;
    offscreen.picture = picture;
    offscreen.samples = samples;
    setDrawableSize(rendered);
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
    const PixelSize output = offscreen.output;
    const PixelRect picture = offscreen.picture;
    const int samples = offscreen.samples;
    rgb.resize(static_cast<size_t>(output.width) * output.height * 3);
    // Rows of an odd width's RGB need no padding, but only when asked for none.
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (samples == 1 && picture.width == output.width && picture.height == output.height) {
        glReadPixels(0, 0, output.width, output.height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        return;
    }
    const int width = picture.width * samples, height = picture.height * samples;
    offscreen.rendered.resize(static_cast<size_t>(width) * height * 3);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, offscreen.rendered.data());
    const uint8_t* pixels = offscreen.rendered.data();
    if (samples > 1) {
        offscreen.averaged.resize(static_cast<size_t>(picture.width) * picture.height * 3);
        averageBlocks(pixels, picture.width, picture.height, samples, offscreen.averaged.data());
        pixels = offscreen.averaged.data();
    }
    const auto channel = [](float value) { return static_cast<uint8_t>(value * 255.0f + 0.5f); };
    const uint8_t clear[3] = {channel(clearColour.x), channel(clearColour.y),
                              channel(clearColour.z)};
    placePicture(pixels, picture, output, clear, rgb.data());
}
