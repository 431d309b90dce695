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
    pageStillFrameDrawn: function (ms) {
        Module['demoPage'].stillFrameDrawn(ms);
    },
    pageDemoEnded: function () {
        Module['demoPage'].ended();
    },
});
