#pragma once

#include <cmath>

struct Vector3 {
    double x = 0, y = 0, z = 0;
};

inline Vector3 operator+(Vector3 a, Vector3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vector3 operator-(Vector3 a, Vector3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vector3 operator*(Vector3 a, double s) {
    return {a.x * s, a.y * s, a.z * s};
}
inline Vector3 operator*(double s, Vector3 a) {
    return a * s;
}
inline double dot(Vector3 a, Vector3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vector3 cross(Vector3 a, Vector3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double length(Vector3 a) {
    return std::sqrt(dot(a, a));
}
inline Vector3 normalised(Vector3 a) {
    const double l = length(a);
    return l > 0 ? a * (1.0 / l) : a;
}

// A rotation (or rotation and uniform scale) as a 3 x 3 matrix, rows first.
struct Matrix3 {
    double m[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
};

inline Vector3 operator*(const Matrix3& a, Vector3 v) {
    return {a.m[0][0] * v.x + a.m[0][1] * v.y + a.m[0][2] * v.z,
            a.m[1][0] * v.x + a.m[1][1] * v.y + a.m[1][2] * v.z,
            a.m[2][0] * v.x + a.m[2][1] * v.y + a.m[2][2] * v.z};
}

inline Matrix3 operator*(const Matrix3& a, const Matrix3& b) {
    Matrix3 product;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            product.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j];
    return product;
}

inline Matrix3 transposed(const Matrix3& a) {
    Matrix3 t;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) t.m[i][j] = a.m[j][i];
    return t;
}

// The rotation glRotatef makes: `degrees` counter-clockwise about `axis` (any length).
inline Matrix3 rotation(double degrees, Vector3 axis) {
    const Vector3 a = normalised(axis);
    const double angle = degrees * 3.14159265358979323846 / 180.0;
    const double c = std::cos(angle), s = std::sin(angle), t = 1 - c;
    Matrix3 r;
    r.m[0][0] = t * a.x * a.x + c;
    r.m[0][1] = t * a.x * a.y - s * a.z;
    r.m[0][2] = t * a.x * a.z + s * a.y;
    r.m[1][0] = t * a.x * a.y + s * a.z;
    r.m[1][1] = t * a.y * a.y + c;
    r.m[1][2] = t * a.y * a.z - s * a.x;
    r.m[2][0] = t * a.x * a.z - s * a.y;
    r.m[2][1] = t * a.y * a.z + s * a.x;
    r.m[2][2] = t * a.z * a.z + c;
    return r;
}
