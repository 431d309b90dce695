#pragma once

#include "assets/Mesh.h"
#include "assets/Texture.h"

// One orbit shot at progress p: the camera drifts around and below the origin, from
// (sin(k p), h p, cos(k p)) towards it, and the mesh turns 10 p degrees about the diagonal. The
// camera is multiplied onto the modelview the frame set, without a push. extraTransform, when
// given, goes between the camera and the turn.
void drawOrbitShot(float p, float k, float h, const Texture& texture, const Mesh& mesh,
                   void (*extraTransform)() = nullptr);

// The sphere and star shots' extra transform: a scale by 1, which leaves the shot as it is.
void keepUnitScale();
