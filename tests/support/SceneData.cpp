#include "SceneData.h"

#include "TestPictures.h"

#include <cmath>
#include <cstdio>

std::string octahedronObj(float radius, float x, float y, float z) {
    const float corners[6][3] = {{radius, 0, 0},  {-radius, 0, 0}, {0, radius, 0},
                                 {0, -radius, 0}, {0, 0, radius},  {0, 0, -radius}};
    std::string obj;
    char line[96];
    for (const auto& c : corners) {
        std::snprintf(line, sizeof line, "v %.6f %.6f %.6f\n", x + c[0], y + c[1], z + c[2]);
        obj += line;
    }
    obj += "vt 0.5 0.5\n";
    // Each face joins one of +x/-x, one of +y/-y and one of +z/-z.
    for (const int a : {1, 2})
        for (const int b : {3, 4})
            for (const int c : {5, 6}) {
                std::snprintf(line, sizeof line, "f %d/1/1 %d/1/1 %d/1/1\n", a, b, c);
                obj += line;
            }
    return obj;
}

std::string sphereObj(float radius, int rings, int segments) {
    const double pi = 3.14159265358979323846;
    std::string obj;
    char line[256];
    for (int r = 0; r <= rings; ++r) {
        for (int s = 0; s <= segments; ++s) {
            const double polar = pi * r / rings, around = 2 * pi * s / segments;
            const double x = std::sin(polar) * std::cos(around), y = std::cos(polar),
                         z = std::sin(polar) * std::sin(around);
            std::snprintf(line, sizeof line, "v %.6f %.6f %.6f\nvt %.6f %.6f\nvn %.6f %.6f %.6f\n",
                          radius * x, radius * y, radius * z, double(s) / segments,
                          double(r) / rings, x, y, z);
            obj += line;
        }
    }
    // Every position has its own texture coordinate and normal, all numbered alike.
    for (int r = 0; r < rings; ++r) {
        for (int s = 0; s < segments; ++s) {
            const int a = r * (segments + 1) + s + 1, b = a + 1, c = a + segments + 1, d = c + 1;
            std::snprintf(line, sizeof line,
                          "f %d/%d/%d %d/%d/%d %d/%d/%d\nf %d/%d/%d %d/%d/%d %d/%d/%d\n", a, a, a,
                          c, c, c, b, b, b, b, b, b, c, c, c, d, d, d);
            obj += line;
        }
    }
    return obj;
}

bool writeObj(const std::string& path, const std::string& obj) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(obj.data(), 1, obj.size(), file) == obj.size();
    return std::fclose(file) == 0 && written;
}

bool writeSceneData(const std::string& directory) {
    struct Picture {
        const char* name;
        uint8_t r, g, b;
    };
    const Picture pictures[] = {
        {"city_bw.jpg", 40, 40, 40},   {"city_bw1.jpg", 0, 0, 120},
        {"logo1.jpg", 0, 80, 0},       {"texture3.jpg", 200, 120, 0},
        {"texture5.jpg", 0, 0, 0},     {"texture6.jpg", 0, 200, 120},
        {"texture7.jpg", 200, 0, 120}, {"credits.jpg", 220, 220, 220},
    };
    for (const Picture& picture : pictures)
        if (!writeSolidJpeg(directory + "/" + picture.name, 16, 16, picture.r, picture.g,
                            picture.b))
            return false;
    const struct {
        const char* name;
        float radius;
    } meshes[] = {{"figure.obj", 0.1f},
                  {"inside.obj", 0.4f},
                  {"sphere1.obj", 0.5f},
                  {"sphere2.obj", 0.4f},
                  {"star.obj", 0.4f}};
    for (const auto& mesh : meshes)
        if (!writeObj(directory + "/" + mesh.name, octahedronObj(mesh.radius))) return false;
    return true;
}
