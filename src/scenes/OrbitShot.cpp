#include "scenes/OrbitShot.h"

#include "assets/Vec.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <cmath>

void drawOrbitShot(float p, float k, float h, const Texture& texture, const Mesh& mesh,
                   void (*extraTransform)()) {
    const double angle = static_cast<double>(k) * p;
    const Vec3 eye{static_cast<float>(std::sin(angle)),
                   static_cast<float>(static_cast<double>(h) * p),
                   static_cast<float>(std::cos(angle))};
    gluLookAt(eye.x, eye.y, eye.z, 0, 0, 0, 0, 1, 0);
    glBindTexture(GL_TEXTURE_2D, texture.name);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);
    if (extraTransform) extraTransform();
    glRotatef(static_cast<float>(10.0 * p), 0.2f, 0.2f, 0.2f);
    mesh.draw();
}

void keepUnitScale() {
    glScalef(1, 1, 1);
}
