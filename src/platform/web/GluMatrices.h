#pragma once

// The matrices that GLU's gluLookAt and gluPerspective multiply onto the current one, computed as
// Mesa's GLU computes them (the same precision at each step), column-major as glMultMatrix takes
// them. The web build's GL emulation gets both wrong; the compatibility functions use these.

// The rotation of gluLookAt, without its final translation by the negated eye.
void lookAtRotation(double eyeX, double eyeY, double eyeZ, double centreX, double centreY,
                    double centreZ, double upX, double upY, double upZ, float matrix[16]);

// False, with the matrix untouched, where GLU does nothing: a zero depth range, field of view or
// aspect ratio.
bool perspectiveMatrix(double fovyDegrees, double aspect, double zNear, double zFar,
                       double matrix[16]);
