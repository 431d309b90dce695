#pragma once

#include "TriangleMesh.h"

#include <string>

// Writes v, vt and vn lines and one "f p/t/n p/t/n p/t/n" line per triangle, indices from 1, and
// nothing else: the demo's reader classifies lines by the text they contain, so a comment or a
// name could take a slot meant for a position or a face.
bool writeObj(const std::string& path, const TriangleMesh& mesh);
