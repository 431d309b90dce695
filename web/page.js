'use strict';
// The page around the demo: the loading bar, the start overlay (browsers allow sound only after a
// click, and that click is the timeline's 0), full screen, the end with an offer to play again,
// and ?at=MS, which draws the single frame at MS for comparing with the native renderer.
//   ?autostart   starts without the click where the browser allows sound without one
(function () {
    var params = new URLSearchParams(location.search);
    var byId = function (id) {
        return document.getElementById(id);
    };
    var show = function (id, shown) {
        byId(id).classList.toggle('hidden', !shown);
    };
    var setState = function (state) {
        document.body.dataset.state = state;
    };
    var started = false;

    if (params.has('at')) document.body.classList.add('still');
    console.log(byId('about').textContent);

    // SDL's audio output lives in this context; it is created, suspended, during start-up.
    function audioContext() {
        return Module['SDL2'] && Module['SDL2'].audioContext;
    }

    function start() {
        if (started) return;
        started = true;
        show('start', false);
        var context = audioContext();
        if (context && context.state !== 'running') context.resume();
        show('fullscreen-button', true);
        setState('playing');
        Module['_startPlayback']();
    }

    function autostart() {
        var context = audioContext();
        if (!context || context.state === 'running') {
            start();
            return;
        }
        // A browser that wants a click leaves the promise pending: offer the click meanwhile.
        var offer = setTimeout(function () {
            setState('ready');
            show('start', true);
        }, 300);
        context.resume().then(function () {
            clearTimeout(offer);
            start();
        });
    }

    byId('start-button').addEventListener('click', start);
    byId('again-button').addEventListener('click', function () {
        var again = new URL(location.href);
        again.searchParams.set('autostart', '');
        location.href = again.href;
    });
    byId('fullscreen-button').addEventListener('click', function () {
        if (document.fullscreenElement) document.exitFullscreen();
        else byId('stage').requestFullscreen();
    });

    window.Module = {
        canvas: byId('canvas'),
        print: function (text) {
            console.log(text);
        },
        // The demo's messages, "caption: text", arrive here as well as in their boxes.
        printErr: function (text) {
            console.warn(text);
        },
        // The data package reports "Downloading data... (loaded/total)".
        setStatus: function (text) {
            var progress = /\((\d+(?:\.\d+)?)\/(\d+(?:\.\d+)?)\)/.exec(text);
            if (progress) {
                var percent = (100 * Number(progress[1])) / Number(progress[2]);
                byId('progress').style.width = percent.toFixed(1) + '%';
                byId('status').textContent = 'Loading ' + percent.toFixed(0) + ' %';
            }
        },
        demoPage: {
            ready: function () {
                show('loading', false);
                if (params.has('autostart')) {
                    autostart();
                } else {
                    setState('ready');
                    show('start', true);
                }
            },
            stillFrameDrawn: function (ms) {
                setState('still');
                document.title = 'frame ' + ms;
            },
            ended: function () {
                show('loading', false);
                show('start', false);
                show('fullscreen-button', false);
                if (document.fullscreenElement) document.exitFullscreen();
                show('end', true);
                setState('ended');
            },
        },
    };
})();
