#pragma once

#include <cstdint>

// The sRGB colour space of every picture and frame: 8-bit codes, light in linear values from 0
// to 1, and relative luminance as WCAG measures it.

// The linear light of a code, by sRGB's decoding curve.
float linearFromSrgb(uint8_t code);
// The code whose light is nearest to a linear value (clamped to 0 ... 1).
uint8_t srgbFromLinear(float linear);
// 0.2126 R + 0.7152 G + 0.0722 B of the linear channels.
float relativeLuminance(uint8_t r, uint8_t g, uint8_t b);
