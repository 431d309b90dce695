#pragma once

#include "CaptureOptions.h"

// --join SEGMENT... -o OUTPUT: the segments one after another by stream copy (ffmpeg's concat
// demuxer), with the track's span under them once. Each segment is checked whole first, and
// their frames must run on from one to the next, with no gap, no frame twice and none out of
// order, and all made alike; otherwise it refuses in one line that names the seam or the
// segment, and writes nothing. The joined video is checked as well before it takes its name.
// Among the segments may be the sound of their frames, written beforehand (a sound piece,
// FILE.m4a), which an MP4 or QuickTime join copies instead of encoding the track's span again.
// Returns the exit status.
int runJoin(const CaptureOptions& options);

// --frames A-B -o FILE.m4a: the sound piece of those frames, checked before it takes its name,
// so that the sound's encoding runs beside the segments instead of in the join. Returns the exit
// status.
int runSoundPiece(const CaptureOptions& options);
