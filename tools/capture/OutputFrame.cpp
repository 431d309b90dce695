#include "OutputFrame.h"

#include <cstddef>
#include <cstring>
#include <vector>

void averageBlocks(const uint8_t* rendered, int width, int height, int factor, uint8_t* output) {
    const size_t outRow = static_cast<size_t>(width) * 3;
    const size_t inRow = outRow * factor;
    const uint32_t count = static_cast<uint32_t>(factor * factor);
    // A block row's columns summed down first, then each block's columns across.
    std::vector<uint32_t> columns(inRow);
    for (int y = 0; y < height; ++y) {
        const uint8_t* top = rendered + static_cast<size_t>(y) * factor * inRow;
        for (size_t i = 0; i < inRow; ++i) columns[i] = top[i];
        for (int dy = 1; dy < factor; ++dy) {
            const uint8_t* row = top + dy * inRow;
            for (size_t i = 0; i < inRow; ++i) columns[i] += row[i];
        }
        uint8_t* out = output + y * outRow;
        for (int x = 0; x < width; ++x) {
            const uint32_t* block = &columns[static_cast<size_t>(x) * factor * 3];
            for (int c = 0; c < 3; ++c) {
                uint32_t sum = 0;
                for (int dx = 0; dx < factor; ++dx) sum += block[dx * 3 + c];
                out[x * 3 + c] = static_cast<uint8_t>((sum + count / 2) / count);
            }
        }
    }
}

void placePicture(const uint8_t* picture, PixelRect place, PixelSize frameSize,
                  const uint8_t background[3], uint8_t* frame) {
    const size_t frameRow = static_cast<size_t>(frameSize.width) * 3;
    const size_t pictureRow = static_cast<size_t>(place.width) * 3;
    // Rows run top first here, while place.y counts from the bottom.
    const int top = frameSize.height - place.y - place.height;
    for (int y = 0; y < frameSize.height; ++y) {
        uint8_t* row = frame + y * frameRow;
        const bool inside = y >= top && y < top + place.height;
        for (int x = 0; x < frameSize.width; ++x) {
            if (inside && x == place.x) {
                std::memcpy(row + x * 3, picture + (y - top) * pictureRow, pictureRow);
                x += place.width - 1;
                continue;
            }
            std::memcpy(row + x * 3, background, 3);
        }
    }
}
