// Plays the web build once in headless Chromium (?autostart) and prints the frame rate of each
// stretch of the timeline, the time from opening the page to its first frame, and the time to a
// still frame (?at=MS). bench/web_frame_rate.sh serves the page and runs this.
//   node bench/web_frame_rate.mjs URL
import {launchChromium, openPage, recordFrames, waitForState} from '../tests/web/browser.mjs';

const url = process.argv[2];
const stretches = [
    ['intro', 0, 13000],
    ['figure shot', 13000, 26000],
    ['inside shot', 26000, 46000],
    ['sphere shot', 46000, 60000],
    ['banner alone', 60000, 73000],
    ['star shot', 73000, 102000],
    ['banner alone', 102000, 132500],
    ['credits', 133000, 136000],
];

const browser = await launchChromium();
try {
    const {page, log} = await openPage(browser);
    await recordFrames(page);
    await page.goto(`${url}?autostart`);
    await waitForState(page, 'playing', 120000);
    await waitForState(page, 'ended', 136000 + 120000);
    const frames = await page.evaluate(() => window.demoFrames);
    await page.close();

    console.log('stretch          from (s)  to (s)  frames  frames/s');
    for (const [name, from, to] of stretches) {
        const inside = frames.times.filter((t) => t >= from && t < to);
        const fps = (inside.length * 1000) / (to - from);
        console.log(`${name.padEnd(16)} ${String(from / 1000).padStart(8)} ${String(to / 1000).padStart(7)} ` +
            `${String(inside.length).padStart(7)} ${fps.toFixed(1).padStart(9)}`);
    }
    const all = frames.times.filter((t) => t < 136000).length;
    console.log(`whole timeline: ${all} frames, ${((all * 1000) / 136000).toFixed(1)} frames/s`);
    // Page times count from the start of navigation.
    console.log(`opening the page to its first frame: ${(frames.startedAt + frames.times[0]).toFixed(0)} ms ` +
        `(playback started at ${frames.startedAt.toFixed(0)} ms)`);
    if (log.errors.length) console.log(`errors: ${log.errors.join('; ')}`);

    const still = await openPage(browser);
    const started = Date.now();
    await still.page.goto(`${url}?at=20000`);
    await still.page.waitForFunction(() => document.title === 'frame 20000', {timeout: 120000});
    console.log(`opening ?at=20000 to its frame: ${Date.now() - started} ms`);
    await still.page.close();
} finally {
    await browser.close();
}
