// The web build in headless Chromium (scripts/run-browser-tests.sh prepares and runs this):
//   still frames  the frame at an instant of each shot, drawn by the page (?at=MS), against
//                 demo-capture's native frame of the same instant
//   live          the page with ?autostart plays the whole timeline to its end state, with no
//                 error on the console and no message box
//   missing file  a data package without one picture: its message reaches the console as
//                 "caption: text" (and an alert), and the demo goes on, plays and ends on Escape
//   sharp         with a device pixel ratio of 2, the still frames are drawn at 2048 x 1536
//                 against demo-capture's frames of that size, and the live canvas's drawing
//                 buffer follows the window's size at twice its CSS pixels
//
// node browser-tests.mjs --url URL --missing-url URL --capture DEMO_CAPTURE --data DIR --output DIR
//   [--only still,live,missing,sharp]
// The native frames are made with DEMO_CAPTURE from a copy of DIR (loading a mesh appends to its
// file); the page's frames and the native ones are left in the output directory.
import {execFileSync} from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import {parseArgs} from 'node:util';
import {PNG} from 'pngjs';
import {launchChromium, openPage, recordFrames, waitForState} from './browser.mjs';

const {values: options} = parseArgs({
    options: {
        'url': {type: 'string'},
        'missing-url': {type: 'string'},
        'capture': {type: 'string'},
        'data': {type: 'string'},
        'output': {type: 'string'},
        'only': {type: 'string'},
    },
});

// One instant inside each shot, the banner calm in all but the intro.
const stillInstants = [
    {ms: 6000, shot: 'intro'},
    {ms: 20000, shot: 'figure'},
    {ms: 31000, shot: 'inside'},
    {ms: 53000, shot: 'sphere'},
    {ms: 87500, shot: 'star'},
    {ms: 134500, shot: 'credits'},
];

// Two rasterisers (SwiftShader in the browser, llvmpipe natively) differ in a few pixels along
// edges and in rounding. A pixel counts as different when one of its channels differs by more
// than 32 of 255; a frame passes when at most 0.5 % of its pixels do. Right frames measure
// about 0.03 % at most; a missing mesh or picture, the GL emulation's own camera functions, or
// (in the shots that move) the clock one second off all measure 4 % and more.
const channelTolerance = 32;
const pixelShareTolerance = 0.005;

function compareFrames(webPng, nativePng) {
    const a = PNG.sync.read(webPng);
    const b = PNG.sync.read(nativePng);
    if (a.width !== b.width || a.height !== b.height)
        return {ok: false, detail: `sizes differ: ${a.width} x ${a.height} and ${b.width} x ${b.height}`};
    let different = 0;
    let sum = 0;
    for (let i = 0; i < a.width * a.height; i++) {
        let largest = 0;
        for (let c = 0; c < 3; c++) {
            const d = Math.abs(a.data[4 * i + c] - b.data[4 * i + c]);
            sum += d;
            if (d > largest) largest = d;
        }
        if (largest > channelTolerance) different++;
    }
    const share = different / (a.width * a.height);
    const meanError = sum / (3 * a.width * a.height);
    return {
        ok: share <= pixelShareTolerance,
        detail: `${(100 * share).toFixed(3)} % of pixels differ by more than ${channelTolerance} ` +
            `(tolerance ${100 * pixelShareTolerance} %), mean error ${meanError.toFixed(2)}`,
    };
}

const failures = [];
function check(condition, what) {
    if (!condition) failures.push(what);
    return condition;
}

function nativeFrame(ms, scale) {
    const work = fs.mkdtempSync(path.join(options.output, 'native-'));
    fs.cpSync(options.data, path.join(work, 'data'), {recursive: true});
    const file = path.join(options.output, `native-${ms}-x${scale}.png`);
    execFileSync(path.resolve(options.capture),
        ['--quiet', '--size', `${1024 * scale}x${768 * scale}`, '--at', String(ms), '-o', file], {cwd: work});
    fs.rmSync(work, {recursive: true});
    return fs.readFileSync(file);
}

// The page's still frames at a device pixel ratio of scale, against native frames of the same
// size in device pixels.
async function testStillFrames(browser, scale = 1) {
    const webFrames = [];
    const nativeFrames = [];
    const label = scale === 1 ? 'still frame' : `still frame at ${scale}x`;
    for (const {ms, shot} of stillInstants) {
        const {page, log} = await openPage(browser, {scale});
        await page.goto(`${options.url}?at=${ms}`);
        await page.waitForFunction((t) => document.title === t, {timeout: 120000}, `frame ${ms}`);
        const canvas = await page.$eval('#canvas', (c) => [c.width, c.height]);
        const web = await page.screenshot({clip: {x: 0, y: 0, width: 1024, height: 768}});
        await page.close();
        fs.writeFileSync(path.join(options.output, `web-${ms}-x${scale}.png`), web);
        check(canvas[0] === 1024 * scale && canvas[1] === 768 * scale,
            `${label} ${ms} ms: the canvas draws ${canvas.join(' x ')}, not ${1024 * scale} x ${768 * scale}`);
        const native = nativeFrame(ms, scale);
        webFrames.push(web);
        nativeFrames.push(native);
        const result = compareFrames(web, native);
        console.log(`${label} ${ms} ms (${shot}): ${result.ok ? 'ok' : 'FAILED'}: ${result.detail}`);
        check(result.ok, `${label} ${ms} ms (${shot}) differs from the native one: ${result.detail}`);
        check(log.errors.length === 0, `${label} ${ms} ms: ${log.errors.join('; ')}`);
        check(log.dialogs.length === 0, `${label} ${ms} ms showed a box: ${log.dialogs.join('; ')}`);
    }
    // The measure tells the shots apart: each page frame against the next shot's native frame.
    for (let i = 0; i < stillInstants.length; i++) {
        const next = (i + 1) % stillInstants.length;
        const result = compareFrames(webFrames[i], nativeFrames[next]);
        check(!result.ok, `the page's frame at ${stillInstants[i].ms} ms passes for the native ` +
            `one at ${stillInstants[next].ms} ms: ${result.detail}`);
    }
}

async function testLivePage(browser) {
    const {page, log} = await openPage(browser);
    await recordFrames(page);
    await page.goto(`${options.url}?autostart`);
    await waitForState(page, 'playing', 120000);
    const audio = await page.evaluate(() => Module.SDL2 && Module.SDL2.audioContext.state);
    check(audio === 'running', `the live page's sound is ${audio}, not running`);
    await waitForState(page, 'ended', 136000 + 120000);
    const frames = await page.evaluate(() => window.demoFrames);
    const endShown = await page.$eval('#end', (e) => !e.classList.contains('hidden'));
    await page.close();
    const last = frames.times[frames.times.length - 1] ?? 0;
    console.log(`live page: ${frames.times.length} frames, the last at ${(last / 1000).toFixed(1)} s ` +
        `of playback; console: ${JSON.stringify(log.messages)}`);
    // The loop ends after the frame that reaches 136000 ms of its own clock. The page's record
    // of playback starts a little after that clock (when the page has shown the change of state)
    // and times each frame as the browser asks for it, before the demo reads its clock: allow
    // 100 ms, far less than any early end (the last scene starts at 133000 ms).
    check(last >= 136000 - 100, `the live page ended after ${last.toFixed(0)} ms of playback, before the timeline's end`);
    check(frames.times.length >= 136, `the live page drew only ${frames.times.length} frames`);
    check(endShown, 'the live page did not offer to play again at its end');
    check(log.errors.length === 0, `the live page: ${log.errors.join('; ')}`);
    check(log.dialogs.length === 0, `the live page showed a box: ${log.dialogs.join('; ')}`);
}

async function testMissingFile(browser) {
    const {page, log} = await openPage(browser);
    await recordFrames(page);
    await page.goto(`${options['missing-url']}?autostart`);
    await waitForState(page, 'playing', 120000);
    await page.waitForFunction(() => window.demoFrames.times.length >= 10, {timeout: 60000});
    await page.keyboard.press('Escape');
    await waitForState(page, 'ended', 10000);
    const endShown = await page.$eval('#end', (e) => !e.classList.contains('hidden'));
    await page.close();
    const expected = 'Error: Read params error!';
    const said = log.messages.filter((m) => m.text === expected).length;
    console.log(`missing file: "${expected}" on the console ${said} time(s); boxes: ` +
        JSON.stringify(log.dialogs));
    check(said === 1, `the missing picture's message reached the console ${said} times, not once`);
    check(log.dialogs.length === 1 && log.dialogs[0].includes('Read params error!'),
        `the missing picture's box: ${JSON.stringify(log.dialogs)}`);
    check(endShown, 'Escape did not bring the page to its end');
    check(log.errors.length === 0, `the page without the picture: ${log.errors.join('; ')}`);
}

// The live page's drawing buffer: the canvas's CSS size times the pixel ratio, in the 4:3
// rectangle, and again after the window changes size.
async function testLiveCanvasFollowsTheWindow(browser, scale) {
    const {page, log} = await openPage(browser, {scale});
    await recordFrames(page);
    await page.goto(`${options.url}?autostart`);
    await waitForState(page, 'playing', 120000);
    const buffer = () => page.evaluate(() => {
        const canvas = document.getElementById('canvas');
        const box = canvas.getBoundingClientRect();
        return {buffer: [canvas.width, canvas.height], css: [box.width, box.height]};
    });
    const framesSoFar = () => page.evaluate(() => window.demoFrames.times.length);
    const nextFrames = async () => {
        const seen = await framesSoFar();
        await page.waitForFunction((n) => window.demoFrames.times.length >= n + 3, {timeout: 30000}, seen);
    };
    await nextFrames();
    const sizes = [[1024, 768, 2048, 1536], [800, 800, 1600, 1200], [1280, 720, 1920, 1440]];
    for (const [width, height, bufferWidth, bufferHeight] of sizes) {
        await page.setViewport({width, height, deviceScaleFactor: scale});
        await nextFrames();
        const seen = await buffer();
        console.log(`sharp live page in ${width} x ${height}: canvas ${seen.css.join(' x ')} CSS pixels, ` +
            `drawing buffer ${seen.buffer.join(' x ')}`);
        check(seen.buffer[0] === bufferWidth && seen.buffer[1] === bufferHeight,
            `in a ${width} x ${height} window at ${scale}x the canvas draws ${seen.buffer.join(' x ')}, ` +
            `not ${bufferWidth} x ${bufferHeight}`);
    }
    await page.keyboard.press('Escape');
    await waitForState(page, 'ended', 10000);
    await page.close();
    check(log.errors.length === 0, `the sharp live page: ${log.errors.join('; ')}`);
}

async function testSharp() {
    const scale = 2;
    const browser = await launchChromium({scale});
    try {
        await testStillFrames(browser, scale);
        await testLiveCanvasFollowsTheWindow(browser, scale);
    } finally {
        await browser.close();
    }
}

const tests = {'still': testStillFrames, 'live': testLivePage, 'missing': testMissingFile};
const browser = await launchChromium();
try {
    for (const [name, run] of Object.entries(tests)) {
        if (options.only && !options.only.split(',').includes(name)) continue;
        try {
            await run(browser);
        } catch (error) {
            failures.push(`${name}: ${error.message}`);
        }
    }
} finally {
    await browser.close();
}
if (!options.only || options.only.split(',').includes('sharp')) {
    try {
        await testSharp();
    } catch (error) {
        failures.push(`sharp: ${error.message}`);
    }
}
for (const failure of failures) console.log(`FAIL: ${failure}`);
console.log(failures.length ? `browser tests: ${failures.length} failure(s)` : 'browser tests: all passed');
process.exit(failures.length ? 1 : 0);
