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
    // this one runs at the rate the demo hands its sound over, so SDL passes every buffer on as it
    // is, one per audio event. Where the browser refuses the rate, SDL makes its own.
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
    // Each audio event says when its buffer will be played (in the context's time); the event's
    // handler, SDL's, hands the demo's buffer over inside it.
    pageWatchAudioEvents: function () {
        var audio = Module['SDL2'] && Module['SDL2'].audio;
        var node = audio && audio.scriptProcessorNode;
        if (!node) return;
        var handle = node.onaudioprocess;
        node.onaudioprocess = function (event) {
            audio.playbackTime = event.playbackTime;
            handle(event);
        };
    },
    // Seconds from now until the buffer being handed over leaves the speakers: until the context
    // plays it, then through the context's own processing (baseLatency) and the system's output
    // (outputLatency, where the browser tells it). NaN where that cannot be told.
    pageHandOverDelay: function (rate) {
        var SDL2 = Module['SDL2'];
        var context = SDL2 && SDL2.audioContext;
        var audio = SDL2 && SDL2.audio;
        if (!context || !audio || audio.playbackTime === undefined || context.sampleRate !== rate)
            return NaN;
        return audio.playbackTime - context.currentTime + (context.baseLatency || 0) +
            (context.outputLatency || 0);
    },
});
