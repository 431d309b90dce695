// The calls the demo makes into its page (src/platform/web/WebMain.cpp); page.js does the work.
mergeInto(LibraryManager.library, {
    pageStillFrameMs: function () {
        var at = new URLSearchParams(location.search).get('at');
        return at !== null && /^[0-9]+$/.test(at) ? parseInt(at, 10) : -1;
    },
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
