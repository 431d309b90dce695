#include "scenes/SceneToolkit.h"

#include "platform/DisplaySettings.h"

#include <GL/gl.h>
#include <GL/glu.h>

void beginOverlay() {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluOrtho2D(0, displaySettings.width, 0, displaySettings.height);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
}

void endOverlay() {
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

void drawFullWindowQuad() {
    const int width = displaySettings.width, height = displaySettings.height;
    // Texture row t = 0 is the picture's top row.
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2i(0, height);
    glTexCoord2f(1, 0);
    glVertex2i(width, height);
    glTexCoord2f(1, 1);
    glVertex2i(width, 0);
    glTexCoord2f(0, 1);
    glVertex2i(0, 0);
    glEnd();
}
