// Plays the web build once in each engine and prints the frame rate of each stretch of the
// timeline, the time from opening the page to the offer of the start (the data downloaded and the
// program started) and from the start to the first frame, and the time to a still frame
// (?at=MS). bench/web_frame_rate.sh prepares a display and a sound output and runs this.
//   node bench/web_frame_rate.mjs DIST_WEB [chromium,firefox,webkit]
import {engineNames, launch} from '../tests/web/engines.mjs';
import {startServer} from '../tests/web/server.mjs';

const [directory, engines = engineNames.join(',')] = process.argv.slice(2);
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

const results = [];
for (const engine of engines.split(',')) {
    const browser = await launch(engine);
    const server = await startServer(directory, {headScript: browser.headScript});
    try {
        const page = await browser.newPage();
        // Without ?autostart in every engine, so that the start is the same click in each.
        await page.goto(server.url());
        await page.waitForState('ready', 120000);
        await page.click('#start-button');
        await page.waitForState('ended', 136000 + 120000);
        const probe = await page.evaluate(() => window.demoProbe);
        await page.close();
        const frames = probe.frames;
        const rates = stretches.map(([, from, to]) => (frames.times.filter((t) => t >= from && t < to).length * 1000) / (to - from));
        const whole = (frames.times.filter((t) => t < 136000).length * 1000) / 136000;

        const still = await browser.newPage();
        const started = Date.now();
        await still.goto(`${server.url()}?at=20000`);
        await still.waitFor(() => document.title === 'frame 20000', null, 120000, 'the still frame');
        const stillMs = Date.now() - started;
        await still.close();
        results.push({engine, version: browser.version, rates, whole, ready: probe.states.ready,
            firstFrame: frames.times[0], stillMs, errors: page.log.errors});
    } finally {
        await browser.close();
        await server.stop();
    }
}

const column = (text) => String(text).padStart(10);
console.log(`${'frames/s'.padEnd(16)} ${'from (s)'.padStart(8)} ${'to (s)'.padStart(7)}${results.map((r) => column(r.engine)).join('')}`);
stretches.forEach(([name, from, to], i) => {
    console.log(`${name.padEnd(16)} ${String(from / 1000).padStart(8)} ${String(to / 1000).padStart(7)}` +
        results.map((r) => column(r.rates[i].toFixed(1))).join(''));
});
console.log(`${'whole timeline'.padEnd(32)}${results.map((r) => column(r.whole.toFixed(1))).join('')}`);
// Page times count from the start of navigation.
console.log(`${'opening to start offered (ms)'.padEnd(32)}${results.map((r) => column(r.ready.toFixed(0))).join('')}`);
console.log(`${'start to first frame (ms)'.padEnd(32)}${results.map((r) => column(r.firstFrame.toFixed(0))).join('')}`);
console.log(`${'opening ?at=20000 to frame (ms)'.padEnd(32)}${results.map((r) => column(r.stillMs)).join('')}`);
for (const r of results) {
    console.log(`${r.engine}: ${r.version}`);
    if (r.errors.length) console.log(`${r.engine} errors: ${r.errors.join('; ')}`);
}
