// Runs in the page before its own scripts (every engine's driver puts it there): records when the
// page first showed each of its states and when playback started (ms since the page was opened),
// the time of every display frame the demo draws while it plays (ms since playback started), how
// far the audio context's own clock went meanwhile, and, where the driver cannot hear the console
// itself (WebKit), what the page says on it and the errors it meets. emscripten's main loop asks
// for each frame with requestAnimationFrame. And how far the page's start got, for a test that
// waits in vain for it: the WebAssembly compiled, main begun, the WebGL and audio contexts made.
// And when the loading bar moved.
(function (captureConsole) {
    if (window.demoProbe) return;
    // id tells a driver that reads log a new page from the one it read before.
    const probe = (window.demoProbe = {frames: {startedAt: null, times: []}, states: {}, log: [], barMoves: [],
        id: `${performance.timeOrigin}-${Math.random()}`});
    const frames = probe.frames;
    probe.startUp = [];
    const passed = (step) => probe.startUp.push(`${step} at ${Math.round(performance.now())} ms`);
    const around = (owner, name, before, after) => {
        const original = owner[name];
        if (typeof original !== 'function') return;
        owner[name] = function (...args) {
            passed(before);
            const result = original.apply(this, args);
            if (result && typeof result.then === 'function') result.then(() => passed(after), () => passed(`${after}: failed`));
            else passed(after);
            return result;
        };
    };
    around(WebAssembly, 'instantiate', 'compiling the WebAssembly', 'WebAssembly compiled');
    around(WebAssembly, 'instantiateStreaming', 'compiling the WebAssembly', 'WebAssembly compiled');
    around(HTMLCanvasElement.prototype, 'getContext', 'asking for a WebGL context', 'context answered');
    if (window.AudioContext) {
        const Original = window.AudioContext;
        window.AudioContext = function (...args) {
            passed('making the audio context');
            return new Original(...args);
        };
        window.AudioContext.prototype = Original.prototype;
    }
    // When the track was asked to start (its first chunk), against where the context's time was
    // then: its time as the page reads it a moment later, less that moment. A start already past
    // when asked begins late, and every position the page counts from it is off by as much. With
    // ?slow-track-copy the making of the first chunk's source takes 300 ms more, as on a slow
    // machine, during which Firefox's context time stands still for the page.
    if (window.AudioBufferSourceNode) {
        if (new URLSearchParams(location.search).has('slow-track-copy')) {
            const createBufferSource = BaseAudioContext.prototype.createBufferSource;
            let slowed = false;
            BaseAudioContext.prototype.createBufferSource = function (...args) {
                const source = createBufferSource.apply(this, args);
                if (!slowed) for (const until = performance.now() + 300; performance.now() < until;) continue;
                slowed = true;
                return source;
            };
        }
        const start = AudioBufferSourceNode.prototype.start;
        AudioBufferSourceNode.prototype.start = function (when = 0, ...rest) {
            const askedAt = performance.now();
            const context = this.context;
            if (!probe.trackStart) {
                probe.trackStart = {when, contextAt: null};
                setTimeout(() => {
                    probe.trackStart.contextAt = context.currentTime - (performance.now() - askedAt) / 1000;
                }, 100);
            }
            return start.call(this, when, ...rest);
        };
    }
    // The media session's handlers as the page sets them, for a test to call as the system would.
    if (window.MediaSession) {
        probe.mediaActions = {};
        const set = MediaSession.prototype.setActionHandler;
        MediaSession.prototype.setActionHandler = function (action, handler) {
            probe.mediaActions[action] = handler;
            return set.call(this, action, handler);
        };
    }
    // The time of the audio context the demo plays into: how much sound it has played.
    const soundMs = () => {
        const context = window.Module && Module.SDL2 && Module.SDL2.audioContext;
        return context ? context.currentTime * 1000 : null;
    };
    const playing = () => document.body && document.body.dataset.state === 'playing';
    document.addEventListener('DOMContentLoaded', () => {
        const note = () => {
            const state = document.body.dataset.state;
            if (!(state in probe.states)) probe.states[state] = performance.now();
            if (playing() && frames.startedAt === null) {
                frames.startedAt = performance.now();
                frames.soundStartedAt = soundMs();
            }
        };
        note();
        if (window.Module) Module.onRuntimeInitialized = () => passed('main begins');
        new MutationObserver(note).observe(document.body, {attributes: true, attributeFilter: ['data-state']});
        const bar = document.getElementById('progress');
        if (bar) new MutationObserver(() => probe.barMoves.push(performance.now())).observe(bar, {attributes: true});
    });
    const request = window.requestAnimationFrame.bind(window);
    window.requestAnimationFrame = (callback) =>
        request((time) => {
            if (playing() && frames.startedAt !== null) {
                frames.times.push(performance.now() - frames.startedAt);
                frames.soundAt = soundMs();
            }
            callback(time);
        });
    // What was said from entry FROM on, of the page ID (from the start, if this is another page).
    // The log is only read, never emptied: WebKit can run a driver's script inside an alert's
    // nested loop and then lose its reply, so the driver reads again from where it was.
    probe.since = (from, id) => [probe.id, probe.log.slice(id === probe.id ? from : 0)];
    if (!captureConsole) return;
    for (const type of ['log', 'info', 'warn', 'error', 'debug']) {
        const original = console[type].bind(console);
        console[type] = (...args) => {
            probe.log.push({kind: 'console', type: type === 'warn' ? 'warning' : type, text: args.map(String).join(' ')});
            original(...args);
        };
    }
    window.addEventListener('error', (event) => {
        // A script, picture or style that failed to load reports on its element.
        if (event.target && event.target !== window)
            probe.log.push({kind: 'request', text: event.target.src || event.target.href || event.target.tagName});
        else probe.log.push({kind: 'uncaught', text: event.message});
    }, true);
    window.addEventListener('unhandledrejection', (event) =>
        probe.log.push({kind: 'uncaught', text: String(event.reason && event.reason.message || event.reason)}));
})
