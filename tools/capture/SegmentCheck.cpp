#include "SegmentCheck.h"

#include "Subprocess.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <libdeflate.h>
#include <sys/stat.h>
#include <unistd.h>

bool readWholeNumber(const std::string& text, int64_t& value) {
    // strtoll would take leading blanks and a sign.
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtoll(text.c_str(), &end, 10);
    return errno == 0 && *end == '\0';
}

namespace {

bool readWhole(const std::string& text, int64_t& value) {
    return readWholeNumber(text, value);
}

// A timestamp may lie before the start (a frame decoded before it is shown).
bool readTimestamp(const std::string& text, int64_t& value) {
    const bool negative = !text.empty() && text[0] == '-';
    if (!readWholeNumber(negative ? text.substr(1) : text, value)) return false;
    if (negative) value = -value;
    return true;
}

// "num/den"
bool readRatio(const std::string& text, int64_t& num, int64_t& den) {
    const size_t slash = text.find('/');
    return slash != std::string::npos && readWhole(text.substr(0, slash), num) &&
           readWhole(text.substr(slash + 1), den) && den > 0;
}

// ffprobe's flat output quotes strings and escapes quotes and backslashes inside them.
std::string unquote(const std::string& value) {
    if (value.size() < 2 || value.front() != '"') return value;
    std::string text;
    for (size_t i = 1; i + 1 < value.size(); ++i) {
        if (value[i] == '\\' && i + 2 < value.size()) ++i;
        text += value[i];
    }
    return text;
}

// The number after a prefix such as "packets.packet.", and what follows it.
bool indexAfter(const std::string& key, const std::string& prefix, size_t& index,
                std::string& field) {
    if (key.rfind(prefix, 0) != 0) return false;
    const size_t dot = key.find('.', prefix.size());
    int64_t number = 0;
    if (dot == std::string::npos ||
        !readWhole(key.substr(prefix.size(), dot - prefix.size()), number) || number < 0)
        return false;
    index = static_cast<size_t>(number);
    field = key.substr(dot + 1);
    return true;
}

template <typename T> T& at(std::vector<T>& items, size_t index) {
    if (items.size() <= index) items.resize(index + 1);
    return items[index];
}

// EBML: an element is an ID, a size and that many bytes of contents. IDs keep their length
// marker; sizes lose it, and all value bits set means a size that was never written.
struct EbmlReader {
    std::FILE* file = nullptr;
    uint64_t position = 0;

    bool number(uint64_t& value, bool keepMarker, bool& unknown) {
        const int first = std::fgetc(file);
        if (first == EOF || first == 0) return false;
        int length = 1;
        while (!(first & (0x80 >> (length - 1)))) ++length;
        value = keepMarker ? uint64_t(first) : uint64_t(first & ((0x80 >> (length - 1)) - 1));
        bool allOnes = value == uint64_t((0x80 >> (length - 1)) - 1);
        for (int i = 1; i < length; ++i) {
            const int next = std::fgetc(file);
            if (next == EOF) return false;
            value = (value << 8) | uint64_t(next);
            allOnes = allOnes && next == 0xff;
        }
        position += uint64_t(length);
        unknown = !keepMarker && allOnes;
        return true;
    }
    bool header(uint64_t& id, uint64_t& size, bool& unknown) {
        bool ignored = false;
        return number(id, true, ignored) && number(size, false, unknown);
    }
    bool skip(uint64_t bytes) {
        if (fseeko(file, static_cast<off_t>(bytes), SEEK_CUR) != 0) return false;
        position += bytes;
        return true;
    }
};

const uint64_t ebmlId = 0x1A45DFA3, segmentId = 0x18538067, clusterId = 0x1F43B675, voidId = 0xEC;

} // namespace

bool probeVideo(const std::string& path, Probe& probe, std::string& error) {
    const std::string ffprobe = findProgram("ffprobe");
    if (ffprobe.empty()) {
        error = "ffprobe is not on PATH: install ffmpeg (apt-get install ffmpeg)";
        return false;
    }
    const ProgramRun run =
        runProgram({ffprobe, "-v", "error", "-of", "flat", "-show_entries",
                    "format_tags:stream=index,codec_type,codec_name,width,height,pix_fmt,time_base:"
                    "packet=stream_index,pts,flags",
                    path});
    if (!run.ok) {
        const std::string why = firstLine(run.errors);
        error = path + " cannot be read" + (why.empty() ? "" : ": " + why);
        return false;
    }
    probe = Probe{};
    size_t start = 0;
    while (start < run.output.size()) {
        size_t end = run.output.find('\n', start);
        if (end == std::string::npos) end = run.output.size();
        const std::string line = run.output.substr(start, end - start);
        start = end + 1;
        const size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        const std::string key = line.substr(0, equals), value = unquote(line.substr(equals + 1));
        size_t index = 0;
        std::string field;
        int64_t number = 0;
        if (indexAfter(key, "packets.packet.", index, field)) {
            ProbedPacket& packet = at(probe.packets, index);
            if (field == "stream_index" && readWhole(value, number))
                packet.stream = static_cast<int>(number);
            else if (field == "pts" && !readTimestamp(value, packet.pts)) {
                error = path + ": packet " + std::to_string(index) + " has no timestamp";
                return false;
            } else if (field == "flags")
                packet.key = value.find('K') != std::string::npos;
        } else if (indexAfter(key, "streams.stream.", index, field)) {
            ProbedStream& stream = at(probe.streams, index);
            if (field == "codec_type") stream.type = value;
            if (field == "codec_name") stream.codec = value;
            if (field == "pix_fmt") stream.pixelFormat = value;
            if (field == "width" && readWhole(value, number)) stream.width = int(number);
            if (field == "height" && readWhole(value, number)) stream.height = int(number);
            if (field == "time_base") readRatio(value, stream.timeBaseNum, stream.timeBaseDen);
        } else if (key.rfind("format.tags.", 0) == 0) {
            probe.tags[key.substr(12)] = value;
        }
    }
    return true;
}

bool checkMatroskaChecksums(const std::string& path, std::string& error) {
    EbmlReader reader;
    reader.file = std::fopen(path.c_str(), "rb");
    if (!reader.file) {
        error = std::strerror(errno);
        return false;
    }
    struct stat info;
    const uint64_t fileSize = fstat(fileno(reader.file), &info) == 0 ? uint64_t(info.st_size) : 0;
    uint64_t id = 0, size = 0;
    bool unknown = false;
    const auto done = [&](const std::string& why) {
        std::fclose(reader.file);
        error = why;
        return why.empty();
    };
    if (!reader.header(id, size, unknown) || id != ebmlId || unknown || !reader.skip(size) ||
        !reader.header(id, size, unknown) || id != segmentId)
        return done("it is not a Matroska file");
    if (unknown || reader.position + size > fileSize)
        return done("it ends at byte " + std::to_string(fileSize) + ", before its last element");
    if (reader.position + size < fileSize)
        return done("it goes on past its end, at byte " + std::to_string(reader.position + size));
    std::vector<uint8_t> buffer(1 << 20);
    bool clusters = false;
    while (reader.position < fileSize) {
        const uint64_t at = reader.position;
        if (!reader.header(id, size, unknown) || unknown || reader.position + size > fileSize)
            return done("its element at byte " + std::to_string(at) + " is cut short");
        if (id == voidId) {
            if (!reader.skip(size)) return done(std::strerror(errno));
            continue;
        }
        uint8_t crc[6];
        if (size < 6 || std::fread(crc, 1, 6, reader.file) != 6 || crc[0] != 0xBF || crc[1] != 0x84)
            return done("its element at byte " + std::to_string(at) + " carries no checksum");
        const uint32_t stored = uint32_t(crc[2]) | uint32_t(crc[3]) << 8 | uint32_t(crc[4]) << 16 |
                                uint32_t(crc[5]) << 24;
        uint32_t sum = 0;
        for (uint64_t left = size - 6; left > 0;) {
            const size_t chunk = size_t(std::min<uint64_t>(left, buffer.size()));
            if (std::fread(buffer.data(), 1, chunk, reader.file) != chunk)
                return done("it cannot be read: " + std::string(std::strerror(errno)));
            sum = libdeflate_crc32(sum, buffer.data(), chunk);
            left -= chunk;
        }
        reader.position += size;
        if (sum != stored)
            return done("its element at byte " + std::to_string(at) + " fails its checksum");
        clusters = clusters || id == clusterId;
    }
    return done(clusters ? "" : "it holds no frames");
}

std::vector<std::string> segmentTags(FrameRange frames, int fps, const std::string& options) {
    std::vector<std::string> tags = {"DEMO_FRAMES=" + std::to_string(frames.first) + "-" +
                                         std::to_string(frames.first + frames.count),
                                     "DEMO_FPS=" + std::to_string(fps)};
    // ffmpeg drops a tag whose value is empty: no tag means no options.
    if (!options.empty()) tags.push_back("DEMO_OPTIONS=" + options);
    return tags;
}

namespace {

// The frames and rate a piece's tags name.
bool readFrameTags(Probe& probe, FrameRange& frames, int& fps) {
    const std::string text = probe.tags["DEMO_FRAMES"];
    const size_t dash = text.find('-');
    int64_t first = 0, end = 0, rate = 0;
    if (dash == std::string::npos || !readWhole(text.substr(0, dash), first) ||
        !readWhole(text.substr(dash + 1), end) || first < 0 || end <= first ||
        !readWhole(probe.tags["DEMO_FPS"], rate) || rate < 1 || rate > 1000)
        return false;
    frames = {first, end - first};
    fps = static_cast<int>(rate);
    return true;
}

} // namespace

bool isSoundPiece(const std::string& path) {
    return path.size() >= 4 && path.compare(path.size() - 4, 4, ".m4a") == 0;
}

bool readSoundPiece(const std::string& path, SoundPieceInfo& piece, std::string& error) {
    if (access(path.c_str(), R_OK) != 0) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    Probe probe;
    if (!probeVideo(path, probe, error)) return false;
    if (!readFrameTags(probe, piece.frames, piece.fps)) {
        error = path + " is no sound piece of demo-capture's (it has no frame numbers)";
        return false;
    }
    if (probe.streams.size() != 1 || probe.streams[0].type != "audio" ||
        probe.streams[0].codec != "aac" || probe.packets.empty()) {
        error = path + " holds other streams than one AAC sound";
        return false;
    }
    const ProgramRun decoded = runProgram({findProgram("ffmpeg"), "-v", "error", "-xerror",
                                           "-nostdin", "-i", path, "-f", "null", "-"});
    if (!decoded.ok) {
        error = path + " is damaged: " + firstLine(decoded.errors);
        return false;
    }
    return true;
}

bool readSegment(const std::string& path, SegmentInfo& segment, std::string& error) {
    std::string why;
    if (access(path.c_str(), R_OK) != 0) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    if (!checkMatroskaChecksums(path, why)) {
        error = path + " is damaged: " + why;
        return false;
    }
    Probe probe;
    if (!probeVideo(path, probe, error)) return false;
    const auto wrong = [&](const std::string& what) {
        error = path + " " + what;
        return false;
    };
    if (!readFrameTags(probe, segment.frames, segment.fps))
        return wrong("is no segment of demo-capture's (it has no frame numbers)");
    if (probe.streams.size() != 1 || probe.streams[0].type != "video")
        return wrong("holds other streams than one video");
    const ProbedStream& video = probe.streams[0];
    if (video.timeBaseNum != 1 || video.timeBaseDen != 1000)
        return wrong("does not count time in milliseconds");
    segment.options = probe.tags["DEMO_OPTIONS"];
    segment.codec = video.codec;
    segment.pixelFormat = video.pixelFormat;
    segment.width = video.width;
    segment.height = video.height;
    const int64_t first = segment.frames.first;
    const std::string claimed =
        "frames " + std::to_string(first) + "-" + std::to_string(first + segment.frames.count);
    if (int64_t(probe.packets.size()) != segment.frames.count)
        return wrong("holds " + std::to_string(probe.packets.size()) + " frames, not the " +
                     std::to_string(segment.frames.count) + " of " + claimed);
    if (!probe.packets.front().key) return wrong("does not start on a key frame");
    std::vector<int64_t> times;
    for (const ProbedPacket& packet : probe.packets) times.push_back(packet.pts);
    std::sort(times.begin(), times.end());
    for (int64_t i = 0; i < segment.frames.count; ++i) {
        const int64_t expected = instantOfFrame(first + i, segment.fps);
        if (times[size_t(i)] != expected)
            return wrong("has frame " + std::to_string(first + i) + " at " +
                         std::to_string(times[size_t(i)]) + " ms, not at its instant, " +
                         std::to_string(expected) + " ms");
    }
    return true;
}
