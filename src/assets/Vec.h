#pragma once

struct Vec3 {
    float x, y, z;
};

struct Vec2 {
    float u, v;
};
