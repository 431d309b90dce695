#pragma once

#include "TriangleMesh.h"

// The demo's five meshes, each sized and ordered for the shot that shows it.

// "sphere1.obj": the sphere the intro repeats into a chain.
TriangleMesh makeChainSphere();
// "sphere2.obj": a ball of marble tiles for the sphere shot.
TriangleMesh makeTiledBall();
// "star.obj": twelve spikes on a small dodecahedron.
TriangleMesh makeStar();
// "figure.obj": a torus knot.
TriangleMesh makeKnot();
// "inside.obj": a ribbed tunnel that the inside shot's camera travels through.
TriangleMesh makeTunnel();
