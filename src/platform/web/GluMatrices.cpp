#include "platform/web/GluMatrices.h"

#include <cmath>

namespace {

// Single precision throughout, with the square root taken in double, as GLU does.
void normalize(float v[3]) {
    const float r = static_cast<float>(std::sqrt(double{v[0] * v[0] + v[1] * v[1] + v[2] * v[2]}));
    if (r == 0.0f) return;
    v[0] /= r;
    v[1] /= r;
    v[2] /= r;
}

void cross(const float a[3], const float b[3], float result[3]) {
    result[0] = a[1] * b[2] - a[2] * b[1];
    result[1] = a[2] * b[0] - a[0] * b[2];
    result[2] = a[0] * b[1] - a[1] * b[0];
}

} // namespace

void lookAtRotation(double eyeX, double eyeY, double eyeZ, double centreX, double centreY,
                    double centreZ, double upX, double upY, double upZ, float matrix[16]) {
    float forward[3] = {static_cast<float>(centreX - eyeX), static_cast<float>(centreY - eyeY),
                        static_cast<float>(centreZ - eyeZ)};
    float up[3] = {static_cast<float>(upX), static_cast<float>(upY), static_cast<float>(upZ)};
    float side[3];
    normalize(forward);
    cross(forward, up, side);
    normalize(side);
    cross(side, forward, up);
    const float m[16] = {side[0], up[0], -forward[0], 0, //
                         side[1], up[1], -forward[1], 0, //
                         side[2], up[2], -forward[2], 0, //
                         0,       0,     0,           1};
    for (int i = 0; i < 16; ++i) matrix[i] = m[i];
}

bool perspectiveMatrix(double fovyDegrees, double aspect, double zNear, double zFar,
                       double matrix[16]) {
    const double pi = 3.14159265358979323846;
    const double radians = fovyDegrees / 2 * pi / 180;
    const double deltaZ = zFar - zNear;
    const double sine = std::sin(radians);
    if (deltaZ == 0 || sine == 0 || aspect == 0) return false;
    const double cotangent = std::cos(radians) / sine;
    for (int i = 0; i < 16; ++i) matrix[i] = 0;
    matrix[0] = cotangent / aspect;
    matrix[5] = cotangent;
    matrix[10] = -(zFar + zNear) / deltaZ;
    matrix[11] = -1;
    matrix[14] = -2 * zNear * zFar / deltaZ;
    return true;
}
