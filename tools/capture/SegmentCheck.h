#pragma once

#include "FrameTimes.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// A whole number written in decimal, all of the text.
bool readWholeNumber(const std::string& text, int64_t& value);

// What ffprobe reads of a video: its streams, every packet's timestamp and key-frame flag in the
// order stored, and the container's tags.
struct ProbedStream {
    std::string type, codec, pixelFormat;
    int width = 0, height = 0;
    int64_t timeBaseNum = 0, timeBaseDen = 1;
};
struct ProbedPacket {
    int stream = 0;
    int64_t pts = 0;
    bool key = false;
};
struct Probe {
    std::vector<ProbedStream> streams;
    std::vector<ProbedPacket> packets;
    std::map<std::string, std::string> tags;
};
bool probeVideo(const std::string& path, Probe& probe, std::string& error);

// Every element of a Matroska file carries a CRC-32 of its contents (ffmpeg writes one into each
// top-level element); this checks them all, and that the file ends where its last element does.
// ffmpeg itself reads past damage in a cluster without a word. False with where it is damaged.
bool checkMatroskaChecksums(const std::string& path, std::string& error);

// A segment as demo-capture writes it (--frames A-B, a video in Matroska without sound): the
// frames it holds at what rate, the options that shaped its pictures, how it was encoded.
struct SegmentInfo {
    FrameRange frames;
    int fps = 0;
    std::string options;
    std::string codec, pixelFormat;
    int width = 0, height = 0;
};
// The tags a segment carries, so that it can be checked and joined without knowing its history.
std::vector<std::string> segmentTags(FrameRange frames, int fps, const std::string& options);
// The sound of a segment's span, written apart (--frames A-B -o FILE.m4a) so that a join into
// MP4 or QuickTime copies it instead of encoding it: AAC as such a join carries it, in MP4, with
// the frames it goes with in its tags.
bool isSoundPiece(const std::string& path);
struct SoundPieceInfo {
    FrameRange frames;
    int fps = 0;
};
// Reads a sound piece and checks it whole: its tags, one AAC stream and nothing else, and every
// packet decoding without an error (AAC carries no checksum: a file cut short shows, a changed
// byte may not). False with what is wrong, naming the file.
bool readSoundPiece(const std::string& path, SoundPieceInfo& piece, std::string& error);

// Reads a segment and checks it whole: every checksum, one video stream and nothing else, one
// packet for each frame it claims, the first a key frame, and each frame's timestamp its
// instant. False with what is wrong, naming the file.
bool readSegment(const std::string& path, SegmentInfo& segment, std::string& error);
