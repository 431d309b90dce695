// The page's player in Chromium (unthrottled and with its CPU slowed four times, as Lighthouse's
// phones) and in Firefox: how long a seek key takes to put the exact new frame on the screen, and
// how many frames a second a drag across the whole seek bar draws. For bench/seek_and_scrub.sh,
// which prints the table; the page from DIST_WEB, served on 127.0.0.1; Firefox needs DISPLAY.
//   node bench/web_seek.mjs DIST_WEB [RUNS]
// A seek's time runs from the key's event to the first display frame after the one that drew the
// seek's instant: a frame drawn in one requestAnimationFrame is on the screen by the next.
import {launch} from '../tests/web/engines.mjs';
import {startServer} from '../tests/web/server.mjs';

const [directory, runsText = '3'] = process.argv.slice(2);
const runs = Number(runsText);
// Each key's instant, in an order where each differs from the one before.
const seekKeys = [['3', 40800], ['7', 95200], ['Home', 0], ['5', 68000], ['End', 135000], ['1', 13600], ['9', 122400]];
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

const results = [];
for (const [engine, cpu] of [['chromium', 1], ['chromium', 4], ['firefox', 1]]) {
    const browser = await launch(engine);
    const server = await startServer(directory, {headScript: browser.headScript});
    try {
        await browser.withPage({}, async (page) => {
            await page.goto(`${server.url()}?autostart`);
            await page.waitFor(() => document.body.dataset.state === 'playing' && (Module.framesDrawn ?? 0) > 10, null, 120000, 'playing');
            if (cpu !== 1) await page.throttleCpu(cpu);
            await page.press('k');
            await page.waitFor(() => document.body.classList.contains('paused'), null, 10000, 'paused');
            // The track decoded to its end, as it is a few seconds into a visit, so that a seek
            // measures the frame and not the decoding.
            await page.waitFor(() => Module._decodedMs() >= 136000, null, 120000, 'the track decoded');
            const seeks = [];
            for (let run = 0; run < runs; run++) {
                for (const [key, ms] of seekKeys) {
                    await page.evaluate((target) => {
                        window.benchSeek = new Promise((resolve) => {
                            let keyAt = null, drawnAtKey = 0;
                            window.addEventListener('keydown', (event) => {
                                keyAt = event.timeStamp;
                                drawnAtKey = Module.framesDrawn;
                            }, {capture: true, once: true});
                            const watch = () => {
                                if (keyAt !== null && Module.framesDrawn > drawnAtKey && Module.frameMs === target)
                                    requestAnimationFrame((shownAt) => resolve(shownAt - keyAt));
                                else requestAnimationFrame(watch);
                            };
                            requestAnimationFrame(watch);
                        });
                    }, ms);
                    await page.press(key);
                    seeks.push(await page.evaluate(() => window.benchSeek));
                    await sleep(300);
                }
            }
            // Scrubbing: the bar pressed near its left end (a real press, which the page holds
            // as a drag) and then, while it is held, the pointer moved across to the right end for
            // two seconds at 120 moves a second, as a pointer moves: events dispatched in the page,
            // since a driver's own moves arrive only as fast as it can send them one by one.
            const scrubs = [];
            for (let run = 0; run < runs; run++) {
                await page.drag('#seek-bar', 0.01, 0.02, 1, async () => {
                    scrubs.push(await page.evaluate(() => new Promise((resolve) => {
                        const bar = document.getElementById('seek-bar');
                        const box = bar.getBoundingClientRect();
                        const y = box.top + box.height / 2;
                        const drawnBefore = Module.framesDrawn;
                        const started = performance.now();
                        const move = () => {
                            const share = Math.min(1, (performance.now() - started) / 2000);
                            bar.dispatchEvent(new PointerEvent('pointermove', {bubbles: true, pointerId: 1, isPrimary: true,
                                clientX: box.left + box.width * (0.02 + 0.96 * share), clientY: y}));
                            if (share < 1) setTimeout(move, 1000 / 120);
                            else resolve((1000 * (Module.framesDrawn - drawnBefore)) / (performance.now() - started));
                        };
                        move();
                    })));
                });
                await sleep(500);
            }
            const name = `${engine}-cpu${cpu}`;
            results.push({name, seeks, scrubs});
            console.log(`web_seek: ${name}: seeks ${seeks.map((v) => v.toFixed(0)).join(' ')} ms; ` +
                `scrubbing ${scrubs.map((v) => v.toFixed(1)).join(' ')} frames/s`);
        });
    } finally {
        await browser.close();
        await server.stop();
    }
}
const stats = (values) => {
    const sorted = [...values].sort((a, b) => a - b);
    const middle = sorted.length / 2;
    const median = sorted.length % 2 ? sorted[Math.floor(middle)] : (sorted[middle - 1] + sorted[middle]) / 2;
    return `${median.toFixed(1)} (${sorted[0].toFixed(1)}..${sorted.at(-1).toFixed(1)})`;
};
for (const {name, seeks, scrubs} of results) {
    console.log(`RESULT page-seek-${name} ${stats(seeks)} ms`);
    console.log(`RESULT page-scrub-${name} ${stats(scrubs)} frames/s`);
}
