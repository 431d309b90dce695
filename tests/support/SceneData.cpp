#include "SceneData.h"

#include "ScratchDirectory.h"
#include "TestPictures.h"

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
        writeTextFile(directory + "/" + mesh.name, octahedronObj(mesh.radius));
    return true;
}
