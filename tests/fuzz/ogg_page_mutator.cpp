// Every Ogg page carries a CRC of itself, and libogg drops a page whose CRC does not match: left
// alone, nearly every mutation would only ever test the page-skipping. This mutator lets libFuzzer
// mutate as usual, then puts right the CRC of every whole page in the result, so the changes reach
// the page fields (granule positions, serials, sequence numbers) and the Vorbis packets inside.
#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

namespace {

// libogg's CRC-32: polynomial 0x04c11db7, MSB first, initial value 0, no final inversion.
uint32_t oggCrc(const uint8_t* data, size_t size) {
    uint32_t crc = 0;
    for (size_t i = 0; i < size; ++i) {
        crc ^= uint32_t{data[i]} << 24;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04c11db7u : crc << 1;
    }
    return crc;
}

void repairPageCrcs(uint8_t* data, size_t size) {
    const size_t headerSize = 27;
    for (size_t at = 0; at + headerSize <= size;) {
        if (std::memcmp(data + at, "OggS", 4) != 0) {
            ++at;
            continue;
        }
        const size_t segments = data[at + 26];
        if (at + headerSize + segments > size) return;
        size_t pageSize = headerSize + segments;
        for (size_t s = 0; s < segments; ++s) pageSize += data[at + headerSize + s];
        if (at + pageSize > size) return;
        std::memset(data + at + 22, 0, 4);
        const uint32_t crc = oggCrc(data + at, pageSize);
        for (int i = 0; i < 4; ++i) data[at + 22 + i] = static_cast<uint8_t>(crc >> (8 * i));
        at += pageSize;
    }
}

} // namespace

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize,
                                          unsigned int) {
    size = LLVMFuzzerMutate(data, size, maxSize);
    repairPageCrcs(data, size);
    return size;
}
