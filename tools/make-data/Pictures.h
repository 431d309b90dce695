#pragma once

#include "Picture.h"

#include <cairo.h>

// The banner's city, 4096 x 512 (the strip is ten times as wide as it is high): a dark night
// skyline that the scenes can be added on top of, and the loud picture the beats swap in, the
// same buildings against a flash of white with every window lit.
Picture drawCalmCity();
Picture drawLoudCity();

// Full-window pictures, 1024 x 768: the logo on black, and the credits.
Picture drawLogo();
Picture drawCredits();

// Surface textures, 512 x 512, each one tiling without a seam.
Picture drawMarbleTiles();
Picture drawMetalPlates();
Picture drawCircuitBoard();
Picture drawColourNoise();

// The application icon at size x size pixels, drawn from the logo: straight from Cairo, with
// transparent corners (premultiplied ARGB). The caller destroys it.
cairo_surface_t* drawIcon(int size);
