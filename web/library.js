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
    // handler, SDL's, hands the demo's buffer over inside it. Firefox's script processor passes
    // its buffers on some 50 ms after the time its events say (Chromium's on time), so a tap
    // behind the node finds marks of the sound in what really reaches the context, and the clock
    // counts the difference: the median of the last five measured.
    pageWatchAudioEvents__deps: ['$soundTapSource'],
    pageWatchAudioEvents: function () {
        var SDL2 = Module['SDL2'];
        var audio = SDL2 && SDL2.audio;
        var node = audio && audio.scriptProcessorNode;
        if (!node) return;
        var context = SDL2.audioContext;
        var handle = node.onaudioprocess;
        var tap = null;
        var events = 0;
        node.onaudioprocess = function (event) {
            audio.playbackTime = event.playbackTime;
            handle(event);
            if (!tap || events++ % 8 !== 0) return;
            // A mark every eighth buffer: the three samples around its steepest step, where they
            // were said to play, and the context's time now, before which they cannot arrive.
            var samples = event.outputBuffer.getChannelData(0);
            var at = -1;
            var steepest = 0;
            for (var i = 0; i + 2 < samples.length; i++) {
                var step = Math.abs(samples[i + 1] - samples[i]);
                if (step > steepest) {
                    steepest = step;
                    at = i;
                }
            }
            if (at < 0) return; // silence marks nothing
            tap.port.postMessage([samples[at], samples[at + 1], samples[at + 2],
                event.playbackTime + at / context.sampleRate, context.currentTime]);
        };
        if (!context.audioWorklet || typeof AudioWorkletNode === 'undefined') return;
        var url = URL.createObjectURL(new Blob([soundTapSource()], {type: 'text/javascript'}));
        context.audioWorklet.addModule(url).then(function () {
            tap = new AudioWorkletNode(context, 'demo-sound-tap', {numberOfOutputs: 1, outputChannelCount: [1]});
            var delays = [];
            tap.port.onmessage = function (message) {
                delays = delays.concat([message.data]).slice(-5);
                audio.scriptDelay = delays.slice().sort(function (x, y) { return x - y; })[delays.length >> 1];
            };
            node.connect(tap);
            // Its output is silence; joined to the destination so that every engine runs it.
            tap.connect(context.destination);
        }).catch(function () {
            // Without a tap the events' own times are taken as they are.
        });
    },
    // The tap, on the audio thread. It keeps the last 1.5 s of what reaches it, since a mark can
    // come after its sound, and looks for each mark from the moment it was sent, each frame once:
    // music made of loops repeats itself exactly, so only the first time after that moment is the
    // mark's own. It answers with how much later than said the mark came; a mark not met within
    // a second (a buffer the browser dropped) is let go.
    $soundTapSource: function () {
        return [
            "registerProcessor('demo-sound-tap', class extends AudioWorkletProcessor {",
            '    constructor() {',
            '        super();',
            '        this.kept = new Float32Array(65536);',
            '        this.marks = [];',
            '        this.port.onmessage = (message) => {',
            '            const [a, b, c, said, sent] = message.data;',
            '            this.marks.push({a, b, c, said, next: Math.max(Math.round(sent * sampleRate) - 128, currentFrame - 65536, 0)});',
            '        };',
            '    }',
            '    process(inputs) {',
            '        const samples = inputs[0][0];',
            '        for (let i = 0; i < 128; i++) this.kept[(currentFrame + i) & 65535] = samples ? samples[i] : 0;',
            '        const end = currentFrame + 128 - 2;',
            '        const kept = this.kept;',
            '        this.marks = this.marks.filter((mark) => {',
            '            for (let f = mark.next; f < end; f++) {',
            '                if (kept[f & 65535] === mark.a && kept[(f + 1) & 65535] === mark.b && kept[(f + 2) & 65535] === mark.c) {',
            '                    this.port.postMessage(f / sampleRate - mark.said);',
            '                    return false;',
            '                }',
            '            }',
            '            mark.next = Math.max(mark.next, end);',
            '            return end / sampleRate - mark.said < 1;',
            '        });',
            '        return true;',
            '    }',
            '});',
        ].join('\n');
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
        return audio.playbackTime + (audio.scriptDelay || 0) - context.currentTime +
            (context.baseLatency || 0) + (context.outputLatency || 0);
    },
});
