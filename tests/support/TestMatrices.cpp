#include "TestMatrices.h"

#include <GL/gl.h>
#include <cmath>

namespace {

const double pi = 3.14159265358979323846;

Point normalised(Point p) {
    const double length = std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z);
    return {p.x / length, p.y / length, p.z / length};
}

Point cross(Point a, Point b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// Element at row r, column c.
double& at(Matrix& m, int r, int c) {
    return m[c * 4 + r];
}

} // namespace

Matrix operator*(const Matrix& a, const Matrix& b) {
    Matrix product{};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            for (int k = 0; k < 4; ++k) product[c * 4 + r] += a[k * 4 + r] * b[c * 4 + k];
    return product;
}

Matrix identityMatrix() {
    Matrix m{};
    m[0] = m[5] = m[10] = m[15] = 1;
    return m;
}

Matrix translation(double x, double y, double z) {
    Matrix m = identityMatrix();
    m[12] = x;
    m[13] = y;
    m[14] = z;
    return m;
}

Matrix scaling(double factor) {
    Matrix m = identityMatrix();
    m[0] = m[5] = m[10] = factor;
    return m;
}

Matrix rotation(double degrees, Point axis) {
    const Point a = normalised(axis);
    const double c = std::cos(degrees * pi / 180), s = std::sin(degrees * pi / 180), t = 1 - c;
    Matrix m = identityMatrix();
    at(m, 0, 0) = t * a.x * a.x + c;
    at(m, 0, 1) = t * a.x * a.y - s * a.z;
    at(m, 0, 2) = t * a.x * a.z + s * a.y;
    at(m, 1, 0) = t * a.x * a.y + s * a.z;
    at(m, 1, 1) = t * a.y * a.y + c;
    at(m, 1, 2) = t * a.y * a.z - s * a.x;
    at(m, 2, 0) = t * a.x * a.z - s * a.y;
    at(m, 2, 1) = t * a.y * a.z + s * a.x;
    at(m, 2, 2) = t * a.z * a.z + c;
    return m;
}

Matrix cameraAtLookingAtOrigin(Point eye) {
    const Point forward = normalised({-eye.x, -eye.y, -eye.z});
    const Point side = normalised(cross(forward, {0, 1, 0}));
    const Point up = cross(side, forward);
    Matrix m = identityMatrix();
    const Point rows[3] = {side, up, {-forward.x, -forward.y, -forward.z}};
    for (int r = 0; r < 3; ++r) {
        at(m, r, 0) = rows[r].x;
        at(m, r, 1) = rows[r].y;
        at(m, r, 2) = rows[r].z;
        at(m, r, 3) = -(rows[r].x * eye.x + rows[r].y * eye.y + rows[r].z * eye.z);
    }
    return m;
}

Matrix demoProjection() {
    const double focal = 1 / std::tan(22.5 * pi / 180), near = 0.5, far = 5000;
    Matrix m{};
    at(m, 0, 0) = focal / (1024.0 / 768.0);
    at(m, 1, 1) = focal;
    at(m, 2, 2) = (far + near) / (near - far);
    at(m, 2, 3) = 2 * far * near / (near - far);
    at(m, 3, 2) = -1;
    return m;
}

WindowPoint toWindow(const Matrix& m, Point p) {
    double clip[4];
    for (int r = 0; r < 4; ++r) clip[r] = m[r] * p.x + m[4 + r] * p.y + m[8 + r] * p.z + m[12 + r];
    return {(clip[0] / clip[3] + 1) * 512, (clip[1] / clip[3] + 1) * 384};
}

Matrix currentModelview() {
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    Matrix wide;
    for (int i = 0; i < 16; ++i) wide[i] = m[i];
    return wide;
}
