#pragma once

// What the platform says of its sound output beyond SDL's own interface: how long the sound handed
// to the device waits before it leaves it. Natively SDL tells only its buffer's size; the browser
// tells when each buffer plays and how late its output runs.

// Before SDL opens the device: in the browser, an audio context running at the demo's own rate,
// so that SDL passes every buffer the demo hands over to the browser as it is, one per audio
// event (at another rate SDL converts through a queue of its own that nothing measures).
void prepareAudioDevice(int rate);
// Once SDL has opened it: in the browser, each audio event is watched for the instant its buffer
// is played.
void watchAudioDevice();
// Seconds from now until the first frame of the buffer being handed over leaves the device, for
// the device's callback to call while it fills a buffer of bufferFrames at rate. False where the
// platform cannot tell.
bool handOverDelaySeconds(int bufferFrames, int rate, double& delay);
