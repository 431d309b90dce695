#pragma once

#include <array>

// 4 x 4 matrices in OpenGL's column-major order, in double precision, worked out apart from GL
// and GLU so that tests can say where a camera and its transforms should put things.
using Matrix = std::array<double, 16>;
struct Point {
    double x, y, z;
};

Matrix operator*(const Matrix& a, const Matrix& b);
Matrix identityMatrix();
Matrix translation(double x, double y, double z);
Matrix scaling(double factor);
// degrees about the axis, which need not be of unit length
Matrix rotation(double degrees, Point axis);
// The camera at eye looking at the origin, y up.
Matrix cameraAtLookingAtOrigin(Point eye);
// The demo's projection: 45 degrees up and down, 1024:768, near 0.5, far 5000.
Matrix demoProjection();

// Where the point lands in the 1024 x 768 window, in pixels from the bottom-left.
struct WindowPoint {
    double x, y;
};
WindowPoint toWindow(const Matrix& projectionTimesModelview, Point point);

// The current GL_MODELVIEW_MATRIX, widened.
Matrix currentModelview();
