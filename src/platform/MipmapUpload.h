#pragma once

#include <cstdint>

// A picture's full mipmap chain uploaded into a texture as gluBuild2DMipmaps makes it (RGB, rows
// unpadded), in steps that a page can spread over its frames: natively GLU's own call, in one
// step; in the browser, which builds the chain itself (platform/web/GluMipmaps.h), a band of
// level 0's rows, where the picture must be scaled to it, or a level a step. Each step binds the
// texture, which it leaves bound, and leaves the unpack alignment as it found it, whatever the
// frames between two steps bind.
struct MipmapUpload;
// Null when there is no memory for it: nothing is uploaded then.
MipmapUpload* beginMipmapUpload(unsigned texture, const uint8_t* rgb, int width, int height);
// One step; true once the chain is in, and the upload freed.
bool stepMipmapUpload(MipmapUpload* upload);
