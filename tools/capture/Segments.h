#pragma once

#include "CaptureOptions.h"
#include "VideoPipe.h"

#include <string>

// Recording in pieces: --frames A-B renders a segment (frames A up to B at --fps), --plan N lists
// the N segments of a span and which of them a directory already holds, --join puts segments
// together, --lossless asks for FFV1. The options are read here so that the rest of
// demo-capture's reading needs one call in each place.

// Reads the segment option at argv[i], if it is one: the arguments it took (0 when it is none of
// these), or -1 with a one-line reason in error.
int parseSegmentOption(int argc, const char* const* argv, int i, CaptureOptions& options,
                       std::string& error);
// Checks the segment options against the rest once all are read, and turns --frames into the
// span it stands for. spanGiven: --from, --to, --at or --sheet was given.
bool finishSegmentOptions(int argc, const char* const* argv, CaptureOptions& options,
                          bool spanGiven, std::string& error);

// The options that shape the pictures, as a segment records them: every option but those that
// only say which frames to render, where to write or how to report progress, in a fixed order.
std::string optionsShapingFrames(int argc, const char* const* argv);

// What a video recording sends to ffmpeg: a whole recording with the track's span as sound, or a
// segment without sound, its timestamps its frames' own and its frames and options in its tags.
VideoStream videoStreamFor(const CaptureOptions& options);

// The N segments of a span, as equal in length as whole frames allow.
FrameRange segmentOfSpan(FrameRange span, int count, int index);
// frames-AAAAAA-BBBBBB.mkv, and sound-AAAAAA-BBBBBB.m4a for the sound of a span.
std::string segmentFileName(FrameRange frames);
std::string soundPieceFileName(FrameRange frames);

// --plan: one line per segment, "done A-B PATH" for a segment the directory holds whole,
// checked, and made with these options, otherwise "todo A-B PATH" (a damaged or different one
// is said why on standard error); then, unless the segments are lossless, the line of the
// span's sound piece, which a join into Matroska leaves out. Exit status 0, or 1 when something
// could not be read.
int runPlan(const CaptureOptions& options);
