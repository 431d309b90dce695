#pragma once

#include <cstdint>

// What the platform says of its sound output beyond SDL's own interface: how long the sound handed
// to the device waits before it leaves it. Natively SDL plays the track and tells only its
// buffer's size; in the browser the page plays the whole track itself and tells where it stands.

// Before SDL opens the device: in the browser, an audio context for SDL and the page to share.
void prepareAudioDevice(int rate);
// Seconds from now until the first frame of the buffer being handed over leaves the device, for
// SDL's callback to call while it fills a buffer of bufferFrames at rate.
double handOverDelaySeconds(int bufferFrames, int rate);

// In the browser SDL's audio is a script processor whose buffers are filled on the page's main
// thread: whenever the page or the machine is busy the sound breaks up, and Firefox passes its
// buffers on later than their events say. So there the page hands the whole track to the browser,
// whose own audio thread plays it, and SDL's device stays paused. The track comes as it is
// decoded (interleaved stereo at rate, frames firstFrame on), into buffers of the browser's own,
// so that nothing is left to copy when it starts; complete when no more will come.
void offerWholeTrackFrames(const float* stereo, int64_t firstFrame, int64_t frames, bool complete,
                           int rate);
// Plays what was offered from fromFrame, and what is offered later in its turn; called again, it
// moves there, and after holdWholeTrack it goes on from there. False natively, where SDL's
// callback hands the track over buffer by buffer, and where the browser could take none of it.
bool playWholeTrack(int64_t fromFrame);
// Stops the sound at once, keeping the track for the next playWholeTrack.
void holdWholeTrack();
// Where the track given to playWholeTrack stands: the browser is playing `frame` into its output
// now, and it leaves the speakers delay seconds from now. False before the browser can tell.
struct TrackPosition {
    double frame = 0;
    double delay = 0;
};
bool wholeTrackPosition(TrackPosition& position);
void stopWholeTrack();
