#pragma once

#include <string>

// OBJ text for a regular octahedron of this radius centred on (x, y, z): closed, so a camera
// looking at its centre sees it from any side. Every corner uses the one texture coordinate
// (0.5, 0.5), so a flat picture gives it one flat colour.
std::string octahedronObj(float radius, float x = 0, float y = 0, float z = 0);

// Every picture and mesh the scenes load, written into the directory: flat pictures of distinct
// colours and small octahedra, so that no load shows a message box. The track is not among them.
// Tests overwrite single files afterwards to make a scene tell its story.
bool writeSceneData(const std::string& directory);
