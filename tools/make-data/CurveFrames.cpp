#include "CurveFrames.h"

#include <cmath>

namespace {

Vector3 reflected(Vector3 v, Vector3 across) {
    return v - across * (2.0 * dot(across, v) / dot(across, across));
}

Vector3 anyPerpendicular(Vector3 t) {
    const Vector3 axis = std::fabs(t.x) < 0.9 ? Vector3{1, 0, 0} : Vector3{0, 1, 0};
    return normalised(cross(t, axis));
}

} // namespace

std::vector<CurveFrame> frameCurve(const std::vector<Vector3>& points, bool closed) {
    const int count = static_cast<int>(points.size());
    auto pointAt = [&](int i) {
        if (closed) return points[(i % count + count) % count];
        if (i < 0) return points[0] * 2.0 - points[1];
        if (i >= count) return points[count - 1] * 2.0 - points[count - 2];
        return points[i];
    };
    std::vector<CurveFrame> frames(count);
    for (int i = 0; i < count; ++i) {
        frames[i].point = points[i];
        frames[i].tangent = normalised(pointAt(i + 1) - pointAt(i - 1));
    }
    // Wang, Juttler, Zheng and Liu's double reflection carries the normal from sample to sample.
    frames[0].normal = anyPerpendicular(frames[0].tangent);
    auto carry = [&](const CurveFrame& from, Vector3 nextPoint, Vector3 nextTangent) {
        const Vector3 step = nextPoint - from.point;
        const Vector3 normal = reflected(from.normal, step);
        const Vector3 tangent = reflected(from.tangent, step);
        return normalised(reflected(normal, nextTangent - tangent));
    };
    for (int i = 0; i + 1 < count; ++i)
        frames[i + 1].normal = carry(frames[i], frames[i + 1].point, frames[i + 1].tangent);
    if (closed) {
        const Vector3 back = carry(frames[count - 1], frames[0].point, frames[0].tangent);
        const double twist = std::atan2(dot(cross(back, frames[0].normal), frames[0].tangent),
                                        dot(back, frames[0].normal));
        for (int i = 0; i < count; ++i) {
            const double angle = twist * i / count;
            const Vector3 side = cross(frames[i].tangent, frames[i].normal);
            frames[i].normal = frames[i].normal * std::cos(angle) + side * std::sin(angle);
        }
    }
    for (CurveFrame& frame : frames) frame.binormal = cross(frame.tangent, frame.normal);
    return frames;
}
