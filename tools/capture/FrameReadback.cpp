#include "FrameReadback.h"

#include "OffscreenContext.h"
#include "platform/DisplaySettings.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

const int width = displaySettings.width, height = displaySettings.height;

struct Readback {
    FrameFormat format = FrameFormat::Rgb;
    GLuint buffers[2] = {0, 0};
    // The conversion pass: its program and the one-channel target that holds the three planes
    // one above the other, width wide and height * 3 / 2 tall.
    GLuint program = 0, target = 0, targetFramebuffer = 0;
};

Readback readback;

// Row r of the target is plane row r of Y below height, and further up holds U, then V, each
// plane's rows of width / 2 packed two to a target row. gl_FragCoord and texelFetch both count
// rows as they are stored, top of the picture first, whichever way the frames were drawn.
const char* const vertexShader = R"(#version 130
void main() { gl_Position = gl_Vertex; }
)";

const char* const fragmentShader = R"(#version 130
uniform sampler2D frame;
uniform int width;
uniform int height;
vec3 rgbAt(int x, int y) { return texelFetch(frame, ivec2(clamp(x, 0, width - 1), y), 0).rgb; }
float code(float value) { return floor(value + 0.5) / 255.0; }
void main() {
    int x = int(gl_FragCoord.x), row = int(gl_FragCoord.y);
    if (row < height) {
        gl_FragColor = vec4(code(16.0 + dot(rgbAt(x, row), vec3(65.481, 128.553, 24.966))));
        return;
    }
    int k = (row - height) * width + x;
    int planeSize = (width / 2) * (height / 2);
    bool isV = k >= planeSize;
    k -= isV ? planeSize : 0;
    int cx = 2 * (k % (width / 2)), cy = 2 * (k / (width / 2));
    vec3 rgb = vec3(0.0);
    for (int dy = 0; dy < 2; ++dy)
        rgb += 0.25 * rgbAt(cx - 1, cy + dy) + 0.5 * rgbAt(cx, cy + dy) + 0.25 * rgbAt(cx + 1, cy + dy);
    rgb *= 0.5;
    vec3 weights = isV ? vec3(112.0, -93.786, -18.214) : vec3(-37.797, -74.203, 112.0);
    gl_FragColor = vec4(code(128.0 + dot(rgb, weights)));
}
)";

GLuint compile(GLenum kind, const char* source, std::string& error) {
    const GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[1024] = {};
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        error = std::string("the colour conversion does not compile: ") + log;
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

bool createConversion(std::string& error) {
    const GLuint vertex = compile(GL_VERTEX_SHADER, vertexShader, error);
    const GLuint fragment = vertex ? compile(GL_FRAGMENT_SHADER, fragmentShader, error) : 0;
    if (!fragment) {
        glDeleteShader(vertex);
        return false;
    }
    readback.program = glCreateProgram();
    glAttachShader(readback.program, vertex);
    glAttachShader(readback.program, fragment);
    glLinkProgram(readback.program);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    GLint linked = GL_FALSE;
    glGetProgramiv(readback.program, GL_LINK_STATUS, &linked);
    if (!linked) {
        error = "the colour conversion does not link";
        return false;
    }
    glUseProgram(readback.program);
    glUniform1i(glGetUniformLocation(readback.program, "frame"), 1);
    glUniform1i(glGetUniformLocation(readback.program, "width"), width);
    glUniform1i(glGetUniformLocation(readback.program, "height"), height);
    glUseProgram(0);

    glGenTextures(1, &readback.target);
    glBindTexture(GL_TEXTURE_2D, readback.target);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_R8, width, height * 3 / 2, 0, GL_RED, GL_UNSIGNED_BYTE,
                 nullptr);
    glBindTexture(GL_TEXTURE_2D, 0);
    glGenFramebuffers(1, &readback.targetFramebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, readback.targetFramebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, readback.target, 0);
    const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    glBindFramebuffer(GL_FRAMEBUFFER, offscreenFramebuffer());
    if (!complete) error = "the GL cannot draw into a one-channel 8-bit texture";
    return complete;
}

// Draws the planes into the target. Everything the demo's frames carry over (enables, blending,
// the bound texture, the colour, the matrices) is put back afterwards.
void convertFrame() {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glBindFramebuffer(GL_FRAMEBUFFER, readback.targetFramebuffer);
    glViewport(0, 0, width, height * 3 / 2);
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_CULL_FACE);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, offscreenColourTexture());
    glUseProgram(readback.program);
    glBegin(GL_QUADS);
    glVertex2f(-1, -1);
    glVertex2f(1, -1);
    glVertex2f(1, 1);
    glVertex2f(-1, 1);
    glEnd();
    glUseProgram(0);
    glBindTexture(GL_TEXTURE_2D, 0);
    glActiveTexture(GL_TEXTURE0);
    glPopAttrib();
}

} // namespace

size_t frameBytes(FrameFormat format) {
    const size_t pixels = static_cast<size_t>(width) * height;
    return format == FrameFormat::Rgb ? pixels * 3 : pixels * 3 / 2;
}

bool createFrameReadback(FrameFormat format, std::string& error) {
    readback = Readback{};
    readback.format = format;
    if (format == FrameFormat::Yuv420 && !createConversion(error)) return false;
    glGenBuffers(2, readback.buffers);
    for (const GLuint buffer : readback.buffers) {
        glBindBuffer(GL_PIXEL_PACK_BUFFER, buffer);
        glBufferData(GL_PIXEL_PACK_BUFFER, static_cast<GLsizeiptr>(frameBytes(format)), nullptr,
                     GL_STREAM_READ);
    }
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    return true;
}

void destroyFrameReadback() {
    glDeleteBuffers(2, readback.buffers);
    if (readback.program) glDeleteProgram(readback.program);
    if (readback.targetFramebuffer) glDeleteFramebuffers(1, &readback.targetFramebuffer);
    if (readback.target) glDeleteTextures(1, &readback.target);
    readback = Readback{};
}

void startFrameReadback(int slot) {
    const bool yuv = readback.format == FrameFormat::Yuv420;
    if (yuv) {
        convertFrame();
        glBindFramebuffer(GL_READ_FRAMEBUFFER, readback.targetFramebuffer);
    }
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, readback.buffers[slot]);
    if (yuv)
        glReadPixels(0, 0, width, height * 3 / 2, GL_RED, GL_UNSIGNED_BYTE, nullptr);
    else
        glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, offscreenFramebuffer());
}

void finishFrameReadback(int slot, uint8_t* bytes) {
    const size_t size = frameBytes(readback.format);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, readback.buffers[slot]);
    const void* mapped =
        glMapBufferRange(GL_PIXEL_PACK_BUFFER, 0, static_cast<GLsizeiptr>(size), GL_MAP_READ_BIT);
    if (mapped) std::memcpy(bytes, mapped, size);
    glUnmapBuffer(GL_PIXEL_PACK_BUFFER);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
}

void convertRgbToYuv420(const uint8_t* rgb, int w, int h, uint8_t* yuv) {
    auto code = [](double value) {
        return static_cast<uint8_t>(std::clamp(std::floor(value + 0.5), 0.0, 255.0));
    };
    auto at = [&](int x, int y, int c) {
        return rgb[(static_cast<size_t>(y) * w + std::clamp(x, 0, w - 1)) * 3 + c] / 255.0;
    };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            yuv[static_cast<size_t>(y) * w + x] =
                code(16.0 + 65.481 * at(x, y, 0) + 128.553 * at(x, y, 1) + 24.966 * at(x, y, 2));
    uint8_t* u = yuv + static_cast<size_t>(w) * h;
    uint8_t* v = u + static_cast<size_t>(w / 2) * (h / 2);
    for (int cy = 0; cy < h / 2; ++cy) {
        for (int cx = 0; cx < w / 2; ++cx) {
            double mean[3] = {0, 0, 0};
            for (int dy = 0; dy < 2; ++dy)
                for (int c = 0; c < 3; ++c)
                    mean[c] += 0.5 * (0.25 * at(2 * cx - 1, 2 * cy + dy, c) +
                                      0.5 * at(2 * cx, 2 * cy + dy, c) +
                                      0.25 * at(2 * cx + 1, 2 * cy + dy, c));
            const size_t i = static_cast<size_t>(cy) * (w / 2) + cx;
            u[i] = code(128.0 - 37.797 * mean[0] - 74.203 * mean[1] + 112.0 * mean[2]);
            v[i] = code(128.0 + 112.0 * mean[0] - 93.786 * mean[1] - 18.214 * mean[2]);
        }
    }
}
