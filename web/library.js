// The calls the demo makes into its page (src/platform/web/WebMain.cpp); page.js does the work.
mergeInto(LibraryManager.library, {
    pageStillFrameMs: function () {
        var at = new URLSearchParams(location.search).get('at');
        return at !== null && /^[0-9]+$/.test(at) ? parseInt(at, 10) : -1;
    },
    // SDL's inline JavaScript calls these without declaring them (emscripten's own SDL port
    // declares them for it); as dependencies of a function the demo always calls, they are linked.
    pageDemoReady__deps: ['$autoResumeAudioContext', '$dynCall'],
    pageDemoReady: function () {
        Module['demoPage'].ready();
    },
    pageDataArrived: function (fileName) {
        return Module['demoPage'].dataArrived(UTF8ToString(fileName)) ? 1 : 0;
    },
    pageGentleFlashes: function () {
        return Module['demoPage'].gentle() ? 1 : 0;
    },
    pageStillFrameDrawn: function (ms) {
        Module['demoPage'].stillFrameDrawn(ms);
    },
    pageChapter: function (startMs, name) {
        Module['demoPage'].chapter(startMs, UTF8ToString(name));
    },
    pageDemoEnded: function () {
        Module['demoPage'].ended();
    },
    pageDemoFailed: function (why) {
        Module['demoPage'].failedToStart(why);
    },
    // The instant of the timeline the frame just drawn shows, for the page's controls and the tests
    // (with a count of the frames drawn): it follows the sound, which may start and run later than
    // the page's own clock. Told for the last frame too.
    pageFrameDrawn: function (ms) {
        Module['frameMs'] = ms;
        Module['framesDrawn'] = (Module['framesDrawn'] || 0) + 1;
        Module['demoPage'].frameDrawn(ms);
    },
    // The sound (src/platform/AudioDevice.cpp). SDL makes its audio context only if there is none:
    // the page makes it at the track's rate, so that the browser need not resample it. Where the
    // browser refuses the rate, SDL makes its own and the browser resamples.
    pageOpenAudioContext__deps: ['$autoResumeAudioContext'],
    pageOpenAudioContext: function (rate) {
        var SDL2 = (Module['SDL2'] = Module['SDL2'] || {});
        if (SDL2.audioContext || typeof AudioContext === 'undefined') return;
        try {
            SDL2.audioContext = new AudioContext({sampleRate: rate});
        } catch (error) {
            return;
        }
        autoResumeAudioContext(SDL2.audioContext);
    },
    // The whole track, played by the browser's audio thread: nothing on the page's main thread can
    // hold it up. It comes as the demo decodes it, into buffers of the browser's own, a chunk each,
    // so that the start has nothing left to copy (the whole track copied at the start took a third
    // of a second on a slow phone); each chunk plays from the frame where the one before it ends.
    $demoTrackChunkFrames: 65536,
    // Every chunk plays through the track's own gain, the page's volume (page.js).
    $trackChunkSource: function (track, index) {
        var source = track.context.createBufferSource();
        source.buffer = track.chunks[index];
        source.connect(track.output);
        track.sources.push(source);
        return source;
    },
    // A chunk plays from its own start, or from where the track was last started within it (a
    // seek, a resume), at its time from track.startAt, the context's time of the track's frame 0.
    $startTrackChunk__deps: ['$demoTrackChunkFrames'],
    $startTrackChunk: function (track, source, index) {
        var begins = track.startAt + (index * demoTrackChunkFrames) / track.rate;
        var when = Math.max(begins, track.playsFrom);
        // Decoded too late for its start (a page held up for seconds): it joins where the track is.
        var late = Math.max(0, track.context.currentTime - when);
        if (late > 0) source.start(0, when - begins + late);
        else source.start(when, when - begins);
    },
    // Whether a chunk has anything left to play from where the track was last started.
    $trackChunkAhead__deps: ['$demoTrackChunkFrames'],
    $trackChunkAhead: function (track, index) {
        return track.startAt + ((index + 1) * demoTrackChunkFrames) / track.rate > track.playsFrom;
    },
    $stopTrackSources: function (track) {
        track.sources.forEach(function (source) {
            try {
                source.stop();
            } catch (error) {
                // Never started: nothing to stop.
            }
            source.disconnect();
        });
        track.sources = [];
    },
    $closeTrackChunk__deps: ['$trackChunkSource', '$startTrackChunk', '$trackChunkAhead'],
    $closeTrackChunk: function (track) {
        var buffer;
        try {
            buffer = track.context.createBuffer(2, track.filled, track.rate);
        } catch (error) {
            track.failed = true; // refused: SDL plays it
            return;
        }
        buffer.copyToChannel(track.staging[0].subarray(0, track.filled), 0);
        buffer.copyToChannel(track.staging[1].subarray(0, track.filled), 1);
        track.chunks.push(buffer);
        track.filled = 0;
        var index = track.chunks.length - 1;
        if (track.started && !track.held && trackChunkAhead(track, index))
            startTrackChunk(track, trackChunkSource(track, index), index);
    },
    pageOfferTrack__deps: ['$demoTrackChunkFrames', '$closeTrackChunk'],
    pageOfferTrack: function (stereo, firstFrame, frames, complete, rate) {
        var SDL2 = Module['SDL2'];
        var context = SDL2 && SDL2.audioContext;
        if (!context) return;
        var track = Module['demoTrack'];
        if (!track) {
            track = Module['demoTrack'] = {context: context, rate: rate, chunks: [], sources: [],
                staging: [new Float32Array(demoTrackChunkFrames), new Float32Array(demoTrackChunkFrames)],
                filled: 0, started: false, held: false, failed: false, startAt: 0, playsFrom: 0, firstStartAt: 0,
                latency: 0, readings: [], output: context.createGain()};
            track.output.connect(context.destination);
            track.output.gain.value = Module['demoPage'].volume();
        }
        var left = track.staging[0];
        var right = track.staging[1];
        var at = (stereo >> 2) + 2 * firstFrame;
        for (var i = 0; i < frames && !track.failed;) {
            var n = Math.min(demoTrackChunkFrames - track.filled, frames - i);
            for (var k = 0; k < n; k++, at += 2) {
                left[track.filled + k] = HEAPF32[at];
                right[track.filled + k] = HEAPF32[at + 1];
            }
            track.filled += n;
            i += n;
            if (track.filled === demoTrackChunkFrames) closeTrackChunk(track);
        }
        if (complete && track.filled > 0 && !track.failed) closeTrackChunk(track);
    },
    // It starts a tenth of a second after the context's time now, which runs behind the audio
    // thread by up to a callback: a start in the past would begin the track later than asked, and
    // every position after it would be off. Firefox's context time stands still while a script
    // runs, so it is read first and carried on across the making of the sources by the page's
    // clock. The start falls on a frame of the context, so that the chunks after it do too. Called
    // again (a seek, a resume), the sources playing stop at once and new ones start from the frame.
    pagePlayTrack__deps: ['$demoTrackChunkFrames', '$trackChunkSource', '$startTrackChunk', '$trackChunkAhead', '$stopTrackSources'],
    pagePlayTrack: function (fromFrame) {
        var track = Module['demoTrack'];
        if (!track || track.failed || !track.chunks.length) return 0;
        stopTrackSources(track);
        var contextAt = track.context.currentTime;
        var pageAt = performance.now();
        var rate = track.rate;
        var first = Math.floor(fromFrame / demoTrackChunkFrames);
        var sources = [];
        for (var index = first; index < track.chunks.length; index++) sources.push(trackChunkSource(track, index));
        var playsFrom = Math.ceil((contextAt + (performance.now() - pageAt) / 1000 + 0.1) * rate) / rate;
        track.playsFrom = playsFrom;
        track.startAt = playsFrom - fromFrame / rate;
        if (!track.started) track.firstStartAt = playsFrom;
        track.started = true;
        track.held = false;
        sources.forEach(function (source, i) {
            startTrackChunk(track, source, first + i);
        });
        // SDL's paused device would go on handing silence over on the main thread.
        var SDL2 = Module['SDL2'];
        if (SDL2.audio && SDL2.audio.scriptProcessorNode) SDL2.audio.scriptProcessorNode.disconnect();
        return 1;
    },
    pageHoldTrack__deps: ['$stopTrackSources'],
    pageHoldTrack: function () {
        var track = Module['demoTrack'];
        if (!track) return;
        stopTrackSources(track);
        track.held = true;
    },
    // Writes the track frame the browser plays into its output now and the seconds from now at
    // which it leaves the speakers: what the context plays now leaves after its own processing
    // (baseLatency) and the system's output (outputLatency, where the browser tells it). Firefox
    // can deadlock its page when the latencies are read while its audio output is still starting
    // (as getOutputTimestamp reads them), so they are read only at 2, 5 and 10 s into the track.
    // Firefox's figure differs from one start to the next (16 to 35 ms here), and a low one would
    // show every picture that much early: should a later reading differ, the largest is kept.
    // Until the first, the sound counts as leaving the moment it is played.
    pageTrackPosition: function (out) {
        var track = Module['demoTrack'];
        if (!track || !track.started) return 0;
        var context = track.context;
        var played = context.currentTime;
        var readAt = [2, 5, 10];
        var reads = track.readings.length;
        if (reads < readAt.length && played > track.firstStartAt + readAt[reads]) {
            var latency = (context.baseLatency || 0) + (context.outputLatency || 0);
            track.readings.push(latency);
            track.latency = Math.max(track.latency, latency);
        }
        HEAPF64[out >> 3] = (played - track.startAt) * track.rate;
        HEAPF64[(out >> 3) + 1] = track.latency;
        return 1;
    },
    pageStopTrack__deps: ['$stopTrackSources'],
    pageStopTrack: function () {
        var track = Module['demoTrack'];
        if (!track) return;
        stopTrackSources(track);
        Module['demoTrack'] = null;
    },
});
