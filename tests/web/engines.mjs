// The three browser engines behind one small interface, shared by the browser tests and the frame
// rate measurement: Debian's Chromium and Firefox ESR through puppeteer-core (the DevTools
// protocol and WebDriver BiDi), and WebKitGTK's MiniBrowser through WebKitWebDriver and
// selenium-webdriver (classic WebDriver: WebKitGTK offers no BiDi).
//
//   const browser = await launch('firefox');
//   const page = await browser.newPage({width: 1024, height: 768});
//   await page.goto(url); await page.waitForState('ready', 60000); ... await page.close();
//
// Every page records what it says (page.log: console messages, errors, alert boxes), answers
// every alert at once so that none is left waiting, and carries the probe (probe.js): the times
// of the frames the demo draws. Firefox and WebKit draw with WebGL only on a display, so they
// need DISPLAY (an Xvfb); Chromium runs headless, WebGL through SwiftShader.
import childProcess, {spawn} from 'node:child_process';
import fs from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import {PNG} from 'pngjs';
import puppeteer from 'puppeteer-core';
// For the benchmarks beside the tests, which lie outside this package's reach.
export {puppeteer};
import {Builder, By, Capabilities, error as webdriverError, Key} from 'selenium-webdriver';

export const engineNames = ['chromium', 'firefox', 'webkit'];

// What the page fetched, by the browser's resource timings: the page's own, and its worker's, which
// the page keeps in its timeline as measures named after each file. `page` is one of launch()'s
// pages or a puppeteer page.
export async function resourcesSeen(page) {
    return page.evaluate(() => [...performance.getEntriesByType('navigation'), ...performance.getEntriesByType('resource'),
        ...performance.getEntriesByType('measure').filter((entry) => entry.detail && entry.detail.initiatorType)]
        .map((entry) => {
            const timing = entry.entryType === 'measure' ? entry.detail : entry;
            return {file: entry.name.replace(/^.*\//, '').replace(/\?.*$/, '') || 'index.html',
                worker: entry.entryType === 'measure', transfer: timing.transferSize, body: timing.encodedBodySize,
                asked: entry.startTime, in: entry.startTime + entry.duration};
        }));
}

const probeSource = fs.readFileSync(new URL('./probe.js', import.meta.url), 'utf8');
// The probe as a script for the page, with or without its console recorder.
export const probeScript = (captureConsole) => `(${probeSource.trim()})(${captureConsole});`;

// emscripten's GL emulation announces itself on every start, as warnings.
const emulationNotice = /^WARNING: using emscripten GL (emulation|immediate mode)/;

function newLog() {
    return {messages: [], errors: [], dialogs: []};
}
function recordConsole(log, type, text) {
    if (emulationNotice.test(text)) return;
    log.messages.push({type, text});
    // WebGL reports a call it refuses as a warning; here it counts as an error.
    if (type === 'error' || /^WebGL: |GL_INVALID_/.test(text)) log.errors.push(`console ${type}: ${text}`);
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Polls a function in the page until it returns something true, every 100 ms.
async function pollUntil(page, fn, arg, timeout, what) {
    const until = Date.now() + timeout;
    for (;;) {
        // A page that navigates (a key that follows a link or reloads it) loses the script's
        // context under it: asked again on the next one.
        const value = await page.evaluate(fn, arg).catch((error) => {
            if (/Execution context was destroyed|Cannot find context|context.*(discarded|destroyed)|navigat/i.test(error.message)) return false;
            throw error;
        });
        if (value) return value;
        if (Date.now() > until) throw new Error(`timed out after ${timeout} ms waiting for ${what || fn.toString()}`);
        await sleep(100);
    }
}

// The keys the pages can be sent (page.press): these, a letter, a digit, '.', ',' and '?', with
// Shift+ before any.
const keyNames = ['Escape', 'Enter', 'Space', 'Tab', 'ArrowLeft', 'ArrowRight', 'ArrowUp', 'ArrowDown', 'Home', 'End'];
function splitKey(key) {
    const parts = key.split(/\+(?=.)/);
    const name = parts.pop();
    if (!(keyNames.includes(name) || /^[a-z0-9.,?]$/.test(name)) || parts.some((modifier) => modifier !== 'Shift'))
        throw new Error(`no key "${key}" in the drivers: ${keyNames.join(', ')}, a letter, a digit, '.', ',' or '?', with Shift+`);
    return [parts, name];
}

// What each engine's page offers beyond its driver: the same on all three.
function commonPage(page) {
    // A wait that times out says where the page stood: its state, its title, the overlay it showed and
    // how far its start got.
    page.waitFor = async (fn, arg, timeout, what) => {
        try {
            return await pollUntil(page, fn, arg, timeout, what);
        } catch (error) {
            if (!/^timed out/.test(error.message)) throw error;
            const now = await page.evaluate(() => [document.body && document.body.dataset.state, document.title,
                document.querySelector('.overlay:not(.hidden)')?.innerText, window.demoProbe?.startUp?.join(', ')])
                .catch((e) => [`unknown (${e.message})`]);
            throw new Error(`${error.message} (the page is in state ${now[0]}, titled "${now[1]}", showing "${now[2]}"; ` +
                `its start: ${now[3]})`);
        }
    };
    page.waitForState = (state, timeout) =>
        page.waitFor((s) => document.body && document.body.dataset.state === s, state, timeout, `state ${state}`);
    page.state = () => page.evaluate(() => document.body && document.body.dataset.state);
    // Waits until the demo has drawn n frames more than it has now.
    page.nextFrames = async (n) => {
        const seen = (await page.frames()).times.length;
        await page.waitFor(([from, more]) => window.demoProbe.frames.times.length >= from + more, [seen, n], 30000, `${n} frames`);
    };
    page.frames = () => page.evaluate(() => window.demoProbe.frames);
    // The element that has the focus, as a visitor would name it: "#id" for an element with an id,
    // a link by its text, "body" for none.
    page.focused = () => page.evaluate(() => {
        const element = document.activeElement;
        if (!element || element === document.body) return 'body';
        if (element.id) return `#${element.id}`;
        if (element.tagName === 'A') return `link "${element.textContent.trim()}"`;
        return element.tagName.toLowerCase();
    });
    page.isShown = (selector) =>
        page.evaluate((s) => {
            const element = document.querySelector(s);
            return !!element && element.getClientRects().length > 0 && getComputedStyle(element).visibility !== 'hidden';
        }, selector);
    return page;
}

// What each engine's browser offers beyond its driver: a page for the length of a function.
function commonBrowser(browser) {
    browser.withPage = async (settings, body) => {
        const page = await browser.newPage(settings);
        try {
            return await body(page);
        } finally {
            await page.close();
        }
    };
    return browser;
}

// ---- Chromium and Firefox, through puppeteer-core.

export const chromiumArgs = [
    '--no-sandbox',
    // WebGL through SwiftShader, since there is no GPU.
    '--use-angle=swiftshader',
    '--enable-unsafe-swiftshader',
    // Sound allowed without a click (?autostart).
    '--autoplay-policy=no-user-gesture-required',
    // Nothing that talks to the network on its own.
    '--disable-quic',
    '--no-first-run',
    '--disable-background-networking',
    '--disable-component-update',
    '--disable-sync',
    '--window-size=1024,768',
];

// Sound allowed without a click, and nothing fetched that the tests did not ask for.
const firefoxPrefs = {
    'media.autoplay.default': 0,
    'media.autoplay.blocking_policy': 0,
    'media.autoplay.block-webaudio': false,
    'app.update.enabled': false,
    'browser.shell.checkDefaultBrowser': false,
};

// Puppeteer starts a browser in a session of its own (setsid). Where the kernel shares the CPU out
// between sessions first (autogroup, on when the cpu cgroup is the root one, as here), the whole
// browser then competes as one group against everything else, and beside two busy loops this
// machine's kernel has left that group unrun for up to 6 s at a time (perf sched), Firefox's
// audio threads with it. A measurement beside other work keeps the browser in our session, beside
// that work, as the native demo is. Puppeteer has no option for it, so its one spawn is made to
// keep the session, and the browser's session is checked: a puppeteer that spawns some other way
// fails here instead of measuring something else.
async function inOurSession(start) {
    const original = childProcess.spawn;
    childProcess.spawn = (file, args, options) => original(file, args, {...options, detached: false});
    let browser;
    try {
        browser = await start();
    } finally {
        childProcess.spawn = original;
    }
    const session = (pid) => Number(fs.readFileSync(`/proc/${pid}/stat`, 'utf8').replace(/^.*\) /s, '').split(' ')[3]);
    const pid = browser.process()?.pid;
    if (!pid || session(pid) !== session(process.pid)) {
        await browser.close();
        throw new Error(`the browser (pid ${pid}) did not start in this session`);
    }
    return browser;
}

async function launchPuppeteer(engine, {scale, kiosk, reducedMotion, ourSession, webgl}) {
    const profile = fs.mkdtempSync(path.join(os.tmpdir(), `demo-${engine}-`));
    // In kiosk mode the page covers the display, as a visitor's full-screen page would, for a
    // recording of the screen: Chromium then runs on the display too.
    const options = engine === 'chromium'
        ? {
            browser: 'chrome',
            executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
            headless: !kiosk,
            args: [...chromiumArgs, `--force-device-scale-factor=${scale}`,
                ...(kiosk ? ['--kiosk', '--window-position=0,0'] : []),
                // WebGL turned off, as an administrator's policy turns it off.
                ...(webgl ? [] : ['--disable-3d-apis'])],
        }
        : {
            browser: 'firefox',
            executablePath: process.env.FIREFOX || '/usr/bin/firefox-esr',
            // Headless Firefox has no WebGL here: it runs on the display.
            headless: false,
            args: kiosk ? ['--kiosk'] : ['--width=1280', '--height=1024'],
            // Firefox takes the system's motion setting from this preference where it is set.
            extraPrefsFirefox: {...firefoxPrefs, ...(reducedMotion ? {'ui.prefersReducedMotion': 1} : {}),
                ...(webgl ? {} : {'webgl.disabled': true})},
        };
    // A busy machine can take longer than puppeteer's 30 s to start a browser.
    const start = () => puppeteer.launch({...options, userDataDir: profile, protocolTimeout: 120000, timeout: 120000,
        ...(kiosk ? {defaultViewport: null} : {})});
    const browser = await (ourSession ? inOurSession(start) : start());
    const version = await browser.version();
    return commonBrowser({
        engine,
        version,
        touch: true,
        // Sound without a click (?autostart): allowed by the flags and preferences above.
        autoplay: true,
        scriptsBeforePage: true,
        // The probe goes in through the driver (evaluateOnNewDocument).
        headScript: null,
        reducedMotion: reducedMotion && (engine === 'chromium' ? 'the DevTools protocol\'s media emulation' : 'ui.prefersReducedMotion'),
        newPage: async ({width = 1024, height = 768, touch = false} = {}) => {
            const page = await browser.newPage();
            if (reducedMotion && engine === 'chromium') await page.emulateMediaFeatures([{name: 'prefers-reduced-motion', value: 'reduce'}]);
            if (!kiosk) await page.setViewport({width, height, deviceScaleFactor: scale, hasTouch: touch, isMobile: touch});
            const log = newLog();
            page.on('console', (message) => recordConsole(log, message.type(), message.text()));
            page.on('pageerror', (error) => log.errors.push(`uncaught: ${error.message}`));
            page.on('requestfailed', (request) => {
                // A page left for another (Play again, Restart) drops what it was still loading.
                const reason = request.failure()?.errorText ?? '';
                if (!/ABORTED|NS_BINDING_ABORTED/.test(reason)) log.errors.push(`request failed: ${request.url()} ${reason}`);
            });
            page.on('dialog', async (dialog) => {
                log.dialogs.push(dialog.message());
                await dialog.accept();
            });
            await page.evaluateOnNewDocument(probeScript(false));
            return commonPage({
                log,
                goto: (url) => page.goto(url),
                reload: () => page.reload(),
                evaluate: (fn, ...args) => page.evaluate(fn, ...args),
                screenshot: (clip) => page.screenshot({clip}),
                // Firefox's driver knows the space bar only as ' '.
                press: async (key) => {
                    const [modifiers, name] = splitKey(key);
                    for (const modifier of modifiers) await page.keyboard.down(modifier);
                    await page.keyboard.press(name === 'Space' ? ' ' : name);
                    for (const modifier of modifiers.reverse()) await page.keyboard.up(modifier);
                },
                click: (selector) => page.click(selector),
                tap: (selector) => page.tap(selector),
                // A press on the element at `from` of its width (at its middle), a drag through
                // `steps` moves to `to`, and a release; `during` is awaited after each move.
                drag: async (selector, from, to, steps, during = async () => {}) => {
                    const box = await (await page.$(selector)).boundingBox();
                    const at = (share) => [box.x + share * box.width, box.y + box.height / 2];
                    await page.mouse.move(...at(from));
                    await page.mouse.down();
                    for (let i = 1; i <= steps; i++) {
                        await page.mouse.move(...at(from + ((to - from) * i) / steps));
                        await during(i);
                    }
                    await page.mouse.up();
                },
                moveMouse: (x, y) => page.mouse.move(x, y),
                // Chromium only: its CPU slowed `rate` times, as Lighthouse slows a phone's.
                throttleCpu: async (rate) => (await page.createCDPSession()).send('Emulation.setCPUThrottlingRate', {rate}),
                setViewport: (w, h) => page.setViewport({width: w, height: h, deviceScaleFactor: scale, hasTouch: touch, isMobile: touch}),
                // Before the page's scripts: what a browser without some API looks like.
                beforeScripts: (fn, ...args) => page.evaluateOnNewDocument(fn, ...args),
                close: () => page.close(),
            });
        },
        close: async () => {
            // A browser that no longer answers its driver is killed rather than waited for.
            await Promise.race([browser.close(), sleep(15000)]).catch(() => {});
            browser.process()?.kill('SIGKILL');
            fs.rmSync(profile, {recursive: true, force: true});
        },
    });
}

// ---- WebKitGTK, through WebKitWebDriver (which starts MiniBrowser) and selenium-webdriver.

const miniBrowser = process.env.MINIBROWSER || '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser';

function freePort() {
    return new Promise((resolve) => {
        const server = net.createServer();
        server.listen(0, '127.0.0.1', () => {
            const {port} = server.address();
            server.close(() => resolve(port));
        });
    });
}

async function launchWebKit({scale, reducedMotion, webgl}) {
    if (scale !== 1) throw new Error('the WebKit driver has no device scale factor of its own');
    const port = await freePort();
    const driverLog = [];
    // WebKitGTK takes prefers-reduced-motion from GTK's gtk-enable-animations, which GTK reads from
    // settings.ini where no settings daemon runs (as on the tests' Xvfb).
    let settings = null;
    if (reducedMotion) {
        settings = fs.mkdtempSync(path.join(os.tmpdir(), 'demo-webkit-settings-'));
        fs.mkdirSync(path.join(settings, 'gtk-3.0'));
        fs.writeFileSync(path.join(settings, 'gtk-3.0', 'settings.ini'), '[Settings]\ngtk-enable-animations=0\n');
    }
    const driverProcess = spawn('WebKitWebDriver', [`--port=${port}`],
        {stdio: ['ignore', 'pipe', 'pipe'], env: settings ? {...process.env, XDG_CONFIG_HOME: settings} : process.env});
    driverProcess.stdout.on('data', (data) => driverLog.push(String(data)));
    driverProcess.stderr.on('data', (data) => driverLog.push(String(data)));
    const exited = new Promise((resolve) => driverProcess.on('exit', resolve));
    let driver = null;
    const capabilities = new Capabilities({
        'browserName': 'MiniBrowser',
        'webkitgtk:browserOptions': {binary: miniBrowser, args: ['--automation', ...(webgl ? [] : ['--enable-webgl=false'])]},
        // The driver answers alerts itself (below): any command meets them, none is left open.
        'unhandledPromptBehavior': 'ignore',
    });
    for (let attempt = 0; !driver; attempt++) {
        try {
            driver = await new Builder().usingServer(`http://127.0.0.1:${port}`).withCapabilities(capabilities).build();
        } catch (error) {
            // The driver takes a moment to listen; nothing else is retried.
            if (attempt >= 50 || !/ECONNREFUSED/.test(error.message)) throw new Error(`WebKitWebDriver: ${error.message} ${driverLog.join('')}`);
            await sleep(100);
        }
    }
    const version = (await driver.getCapabilities()).get('browserVersion');
    let openPages = 0;
    return commonBrowser({
        engine: 'webkit',
        version: `WebKitGTK ${version}`,
        touch: false,
        // WebKit wants a click or a tap before it plays any sound, as Safari does.
        autoplay: false,
        scriptsBeforePage: false,
        // WebDriver runs scripts only in a page already loaded: the tests' server puts the probe,
        // with its console recorder, at the head of every page for this engine.
        headScript: probeScript(true),
        reducedMotion: reducedMotion && 'GTK\'s gtk-enable-animations',
        // One window, as WebDriver drives it: a page is that window, opened anew.
        newPage: async ({width = 1024, height = 768} = {}) => {
            if (openPages++) throw new Error('the WebKit driver opens one page at a time');
            const log = newLog();
            let current = null;

            // Any command may meet an alert; it is read, accepted and the command tried again.
            const run = async (command) => {
                for (;;) {
                    try {
                        return await command();
                    } catch (error) {
                        if (!(error instanceof webdriverError.UnexpectedAlertOpenError)) throw error;
                        const alert = await driver.switchTo().alert();
                        log.dialogs.push(await alert.getText());
                        await alert.accept();
                    }
                }
            };
            let read = {id: null, count: 0};
            const drain = async () => {
                const reply = await run(() => driver.executeScript(
                    'return window.demoProbe ? window.demoProbe.since(arguments[0], arguments[1]) : null;', read.count, read.id));
                if (!Array.isArray(reply)) return;
                const [id, said] = reply;
                if (id !== read.id) read = {id, count: 0};
                read.count += said.length;
                for (const entry of said) {
                    if (entry.kind === 'console') recordConsole(log, entry.type, entry.text);
                    else log.errors.push(`${entry.kind === 'request' ? 'request failed' : 'uncaught'}: ${entry.text}`);
                }
            };
            const evaluate = async (fn, ...args) => {
                const value = await run(() => driver.executeScript(`return (${fn}).apply(null, arguments);`, ...args));
                await drain();
                return value;
            };
            // The window's frame and toolbar take some of its size: ask again for the difference,
            // and wait for the page to see it (the window manager's resize is not immediate).
            const inner = () => run(() => driver.executeScript('return [innerWidth, innerHeight];'));
            const setViewport = async (w, h) => {
                const settled = async (want) => {
                    let seen = await inner();
                    for (let i = 0; i < 50 && (seen[0] !== want[0] || seen[1] !== want[1]); i++) {
                        await sleep(50);
                        seen = await inner();
                    }
                    return seen;
                };
                const rect = await run(() => driver.manage().window().getRect());
                const now = await inner();
                const want = [w + rect.width - now[0], h + rect.height - now[1]];
                await run(() => driver.manage().window().setRect({x: 0, y: 0, width: want[0], height: want[1]}));
                const seen = await settled([w, h]);
                if (seen[0] !== w || seen[1] !== h)
                    await run(() => driver.manage().window().setRect({x: 0, y: 0, width: want[0] + w - seen[0], height: want[1] + h - seen[1]}));
                await settled([w, h]);
            };
            await setViewport(width, height);
            const unsupported = (what) => async () => {
                throw new Error(`the WebKit driver cannot ${what}`);
            };
            return commonPage({
                log,
                goto: async (url) => {
                    await run(() => driver.get(url));
                    current = url;
                    await drain();
                },
                reload: async () => {
                    await drain().catch(() => {});
                    await run(() => driver.navigate().refresh());
                },
                evaluate,
                screenshot: async (clip) => {
                    const png = PNG.sync.read(Buffer.from(await run(() => driver.takeScreenshot()), 'base64'));
                    if (png.width < clip.x + clip.width || png.height < clip.y + clip.height)
                        throw new Error(`the screenshot is ${png.width} x ${png.height}, smaller than the part wanted`);
                    const out = new PNG({width: clip.width, height: clip.height});
                    PNG.bitblt(png, out, clip.x, clip.y, clip.width, clip.height, 0, 0);
                    return PNG.sync.write(out);
                },
                press: async (key) => {
                    const [modifiers, name] = splitKey(key);
                    const code = (k) => ({Escape: Key.ESCAPE, Enter: Key.ENTER, Space: Key.SPACE, Tab: Key.TAB, Shift: Key.SHIFT,
                        ArrowLeft: Key.ARROW_LEFT, ArrowRight: Key.ARROW_RIGHT, ArrowUp: Key.ARROW_UP, ArrowDown: Key.ARROW_DOWN,
                        Home: Key.HOME, End: Key.END}[k] ?? k);
                    let actions = driver.actions();
                    for (const modifier of modifiers) actions = actions.keyDown(code(modifier));
                    actions = actions.keyDown(code(name)).keyUp(code(name));
                    for (const modifier of modifiers.reverse()) actions = actions.keyUp(code(modifier));
                    await run(() => actions.perform());
                    await drain();
                },
                click: async (selector) => {
                    await run(async () => (await driver.findElement(By.css(selector))).click());
                    await drain();
                },
                tap: unsupported('tap: WebKitGTK\'s WebDriver has no touch input'),
                drag: async (selector, from, to, steps, during = async () => {}) => {
                    const element = await run(() => driver.findElement(By.css(selector)));
                    const rect = await run(() => element.getRect());
                    // Offsets from the element's centre, in whole pixels.
                    const at = (share) => Math.round((share - 0.5) * rect.width);
                    await run(() => driver.actions().move({origin: element, x: at(from), y: 0}).press().perform());
                    for (let i = 1; i <= steps; i++) {
                        await run(() => driver.actions().move({origin: element, x: at(from + ((to - from) * i) / steps), y: 0}).perform());
                        await during(i);
                    }
                    await run(() => driver.actions().release().perform());
                    await drain();
                },
                moveMouse: (x, y) => run(() => driver.actions().move({x: Math.round(x), y: Math.round(y)}).perform()),
                setViewport,
                beforeScripts: unsupported('run a script before the page\'s own'),
                close: async () => {
                    if (current) await drain().catch(() => {});
                    await run(() => driver.get('about:blank'));
                    openPages--;
                },
            });
        },
        close: async () => {
            await driver.quit().catch(() => {});
            driverProcess.kill();
            await exited;
            if (settings) fs.rmSync(settings, {recursive: true, force: true});
        },
    });
}

// engine: 'chromium', 'firefox' or 'webkit'. scale: the device pixel ratio of the screen it
// pretends to have (Chromium only). kiosk: the page alone covers the display, at the display's
// size (Chromium and Firefox). reducedMotion: its pages see prefers-reduced-motion: reduce, as
// where the viewer has asked the system for less motion (browser.reducedMotion says how).
// ourSession: the browser runs in this process's session (Chromium and Firefox; see inOurSession).
// webgl: false turns WebGL off in the browser's own settings.
export async function launch(engine, {scale = 1, kiosk = false, reducedMotion = false, ourSession = false, webgl = true} = {}) {
    if (engine === 'webkit') return launchWebKit({scale, reducedMotion, webgl});
    if (engine === 'chromium' || engine === 'firefox') return launchPuppeteer(engine, {scale, kiosk, reducedMotion, ourSession, webgl});
    throw new Error(`no engine "${engine}": ${engineNames.join(', ')}`);
}
