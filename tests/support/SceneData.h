#pragma once

#include <string>

// OBJ text for a regular octahedron of this radius centred on (x, y, z): closed, so a camera
// looking at its centre sees it from any side. Every corner uses the one texture coordinate
// (0.5, 0.5), so a flat picture gives it one flat colour.
std::string octahedronObj(float radius, float x = 0, float y = 0, float z = 0);

// OBJ text for a sphere of this radius around the origin, in rings from pole to pole and segments
// around, with normals: 2 * rings * segments triangles, as a modelling tool writes them.
std::string sphereObj(float radius, int rings, int segments);

// Writes the text to the file, replacing it.
bool writeObj(const std::string& path, const std::string& obj);

// Every picture and mesh the scenes load, written into the directory: flat pictures of distinct
// colours and small octahedra, so that no load shows a message box. The track is not among them.
// Tests overwrite single files afterwards to make a scene tell its story.
bool writeSceneData(const std::string& directory);
