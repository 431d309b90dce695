#include "platform/PictureArea.h"

#include "platform/DisplaySettings.h"

namespace {
PixelSize currentDrawable{displaySettings.width, displaySettings.height};
}

PixelRect fitPicture(PixelSize drawable) {
    const int64_t w = drawable.width > 0 ? drawable.width : 0;
    const int64_t h = drawable.height > 0 ? drawable.height : 0;
    const int64_t shapeW = displaySettings.width, shapeH = displaySettings.height;
    // Compared and divided in integers, so that a drawable of exactly the shape is filled exactly
    // and the picture never spills over by a rounding.
    int64_t pictureW = w, pictureH = h;
    if (w * shapeH > h * shapeW)
        pictureW = h * shapeW / shapeH;
    else
        pictureH = w * shapeH / shapeW;
    return PixelRect{static_cast<int32_t>((w - pictureW) / 2),
                     static_cast<int32_t>((h - pictureH) / 2), static_cast<int32_t>(pictureW),
                     static_cast<int32_t>(pictureH)};
}

void setDrawableSize(PixelSize drawable) {
    currentDrawable = drawable;
}

PixelSize drawableSize() {
    return currentDrawable;
}
