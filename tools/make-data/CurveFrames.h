#pragma once

#include "Vector3.h"

#include <vector>

// Frames along a sampled curve that turn as little as possible from one sample to the next, so
// that a tube swept along the curve does not twist.
struct CurveFrame {
    Vector3 point, tangent, normal, binormal;

    // The point at `angle` radians round a circle of `radius` about the curve, from the normal
    // towards the binormal.
    Vector3 around(double radius, double angle) const {
        return point + (normal * std::cos(angle) + binormal * std::sin(angle)) * radius;
    }
};

// For a closed curve the last point joins the first, and whatever turn is left over at the join
// is spread evenly along the curve so that the tube closes on itself.
std::vector<CurveFrame> frameCurve(const std::vector<Vector3>& points, bool closed);
