// Plays the web build once in one engine, its page covering the display (kiosk), started without
// a click (?autostart), for bench/av_sync.sh to record. The browser runs in this session, beside
// the benchmark's busy loops, as the native demo does (see inOurSession in engines.mjs). Ends
// after the timeline, or with Escape once the page has played UNTIL_MS of its own clock. Prints
// what the browser said of its sound while it played (the audio context's state and rate, and the
// latency the page counts) and the frames it drew. With PAUSES, a file, the viewer moves the show
// as bench/seek_and_scrub.sh's native session does (a seek 5 s on at 6 s, a pause of a second at 13 s
// and of half a second every 3 s from 26 s, all by the page's clock), and the time of each pause's key goes into PAUSES.
//   node bench/av_sync_page.mjs DIST_WEB chromium|firefox [UNTIL_MS [PAUSES]]
import {launch} from '../tests/web/engines.mjs';
import {startServer} from '../tests/web/server.mjs';

import fs from 'node:fs';

const [directory, engine, until = '136000', pauses] = process.argv.slice(2);
const untilMs = Number(until);
const browser = await launch(engine, {kiosk: true, ourSession: true});
const server = await startServer(directory, {headScript: browser.headScript});
let failed = false;
try {
    const page = await browser.newPage();
    await page.goto(`${server.url()}?autostart`);
    await page.waitForState('playing', 120000);
    if (pauses) {
        const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
        const started = Date.now();
        const at = (ms) => sleep(Math.max(0, started + ms - Date.now()));
        const pause = async (ms) => {
            fs.appendFileSync(pauses, `${(Date.now() / 1000).toFixed(3)}\n`);
            await page.press('k');
            await sleep(ms);
            await page.press('k');
        };
        await at(6000);
        await page.press('ArrowRight');
        await at(13000);
        await pause(1000);
        for (let t = 26000; t + 2000 <= untilMs; t += 3000) {
            await at(t);
            await pause(500);
        }
    }
    // The page reads the latencies at 2, 5 and 10 s into the track: a little after the last, or
    // after the last the run reaches.
    const readMs = Math.min(11000, untilMs);
    await page.waitFor((ms) => (window.demoProbe.frames.times.at(-1) ?? 0) >= ms, readMs, readMs + 60000,
        `${readMs} ms of playback`);
    // What the browser says of its sound: what the demo times each hand-over by.
    const sound = await page.evaluate(() => {
        const context = Module.SDL2 && Module.SDL2.audioContext;
        // The latencies as the page read them (it keeps the largest): Firefox can freeze a page
        // that reads them while its output starts.
        const track = Module.demoTrack;
        return context && {state: context.state, sampleRate: context.sampleRate,
            latency: track && track.latency, readings: track && track.readings};
    });
    if (untilMs < 136000) {
        await page.waitFor((ms) => (window.demoProbe.frames.times.at(-1) ?? 0) >= ms, untilMs, untilMs + 120000,
            `${untilMs} ms of playback`);
        await page.press('Escape');
    }
    await page.waitForState('ended', 136000 + 120000);
    const frames = await page.frames();
    console.log(`${engine} (${browser.version}): sound ${JSON.stringify(sound)}, ${frames.times.length} frames`);
    if (page.log.errors.length) {
        console.log(`${engine} errors: ${page.log.errors.join('; ')}`);
        failed = true;
    }
} finally {
    await browser.close();
    await server.stop();
}
process.exit(failed ? 1 : 0);
