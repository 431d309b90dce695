// Runs in the page before its own scripts (every engine's driver puts it there): records when the
// page first showed each of its states and when playback started (ms since the page was opened),
// the time of every display frame the demo draws while it plays (ms since playback started), and,
// where the driver cannot hear the
// console itself (WebKit), what the page says on it and the errors it meets. emscripten's main
// loop asks for each frame with requestAnimationFrame.
(function (captureConsole) {
    if (window.demoProbe) return;
    const probe = (window.demoProbe = {frames: {startedAt: null, times: []}, states: {}, log: []});
    const frames = probe.frames;
    const playing = () => document.body && document.body.dataset.state === 'playing';
    document.addEventListener('DOMContentLoaded', () => {
        const note = () => {
            const state = document.body.dataset.state;
            if (!(state in probe.states)) probe.states[state] = performance.now();
            if (playing() && frames.startedAt === null) frames.startedAt = performance.now();
        };
        note();
        new MutationObserver(note).observe(document.body, {attributes: true, attributeFilter: ['data-state']});
    });
    const request = window.requestAnimationFrame.bind(window);
    window.requestAnimationFrame = (callback) =>
        request((time) => {
            if (playing() && frames.startedAt !== null) frames.times.push(performance.now() - frames.startedAt);
            callback(time);
        });
    // Hands over what was said since the last call.
    probe.take = () => probe.log.splice(0, probe.log.length);
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
