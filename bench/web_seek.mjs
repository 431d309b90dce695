// The page's player in Chromium, unthrottled and with its CPU slowed four times (as Lighthouse's
// phones): how long a seek key takes to put the exact new frame on the screen, and how many frames a
// second a drag across the whole seek bar draws. For bench/seek_and_scrub.sh, which prints the
// table; the page from DIST_WEB, served on 127.0.0.1.
//   node bench/web_seek.mjs DIST_WEB [RUNS]
// A seek's time runs from the key's event to the first display frame after the one that drew the
// seek's instant: a frame drawn in one requestAnimationFrame is on the screen by the next.
import {chromiumArgs, puppeteer} from '../tests/web/engines.mjs';
import {startServer} from '../tests/web/server.mjs';

const [directory, runsText = '3'] = process.argv.slice(2);
const runs = Number(runsText);
// Each key's instant, in an order where each differs from the one before.
const seekKeys = [['3', 40800], ['7', 95200], ['Home', 0], ['5', 68000], ['End', 135000], ['1', 13600], ['9', 122400]];

const server = await startServer(directory, {});
const results = [];
try {
    for (const cpu of [1, 4]) {
        const browser = await puppeteer.launch({browser: 'chrome', executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
            headless: true, args: chromiumArgs, protocolTimeout: 120000, timeout: 120000});
        try {
            const page = await browser.newPage();
            await page.setViewport({width: 1024, height: 768});
            await page.goto(`${server.url()}?autostart`);
            await page.waitForFunction(() => document.body.dataset.state === 'playing' && (window.Module?.framesDrawn ?? 0) > 10,
                {timeout: 120000, polling: 100});
            const cdp = await page.createCDPSession();
            await cdp.send('Emulation.setCPUThrottlingRate', {rate: cpu});
            await page.keyboard.press('k');
            await page.waitForFunction(() => document.body.classList.contains('paused'), {timeout: 10000});
            // The track decoded to its end, as it is a few seconds into a visit, so that a seek
            // measures the frame and not the decoding.
            await page.waitForFunction(() => Module._decodedMs() >= 136000, {timeout: 120000, polling: 200});
            const seeks = [];
            for (let run = 0; run < runs; run++) {
                for (const [key, ms] of seekKeys) {
                    const watched = page.evaluate((target) => new Promise((resolve, reject) => {
                        let keyAt = null, drawnAtKey = 0;
                        window.addEventListener('keydown', (event) => {
                            keyAt = event.timeStamp;
                            drawnAtKey = Module.framesDrawn;
                        }, {capture: true, once: true});
                        const giveUp = setTimeout(() => reject(new Error(`no frame at ${target} ms`)), 20000);
                        const watch = () => {
                            if (keyAt !== null && Module.framesDrawn > drawnAtKey && Module.frameMs === target) {
                                requestAnimationFrame((shownAt) => {
                                    clearTimeout(giveUp);
                                    resolve(shownAt - keyAt);
                                });
                            } else {
                                requestAnimationFrame(watch);
                            }
                        };
                        requestAnimationFrame(watch);
                    }), ms);
                    await new Promise((resolve) => setTimeout(resolve, 50));
                    await page.keyboard.press(key);
                    seeks.push(await watched);
                    await new Promise((resolve) => setTimeout(resolve, 300));
                }
            }
            // Scrubbing: a press at the bar's left end and a drag to its right end, paused.
            const scrubs = [];
            const bar = await (await page.$('#seek-bar')).boundingBox();
            for (let run = 0; run < runs; run++) {
                const y = bar.y + bar.height / 2;
                await page.mouse.move(bar.x + 2, y);
                await page.mouse.down();
                const before = await page.evaluate(() => [Module.framesDrawn, performance.now()]);
                const steps = 120;
                for (let i = 1; i <= steps; i++) await page.mouse.move(bar.x + 2 + ((bar.width - 4) * i) / steps, y);
                const after = await page.evaluate(() => [Module.framesDrawn, performance.now()]);
                await page.mouse.up();
                scrubs.push((1000 * (after[0] - before[0])) / (after[1] - before[1]));
                await new Promise((resolve) => setTimeout(resolve, 500));
            }
            results.push({cpu, seeks, scrubs});
            console.log(`web_seek: CPU ${cpu}x: seeks ${seeks.map((v) => v.toFixed(0)).join(' ')} ms; scrubbing ${scrubs.map((v) => v.toFixed(1)).join(' ')} frames/s`);
        } finally {
            await browser.close();
        }
    }
} finally {
    await server.stop();
}
const stats = (values) => {
    const sorted = [...values].sort((a, b) => a - b);
    const median = sorted.length % 2 ? sorted[(sorted.length - 1) / 2] : (sorted[sorted.length / 2 - 1] + sorted[sorted.length / 2]) / 2;
    return `${median.toFixed(1)} (${sorted[0].toFixed(1)}..${sorted.at(-1).toFixed(1)})`;
};
for (const {cpu, seeks, scrubs} of results) {
    console.log(`RESULT page-seek-cpu${cpu} ${stats(seeks)} ms`);
    console.log(`RESULT page-scrub-cpu${cpu} ${stats(scrubs)} frames/s`);
}
