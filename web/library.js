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
    pageGentleFlashes: function () {
        return Module['demoPage'].gentle() ? 1 : 0;
    },
    pageStillFrameDrawn: function (ms) {
        Module['demoPage'].stillFrameDrawn(ms);
    },
    pageDemoEnded: function () {
        Module['demoPage'].ended();
    },
    // The instant of the timeline the frame just drawn shows, for the tests: it follows the sound,
    // which may start and run later than the page's own clock. Told for the last frame too.
    pageFrameDrawn: function (ms) {
        Module['frameMs'] = ms;
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
    // The whole track, in one buffer, played by the browser's audio thread: nothing on the page's
    // main thread can hold it up. It starts a tenth of a second after the context's time now,
    // which runs behind the audio thread by up to a callback: a start in the past would begin the
    // track later than asked, and every position after it would be off. Firefox's context time
    // stands still while a script runs, so it is read before the track is copied (150 to 340 ms
    // there) and carried on across the copy by the page's clock: read after it, the start came
    // up to a quarter of a second in the past, and every picture as much before its sound.
    pagePlayTrack: function (stereo, frames, rate) {
        var SDL2 = Module['SDL2'];
        var context = SDL2 && SDL2.audioContext;
        if (!context || frames < 1) return 0;
        var contextAt = context.currentTime;
        var pageAt = performance.now();
        var buffer;
        try {
            buffer = context.createBuffer(2, frames, rate);
        } catch (error) {
            return 0; // too large for this browser: SDL plays it
        }
        var left = buffer.getChannelData(0);
        var right = buffer.getChannelData(1);
        var base = stereo >> 2;
        for (var i = 0; i < frames; i++) {
            left[i] = HEAPF32[base + 2 * i];
            right[i] = HEAPF32[base + 2 * i + 1];
        }
        var source = context.createBufferSource();
        source.buffer = buffer;
        source.connect(context.destination);
        var startAt = contextAt + (performance.now() - pageAt) / 1000 + 0.1;
        source.start(startAt);
        // SDL's paused device would go on handing silence over on the main thread.
        if (SDL2.audio && SDL2.audio.scriptProcessorNode) SDL2.audio.scriptProcessorNode.disconnect();
        Module['demoTrack'] = {
            context: context, source: source, startAt: startAt, rate: rate, latency: 0, readings: []};
        return 1;
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
        if (!track) return 0;
        var context = track.context;
        var played = context.currentTime;
        var readAt = [2, 5, 10];
        var reads = track.readings.length;
        if (reads < readAt.length && played > track.startAt + readAt[reads]) {
            var latency = (context.baseLatency || 0) + (context.outputLatency || 0);
            track.readings.push(latency);
            track.latency = Math.max(track.latency, latency);
        }
        HEAPF64[out >> 3] = (played - track.startAt) * track.rate;
        HEAPF64[(out >> 3) + 1] = track.latency;
        return 1;
    },
    pageStopTrack: function () {
        var track = Module['demoTrack'];
        if (!track) return;
        track.source.stop();
        track.source.disconnect();
        Module['demoTrack'] = null;
    },
});
