'use strict';
// The page around the demo: the data's download with its bar, the start overlay (browsers allow
// sound only after a click or a tap, and that gesture is the timeline's 0), a video player's
// controls while it plays (pause, the seek bar with the scenes as chapters, volume, gentle flashes,
// a link to the instant, the keys' list, full screen, the close button) and the keys video sites
// made habits, the system's media controls (Media Session), the end with an offer to play again,
// a lost WebGL context, the keyboard (every control reached with Tab in every state; the demo
// gets Escape alone, while it plays), the offline cache, and ?at=MS, which draws the single frame
// at MS for comparing with the native renderer.
//   ?autostart   starts without the click where the browser allows sound without one
//   ?gentle      plays with gentle flashes (and draws the ?at=MS frame so), whatever was chosen
//                before
//   #t=SECONDS   starts there (Media Fragments: 80, 1:20, npt:80.5); paused, the address says
//                where it stands, as a link to the instant

(function () {
    var params = new URLSearchParams(location.search);
    var byId = function (id) {
        return document.getElementById(id);
    };
    var show = function (id, shown) {
        byId(id).classList.toggle('hidden', !shown);
    };
    var state = function () {
        return document.body.dataset.state;
    };
    var setState = function (state) {
        document.body.dataset.state = state;
    };
    var started = false;
    var still = params.has('at');

    if (still) document.body.classList.add('still');
    console.log(byId('version').textContent);

    // SDL's audio output lives in this context; it is created, suspended, during start-up.
    function audioContext() {
        return Module['SDL2'] && Module['SDL2'].audioContext;
    }

    // Overlays with a button take Enter and Space on it, focused and visibly so.
    function offer(id, buttonId) {
        show(id, true);
        byId(buttonId).focus();
    }

    function hideControls() {
        ['loading', 'start', 'close-button', 'controls', 'help'].forEach(function (id) {
            show(id, false);
        });
    }

    function fail(text) {
        hideControls();
        byId('failed-text').textContent = text;
        offer('failed', 'reload-button');
        setState('failed');
    }
    // What a visitor can do where this browser cannot play the demo at all.
    var elsewhere = ' Try another browser, or watch a recording of the demo.';
    var noWebGL = 'The demo cannot draw in this browser: WebGL, which it draws with, is turned off or not ' +
        'available here. Turn graphics (hardware) acceleration on in the browser\'s settings, or try another ' +
        'browser, or watch a recording of the demo.';
    var noWebAssembly = 'The demo cannot run in this browser: it needs WebAssembly, which this browser does not ' +
        'have or has turned off.' + elsewhere;
    var noMemory = 'The demo ran out of memory in this browser. Close other tabs or windows and try again.' +
        elsewhere;
    // A start that failed for want of memory says so in words of its own.
    function startFailed(what) {
        var text = String(what);
        fail(/memory|OOM|RangeError/i.test(text) ? noMemory
                                                 : 'The demo could not start (' + text + ').' + elsewhere);
    }
    // Nothing is downloaded for a program that cannot run. A WebKit with WebGL turned off has no
    // WebGLRenderingContext at all, which the program's GL layer would meet as an uncaught error;
    // elsewhere WebGL turned off only refuses the context, which the program reports itself.
    if (typeof WebAssembly !== 'object' || typeof WebAssembly.instantiate !== 'function') {
        fail(noWebAssembly);
        return;
    }
    if (typeof WebGLRenderingContext === 'undefined') {
        fail(noWebGL);
        return;
    }

    // ---- Downloads. The page fetches the program and its data itself, each as a gzip file that
    // the browser's DecompressionStream inflates, so that they arrive small from any host, even
    // one that compresses nothing (most never compress a .data or .wasm file); a browser without
    // DecompressionStream fetches the files as they are. The fetching and inflating run in a
    // worker (download.js), off this thread, which stays free for the program's own loading.
    var inflates = typeof DecompressionStream === 'function';

    function fetchOk(url) {
        return fetch(url).then(function (response) {
            if (!response.ok) throw new Error(url + ': HTTP ' + response.status);
            return response;
        });
    }

    var downloader = new Worker('download.js');
    var downloads = {};
    var downloadCount = 0;
    downloader.onmessage = function (event) {
        var answer = downloads[event.data.id];
        if (answer) answer(event.data);
    };
    // The worker itself could not run (download.js missing, say): every download fails, those asked
    // for later too (a missing script fails before the poster is in).
    var downloaderFailed = null;
    downloader.onerror = function (event) {
        event.preventDefault();
        downloaderFailed = 'download.js: ' + (event.message || 'the worker could not run');
        Object.keys(downloads).forEach(function (id) {
            downloads[id]({failed: downloaderFailed});
        });
    };

    // The download's own timing goes into the page's timeline as a measure named after the file,
    // where the browser's tools and any script that reads the page's timings find it.
    function keepTiming(timing) {
        if (!timing || !performance.measure) return;
        var shift = timing.timeOrigin - performance.timeOrigin;
        try {
            performance.measure(timing.name.replace(/^.*\//, ''),
                {start: timing.startTime + shift, end: timing.responseEnd + shift, detail: timing});
        } catch (error) {
            // An engine without measures that take a start and an end: the tools still see it.
        }
    }

    // Downloads NAME's bytes: a promise of them all, or, given onPart, of its end, with each new
    // part handed to onPart as it comes (in batches, a few tens a second at most).
    function download(name, onPart) {
        return new Promise(function (resolve, reject) {
            var id = ++downloadCount;
            var whole = null;
            var end = function (then, value) {
                delete downloads[id];
                then(value);
            };
            downloads[id] = function (answer) {
                if (answer.failed) end(reject, new Error(answer.failed));
                else if (answer.whole) whole = answer.whole;
                else if (answer.done) {
                    keepTiming(answer.timing);
                    end(resolve, whole);
                } else {
                    try {
                        onPart(new Uint8Array(answer.part));
                    } catch (error) {
                        end(reject, error);
                    }
                }
            };
            if (downloaderFailed) downloads[id]({failed: downloaderFailed});
            else downloader.postMessage({id: id, name: name, inflate: inflates, parts: !!onPart});
        });
    }

    // The bar counts the data package's own bytes as they come out of the inflation, against its
    // size from demo.data.json: right whatever the host did to them on the way.
    var megabytes = function (bytes) {
        return (bytes / 1e6).toFixed(1);
    };
    // The one place that moves the bar: its look, its value for assistive technology, and a
    // polite word at each quarter (a screen reader that spoke every chunk would say nothing else).
    var quarterSaid = 0;
    function drawProgress(loaded, total) {
        var share = total > 0 ? Math.min(1, loaded / total) : 0;
        var text = 'Loading ' + megabytes(loaded) + ' of ' + megabytes(total) + ' MB';
        byId('progress').style.width = (100 * share).toFixed(1) + '%';
        byId('status').textContent = text;
        var bar = byId('loading-bar');
        bar.setAttribute('aria-valuenow', Math.floor(100 * share));
        bar.setAttribute('aria-valuetext', text);
        var quarter = Math.floor(4 * share);
        if (quarter > quarterSaid) {
            quarterSaid = quarter;
            byId('announcer').textContent = quarter < 4 ? 'Loading: ' + 25 * quarter + ' %' : 'Loaded';
        }
    }
    // A slow network hands the data over in chunks of a few kilobytes, thousands of them: drawing
    // the bar for each (a layout, and the accessibility tree updated) took a phone's main thread
    // several seconds of the download. Ten times a second moves it as smoothly, and the end at once.
    var progressDrawnAt = -Infinity;
    var progressTimer = 0;
    var progressLatest = [0, 0];
    function drawLatestProgress() {
        clearTimeout(progressTimer);
        progressTimer = 0;
        progressDrawnAt = performance.now();
        drawProgress(progressLatest[0], progressLatest[1]);
    }
    function showProgress(loaded, total) {
        progressLatest = [loaded, total];
        var since = performance.now() - progressDrawnAt;
        if (loaded >= total || since >= 100) drawLatestProgress();
        else if (!progressTimer) progressTimer = setTimeout(drawLatestProgress, 100 - since);
    }

    // The data package's files go into the program's in-memory file system one by one as they
    // arrive, in the order the demo loads them (scripts/pack-web-data.sh), so that the program
    // starts on them while the rest still downloads; it asks dataArrived() before it opens a file.
    var data = {layout: null, bytes: null, loaded: 0, complete: false, installed: {}, runtime: false};

    function installArrived() {
        if (!data.runtime || !data.layout) return;
        var any = false;
        data.layout.files.forEach(function (file) {
            if (data.installed[file.name] || file.end > data.loaded) return;
            var slash = file.name.lastIndexOf('/');
            Module['FS_createPath']('/', file.name.slice(1, slash), true, true);
            Module['FS_createDataFile'](file.name, null, data.bytes.subarray(file.start, file.end),
                true, true, true);
            data.installed[file.name] = true;
            any = true;
        });
        if ((any || data.complete) && Module['_resumeLoading']) Module['_resumeLoading']();
    }

    // The poster first: on a slow network the visitor sees the picture at once, rather than a black
    // page while the 3 MB behind it share the line with it. The rest starts once the poster is in
    // and the page has been painted (the browser's largest contentful paint says when; Chromium
    // leaves out a picture that fills the whole window, as the poster does on a 4:3 screen, and
    // names the title), or, where the browser does not tell, a frame after the poster is decoded;
    // or once the poster has failed, or after three seconds whatever happens. Not sooner, although
    // headless Chromium paints a second late: Lighthouse's model of a slow phone makes the paint
    // wait for every download begun before it (the 2.7 MB of data, 17 s).
    var posterShown = still ? Promise.resolve() : new Promise(function (resolve) {
        var poster = byId('poster');
        setTimeout(resolve, 3000);
        poster.addEventListener('error', resolve);
        var afterNextFrame = function () {
            requestAnimationFrame(function () {
                setTimeout(resolve, 0);
            });
        };
        var decoded = new Promise(function (done) {
            var decode = function () {
                (poster.decode ? poster.decode() : Promise.resolve()).then(done, done);
            };
            if (poster.complete) decode();
            else poster.addEventListener('load', decode);
        });
        var types = window.PerformanceObserver && PerformanceObserver.supportedEntryTypes;
        if (!types || types.indexOf('largest-contentful-paint') < 0) {
            decoded.then(afterNextFrame);
            return;
        }
        var painted = new Promise(function (done) {
            new PerformanceObserver(done).observe({type: 'largest-contentful-paint', buffered: true});
        });
        Promise.all([decoded, painted]).then(afterNextFrame);
    });
    var afterPoster = function (then) {
        return posterShown.then(then);
    };

    // Parts that come before the layout wait for it.
    var early = [];
    function addPart(part) {
        if (!data.layout) {
            early.push(part);
            return;
        }
        if (data.loaded + part.length > data.layout.bytes)
            throw new Error('demo.data: more than ' + data.layout.bytes + ' bytes');
        data.bytes.set(part, data.loaded);
        data.loaded += part.length;
        showProgress(data.loaded, data.layout.bytes);
        installArrived();
    }
    var layoutIn = afterPoster(function () {
        return fetchOk('demo.data.json');
    }).then(function (response) {
        return response.json();
    }).then(function (layout) {
        data.layout = layout;
        data.bytes = new Uint8Array(layout.bytes);
        showProgress(0, layout.bytes);
        early.splice(0).forEach(addPart);
    });
    var dataPackage = Promise.all([layoutIn, afterPoster(function () {
        return download('demo.data', addPart);
    })]).then(function () {
        if (data.loaded !== data.layout.bytes)
            throw new Error('demo.data: ' + data.loaded + ' bytes, not ' + data.layout.bytes);
        data.complete = true;
        installArrived();
    });

    // The program: its WebAssembly compiled once it is in (instantiateWasm below), and its script
    // run.
    var program = afterPoster(function () {
        return download('demo.wasm');
    });
    afterPoster(function () {
        return download('demo.js');
    }).then(function (source) {
        var script = document.createElement('script');
        script.src = URL.createObjectURL(new Blob([source], {type: 'text/javascript'}));
        document.body.appendChild(script);
    }).catch(function (error) {
        fail('The demo could not load (' + error.message + ').');
    });

    dataPackage.catch(function (error) {
        console.error('The demo could not load its data: ' + error.message);
        fail('The demo could not load its data (' + error.message + ').');
    });

    // What has arrived goes in as soon as there is a file system; a still frame (?at=MS) waits for
    // all of it, as it loads everything at once.
    function installData() {
        data.runtime = true;
        installArrived();
        if (still && !data.complete) {
            Module['addRunDependency']('demo.data');
            dataPackage.then(function () {
                Module['removeRunDependency']('demo.data');
            });
        }
    }

    // ---- Gentle flashes: on by itself where the viewer has asked the system for less motion, and
    // as the viewer last set it on this page, which wins; ?gentle for links and tests.
    var gentleSwitch = byId('gentle-switch');
    function remembered(key) {
        try {
            return localStorage.getItem(key);
        } catch (error) {
            return null; // storage refused (private windows, some embedded pages)
        }
    }
    function remember(key, value) {
        try {
            localStorage.setItem(key, value);
        } catch (error) {
            // Not remembered: it still holds for this visit.
        }
    }
    gentleSwitch.checked = params.has('gentle') ||
        (remembered('demo.gentle') !== null ? remembered('demo.gentle') === '1'
                                            : window.matchMedia('(prefers-reduced-motion: reduce)').matches);
    gentleSwitch.addEventListener('change', function () {
        remember('demo.gentle', gentleSwitch.checked ? '1' : '0');
    });

    // ---- Where it starts: #t=SECONDS, as a video's link to an instant. A start past the end
    // begins at the last second; one that is no time at all (a negative, a word), at 0.
    var showMs = 136000;
    var endKeyMs = 135000;
    var lastSeekMs = showMs - 1;
    function fragmentMs(hash) {
        var match = /(?:^#|&)t=(?:npt:)?([0-9:.]+)(?:,[0-9:.]*)?(?:&|$)/.exec(hash);
        if (!match) return 0;
        var parts = match[1].split(':');
        if (parts.length > 3 || parts.some(function (part) {
            return !/^[0-9]+(\.[0-9]*)?$/.test(part);
        })) return 0;
        var seconds = parts.reduce(function (sum, part) {
            return sum * 60 + parseFloat(part);
        }, 0);
        return Math.min(Math.round(seconds * 1000), endKeyMs);
    }
    var startMs = fragmentMs(location.hash);
    function clock(ms) {
        var seconds = Math.floor(ms / 1000);
        return Math.floor(seconds / 60) + ':' + String(seconds % 60).padStart(2, '0');
    }
    if (startMs > 0) byId('start-length').textContent = '2:16, with sound, from ' + clock(startMs);

    // ---- Playing.
    function start() {
        if (started) return;
        started = true;
        show('start', false);
        var context = audioContext();
        if (context && context.state !== 'running') context.resume();
        show('close-button', true);
        show('controls', true);
        show('fullscreen-button', fullScreen.available());
        setState('playing');
        // Start has gone: the picture takes the focus, and Tab goes on to the controls from there.
        byId('canvas').focus();
        Module['_startPlayback'](startMs);
        player.started(startMs);
    }

    function offerStart() {
        setState('ready');
        offer('start', 'start-button');
    }

    function autostart() {
        var context = audioContext();
        if (!context || context.state === 'running') {
            start();
            return;
        }
        // A browser that wants a click leaves the promise pending: offer the click meanwhile.
        var offered = setTimeout(offerStart, 300);
        context.resume().then(function () {
            clearTimeout(offered);
            start();
        });
    }

    function reloadPlaying() {
        var again = new URL(location.href);
        again.searchParams.set('autostart', '');
        location.href = again.href;
    }

    // ---- Full screen: the element's own API where there is one (with WebKit's prefix on older
    // iPads and Safaris). An iPhone has none for anything but video: there the button pins the
    // picture to the part of the page actually visible (the visual viewport, which the browser's
    // bars and a pinch zoom shrink) with the controls faded; it hides itself where the page already
    // runs without the browser's bars (started from the home screen), where nothing is left to do.
    var fullScreen = (function () {
        var stage = byId('stage');
        var request = stage.requestFullscreen || stage.webkitRequestFullscreen;
        var exit = document.exitFullscreen || document.webkitExitFullscreen;
        var enabled = document.fullscreenEnabled || document.webkitFullscreenEnabled;
        var element = function () {
            return document.fullscreenElement || document.webkitFullscreenElement;
        };
        var native = !!(request && exit && enabled);
        var standalone = function () {
            return window.matchMedia('(display-mode: fullscreen), (display-mode: standalone)').matches ||
                navigator.standalone === true;
        };
        function followVisualViewport() {
            var view = window.visualViewport;
            var filled = document.body.classList.contains('filled');
            stage.style.left = filled && view ? view.offsetLeft + 'px' : '';
            stage.style.top = filled && view ? view.offsetTop + 'px' : '';
            stage.style.width = filled && view ? view.width + 'px' : '';
            stage.style.height = filled && view ? view.height + 'px' : '';
            stage.style.right = filled && view ? 'auto' : '';
            stage.style.bottom = filled && view ? 'auto' : '';
        }
        if (window.visualViewport) {
            window.visualViewport.addEventListener('resize', followVisualViewport);
            window.visualViewport.addEventListener('scroll', followVisualViewport);
        }
        // The button says whether it is pressed, however full screen was entered or left.
        function showPressed() {
            var on = native ? !!element() : document.body.classList.contains('filled');
            byId('fullscreen-button').setAttribute('aria-pressed', on ? 'true' : 'false');
        }
        document.addEventListener('fullscreenchange', showPressed);
        document.addEventListener('webkitfullscreenchange', showPressed);
        return {
            available: function () {
                return native || !standalone();
            },
            toggle: function () {
                if (native) {
                    // Refused (the browser's own rules), it stays as it is: nothing to report.
                    var asked = element() ? exit.call(document) : request.call(stage);
                    if (asked && asked.catch) asked.catch(function () {});
                    return;
                }
                document.body.classList.toggle('filled');
                followVisualViewport();
                showPressed();
            },
            leave: function () {
                if (native && element()) exit.call(document);
                document.body.classList.remove('filled');
                followVisualViewport();
                showPressed();
            },
        };
    })();

    // ---- The player: a video player's controls and keys over the demo's transport (its
    // src/app/Controls.h, called through the program's exports). The demo tells the instant of
    // every frame it draws (frameDrawn); what the controls show follows that, never a clock of
    // their own.
    var player = (function () {
        var bar = byId('seek-bar');
        var controls = byId('controls');
        var volumeInput = byId('volume');
        var shown = 0; // the instant of the frame on the screen
        var paused = false;
        var moved = true; // since the bar, the address and the media session last said where it is
        var positionDrawn = -Infinity;
        var chapters = [];
        var dragging = null;
        var idleTimer = 0;
        var storedVolume = parseInt(remembered('demo.volume'), 10);
        var volume = storedVolume >= 0 && storedVolume <= 100 ? storedVolume : 100;
        var muted = remembered('demo.muted') === '1';
        var session = 'mediaSession' in navigator ? navigator.mediaSession : null;
        var playing = function () {
            return state() === 'playing';
        };
        var exported = function (name) {
            var fn = Module['_' + name];
            return fn ? fn.apply(null, Array.prototype.slice.call(arguments, 1)) : undefined;
        };

        function chapterAt(ms) {
            var found = chapters[0];
            chapters.forEach(function (chapter) {
                if (chapter.startMs <= ms) found = chapter;
            });
            return found ? found.name : '';
        }
        function seconds(ms) {
            return String(Math.round(ms) / 1000);
        }
        function say(text) {
            byId('announcer').textContent = text;
        }
        // The seek bar and the time, for the eye and (as the slider's value) for assistive
        // technology.
        function showPosition() {
            var share = Math.min(1, Math.max(0, shown / showMs));
            byId('seek-played').style.width = (100 * share).toFixed(2) + '%';
            byId('seek-thumb').style.left = (100 * share).toFixed(2) + '%';
            byId('time').textContent = clock(shown) + ' / ' + clock(showMs);
            var chapter = chapterAt(shown);
            byId('chapter').textContent = chapter;
            bar.setAttribute('aria-valuenow', String(Math.floor(shown / 1000)));
            bar.setAttribute('aria-valuetext', clock(shown) + ' of ' + clock(showMs) + (chapter ? ', ' + chapter : ''));
            var decoded = exported('decodedMs') || 0;
            byId('seek-loaded').style.width = (100 * Math.min(1, decoded / showMs)).toFixed(2) + '%';
            positionDrawn = shown;
        }
        // Where it stands, said where a visitor or the system looks: the address while paused (a
        // link to the instant), the system's media controls.
        function tellPosition() {
            var url = new URL(location.href);
            url.hash = paused ? 't=' + seconds(shown) : '';
            var address = url.href.replace(/#$/, '');
            if (address !== location.href) history.replaceState(history.state, '', address);
            if (!session) return;
            session.playbackState = paused ? 'paused' : 'playing';
            try {
                session.setPositionState({duration: showMs / 1000, playbackRate: 1, position: Math.min(shown, showMs) / 1000});
            } catch (error) {
                // An engine without position states.
            }
        }

        // Shown on any move of the pointer, a touch or the focus; faded after three seconds of play
        // unless the pointer or the focus is on them. Paused, they stay.
        function wake() {
            document.body.classList.remove('idle');
            clearTimeout(idleTimer);
            idleTimer = setTimeout(function rest() {
                var active = document.activeElement;
                var inUse = controls.contains(active) || active === byId('close-button') ||
                    controls.matches(':hover') || byId('help').matches(':not(.hidden)');
                if (!playing()) return;
                if (paused || dragging || inUse) idleTimer = setTimeout(rest, 3000);
                else document.body.classList.add('idle');
            }, 3000);
        }

        function setPaused(on) {
            if (!playing()) return;
            exported('pausePlayback', on ? 1 : 0);
            paused = exported('playbackPaused') === 1;
            var button = byId('play-button');
            button.textContent = paused ? 'Play' : 'Pause';
            button.title = (paused ? 'Play' : 'Pause') + ' (k)';
            document.body.classList.toggle('paused', paused);
            moved = true;
            tellPosition();
            say(paused ? 'Paused at ' + clock(shown) : 'Playing');
            wake();
        }
        function toggle() {
            setPaused(!paused);
        }
        function seekTo(ms) {
            if (!playing()) return;
            exported('seekPlayback', Math.max(0, Math.min(lastSeekMs, Math.round(ms))));
            moved = true;
        }
        function seekBy(ms) {
            if (!playing()) return;
            exported('seekPlaybackBy', ms);
            moved = true;
        }
        function step(frames) {
            if (!playing() || !paused) return;
            exported('stepPlayback', frames);
            moved = true;
        }
        function setGentle(on) {
            gentleSwitch.checked = on;
            remember('demo.gentle', on ? '1' : '0');
            byId('gentle-button').setAttribute('aria-pressed', on ? 'true' : 'false');
            if (started) exported('gentlePlayback', on ? 1 : 0);
        }
        function gain() {
            return muted ? 0 : (volume / 100) * (volume / 100);
        }
        function applyVolume() {
            var track = Module['demoTrack'];
            if (track && track.output) track.output.gain.value = gain();
            byId('mute-button').setAttribute('aria-pressed', muted ? 'true' : 'false');
            volumeInput.value = String(volume);
            volumeInput.setAttribute('aria-valuetext', muted ? 'muted' : volume + ' %');
            remember('demo.volume', String(volume));
            remember('demo.muted', muted ? '1' : '0');
        }
        function toggleMute() {
            muted = !muted;
            applyVolume();
            say(muted ? 'Sound off' : 'Sound on');
        }
        function toggleHelp() {
            var open = byId('help').classList.contains('hidden');
            show('help', open);
            byId('help-button').setAttribute('aria-expanded', open ? 'true' : 'false');
        }
        // The link to the instant shown, copied; where the clipboard is refused, the address bar
        // holds it once paused.
        function copyLink() {
            var url = new URL(location.href);
            url.searchParams.delete('autostart');
            url.hash = 't=' + seconds(shown);
            var done = function () {
                say('Link to ' + clock(shown) + ' copied');
            };
            var fallback = function () {
                var field = document.createElement('textarea');
                field.value = url.href;
                field.setAttribute('aria-hidden', 'true');
                field.style.position = 'fixed';
                field.style.opacity = '0';
                document.body.appendChild(field);
                field.select();
                var copied = false;
                try {
                    copied = document.execCommand('copy');
                } catch (error) {
                    // Refused as well.
                }
                field.remove();
                if (copied) done();
                else {
                    setPaused(true);
                    say('The address now links to ' + clock(shown));
                }
            };
            if (navigator.clipboard && navigator.clipboard.writeText) navigator.clipboard.writeText(url.href).then(done, fallback);
            else fallback();
        }

        // The seek bar: a press or a drag draws the frame of each place, paused; on release it plays
        // on from there if it played before.
        function msAt(event) {
            var box = bar.getBoundingClientRect();
            return (Math.min(1, Math.max(0, (event.clientX - box.left) / box.width))) * showMs;
        }
        bar.addEventListener('pointerdown', function (event) {
            if (!playing() || event.button > 0) return;
            event.preventDefault();
            bar.focus();
            bar.setPointerCapture(event.pointerId);
            dragging = {wasPlaying: !paused};
            if (!paused) setPaused(true);
            seekTo(msAt(event));
        });
        bar.addEventListener('pointermove', function (event) {
            if (dragging) seekTo(msAt(event));
        });
        var release = function () {
            if (!dragging) return;
            var wasPlaying = dragging.wasPlaying;
            dragging = null;
            if (wasPlaying) setPaused(false);
        };
        bar.addEventListener('pointerup', release);
        bar.addEventListener('pointercancel', release);
        bar.addEventListener('lostpointercapture', release);

        byId('play-button').addEventListener('click', toggle);
        byId('mute-button').addEventListener('click', toggleMute);
        byId('gentle-button').addEventListener('click', function () {
            setGentle(!gentleSwitch.checked);
        });
        byId('link-button').addEventListener('click', copyLink);
        byId('help-button').addEventListener('click', toggleHelp);
        volumeInput.addEventListener('input', function () {
            volume = parseInt(volumeInput.value, 10) || 0;
            muted = false;
            applyVolume();
        });
        // A click or a tap on the picture pauses or plays.
        byId('canvas').addEventListener('click', function () {
            if (playing()) toggle();
        });
        ['pointermove', 'pointerdown', 'touchstart', 'focusin'].forEach(function (type) {
            byId('stage').addEventListener(type, function () {
                if (playing()) wake();
            }, {passive: true});
        });
        window.addEventListener('hashchange', function () {
            if (playing()) seekTo(fragmentMs(location.hash));
        });

        // The system's media controls: the lock screen, a headset's button, the keyboard's media
        // keys.
        function startMediaSession() {
            if (!session) return;
            try {
                session.metadata = new MediaMetadata({title: 'Demo', artist: 'The Demo authors',
                    album: byId('version').textContent,
                    artwork: [{src: 'icon-192.png', sizes: '192x192', type: 'image/png'},
                        {src: 'icon-512.png', sizes: '512x512', type: 'image/png'}]});
            } catch (error) {
                // No metadata where the engine has none.
            }
            var actions = {
                play: function () {
                    setPaused(false);
                },
                pause: function () {
                    setPaused(true);
                },
                seekbackward: function (details) {
                    seekBy(-1000 * ((details && details.seekOffset) || 10));
                },
                seekforward: function (details) {
                    seekBy(1000 * ((details && details.seekOffset) || 10));
                },
                seekto: function (details) {
                    if (details && isFinite(details.seekTime)) seekTo(1000 * details.seekTime);
                },
            };
            Object.keys(actions).forEach(function (action) {
                try {
                    session.setActionHandler(action, actions[action]);
                } catch (error) {
                    // An action the engine does not know.
                }
            });
        }

        // The keys video sites made habits. Space works a focused button as on any page; the arrows
        // and Home and End move the volume where it has the focus.
        var keys = {
            ' ': toggle, k: toggle, MediaPlayPause: toggle,
            MediaPlay: function () {
                setPaused(false);
            },
            MediaPause: function () {
                setPaused(true);
            },
            MediaStop: function () {
                setPaused(true);
            },
            ArrowLeft: function () {
                seekBy(-5000);
            },
            ArrowRight: function () {
                seekBy(5000);
            },
            j: function () {
                seekBy(-10000);
            },
            l: function () {
                seekBy(10000);
            },
            MediaTrackPrevious: function () {
                seekBy(-10000);
            },
            MediaTrackNext: function () {
                seekBy(10000);
            },
            Home: function () {
                seekTo(0);
            },
            End: function () {
                seekTo(endKeyMs);
            },
            ',': function () {
                step(-1);
            },
            '.': function () {
                step(1);
            },
            m: toggleMute, f: function () {
                fullScreen.toggle();
            },
            g: function () {
                setGentle(!gentleSwitch.checked);
                say(gentleSwitch.checked ? 'Gentle flashes on' : 'Gentle flashes off');
            },
            '?': toggleHelp,
        };
        // On the seek bar, a slider's own keys as well.
        var sliderKeys = {
            ArrowUp: keys.ArrowRight, ArrowDown: keys.ArrowLeft, PageUp: keys.l, PageDown: keys.j,
        };

        return {
            gain: gain,
            chapter: function (startMs, name) {
                chapters.push({startMs: startMs, name: name});
                if (startMs <= 0) return;
                var mark = document.createElement('div');
                mark.className = 'chapter';
                mark.style.left = (100 * startMs / showMs).toFixed(2) + '%';
                mark.title = name;
                byId('seek-chapters').appendChild(mark);
            },
            started: function (ms) {
                shown = ms;
                paused = false;
                setGentle(gentleSwitch.checked);
                applyVolume();
                startMediaSession();
                showPosition();
                tellPosition();
                wake();
            },
            frameDrawn: function (ms) {
                shown = ms;
                if (moved || Math.abs(ms - positionDrawn) >= 250) showPosition();
                if (moved) {
                    moved = false;
                    tellPosition();
                }
            },
            ended: function () {
                clearTimeout(idleTimer);
                document.body.classList.remove('idle', 'paused');
                if (session) session.playbackState = 'none';
            },
            key: function (event) {
                if (event.ctrlKey || event.altKey || event.metaKey) return;
                var target = event.target;
                var tag = target && target.tagName;
                var name = event.key.length === 1 && event.key !== ' ' ? event.key.toLowerCase() : event.key;
                var action = keys[name] || (target === bar ? sliderKeys[name] : null);
                if (/^[0-9]$/.test(name)) {
                    action = function () {
                        seekTo((Number(name) * showMs) / 10);
                    };
                }
                if (!action) return;
                var onButton = tag === 'BUTTON' || tag === 'A' || (tag === 'INPUT' && target.type === 'checkbox');
                if (name === ' ' && onButton) return;
                if (target === volumeInput && /^(Arrow|Home$|End$|Page)/.test(name)) return;
                event.preventDefault();
                // A key held down repeats: a seek goes on, a switch does not flicker.
                if (event.repeat && [toggle, toggleMute, keys.g, toggleHelp].indexOf(action) >= 0) return;
                action();
                wake();
            },
        };
    })();

    // ---- A lost WebGL context (a phone taking the graphics back from a page in the background,
    // a GPU reset): the demo cannot build its textures and meshes again in the middle of a run, so
    // the sound stops, the loop is told to end, and the page offers to start again.
    byId('canvas').addEventListener('webglcontextlost', function () {
        if (still) return;
        var wasPlaying = state() === 'playing';
        var context = audioContext();
        if (context && context.state === 'running') context.suspend();
        ['loading', 'start', 'end', 'close-button', 'controls', 'help'].forEach(function (id) {
            show(id, false);
        });
        fullScreen.leave();
        player.ended();
        setState('lost');
        offer('lost', 'restart-button');
        if (wasPlaying) Module['_endPlayback']();
    });

    byId('start-button').addEventListener('click', start);
    byId('again-button').addEventListener('click', reloadPlaying);
    byId('restart-button').addEventListener('click', reloadPlaying);
    byId('reload-button').addEventListener('click', function () {
        location.reload();
    });
    byId('close-button').addEventListener('click', function () {
        if (state() === 'playing') Module['_endPlayback']();
    });
    byId('fullscreen-button').addEventListener('click', function () {
        fullScreen.toggle();
    });
    // ---- The keyboard. SDL's handler on the window takes every key that reaches it for the demo
    // and cancels what the browser would do with it: Tab would never move the focus, Enter would
    // follow no link and Space tick no box. The demo itself gets Escape alone (src/platform/
    // Keyboard.cpp ends it), and only while it plays: every other key, and Escape at any other
    // time, stops here, on its way down to the focused element (SDL listens on the window on the
    // way back up), and does what it does on any page, or what the player makes of it. An Escape
    // pressed before Start would otherwise end the demo the moment it began. Its release always
    // passes, so that SDL never takes it as held.
    ['keydown', 'keypress', 'keyup'].forEach(function (type) {
        window.addEventListener(type, function (event) {
            if (event.key === 'Escape' && (state() === 'playing' || type === 'keyup')) return;
            event.stopPropagation();
            if (type === 'keydown' && state() === 'playing') player.key(event);
        }, true);
    });

    // ---- Offline: the service worker keeps the page and everything it loads (sw.js). Browsers
    // offer it only to pages from https or localhost. Registered once the start is offered, so that
    // it finds what the page loaded in the browser's HTTP cache instead of downloading it again,
    // and what it adds (the icons) does not hold up the start.
    function keepForOffline() {
        if (!('serviceWorker' in navigator) || !window.isSecureContext) return;
        navigator.serviceWorker.register('sw.js').catch(function (error) {
            console.warn('The page cannot be kept for offline use: ' + error.message);
        });
    }

    window.Module = {
        canvas: byId('canvas'),
        preRun: [installData],
        instantiateWasm: function (imports, receive) {
            program.then(function (bytes) {
                return WebAssembly.instantiate(bytes, imports);
            }).then(function (result) {
                receive(result.instance, result.module);
            }).catch(function (error) {
                startFailed(error.message || error);
            });
            return {};
        },
        // The program itself could not start (its WebAssembly missing or refused, say).
        onAbort: function (what) {
            startFailed(what);
        },
        print: function (text) {
            console.log(text);
        },
        // The demo's messages, "caption: text", arrive here as well as in their boxes.
        printErr: function (text) {
            console.warn(text);
        },
        demoPage: {
            dataArrived: function (name) {
                var path = name.charAt(0) === '/' ? name : '/' + name;
                return data.complete || !!data.installed[path];
            },
            gentle: function () {
                return gentleSwitch.checked;
            },
            volume: function () {
                return player.gain();
            },
            frameDrawn: function (ms) {
                player.frameDrawn(ms);
            },
            chapter: function (startMs, name) {
                player.chapter(startMs, name);
            },
            ready: function () {
                show('loading', false);
                if (state() !== 'lost') {
                    if (params.has('autostart')) autostart();
                    else offerStart();
                }
                keepForOffline();
            },
            stillFrameDrawn: function (ms) {
                keepForOffline();
                setState('still');
                document.title = 'frame ' + ms;
            },
            // Before anything played, why (src/app/WebMain.cpp) is 1, it cannot draw, or 2, it
            // cannot play its track (its box said which).
            failedToStart: function (why) {
                fail(why === 1 ? noWebGL : 'The demo could not start: its music could not be played.' + elsewhere);
            },
            ended: function () {
                hideControls();
                fullScreen.leave();
                player.ended();
                if (state() === 'lost') return;
                offer('end', 'again-button');
                setState('ended');
            },
        },
    };
})();
