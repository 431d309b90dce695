// How fast the page opens, in Debian's Chromium, on a slow phone (Lighthouse's mobile profile: the
// CPU 4 times slower, 1.6 Mbps down, 750 kbps up, 150 ms round trip), a fast phone (CPU 4 times
// slower, 20 Mbps, 40 ms) and this machine unthrottled, each run in a browser of its own (nothing
// cached, no service worker yet): the bytes before the start is offered, the time from navigation
// to the offer (state "ready"), the longest main-thread task and the script run on the main thread
// before it, and the time from the click on Start to the first frame drawn. Then Lighthouse's
// scores, mobile and desktop. bench/web_load.sh serves the page and runs this.
//   node bench/web_load.mjs URL [--runs N] [--label TEXT]
import {parseArgs} from 'node:util';
import {chromiumArgs, puppeteer} from '../tests/web/engines.mjs';

const {values: options, positionals} = parseArgs({
    allowPositionals: true,
    options: {runs: {type: 'string', default: '3'}, label: {type: 'string', default: ''}},
});
const url = positionals[0];
const runs = Number(options.runs);

const profiles = [
    {name: 'slow phone', cpu: 4, down: 1.6e6, up: 750e3, rtt: 150},
    {name: 'fast phone', cpu: 4, down: 20e6, up: 20e6, rtt: 40},
    {name: 'unthrottled', cpu: 1},
];

// Before the page's scripts: when Start was clicked and when the demo's first frame had been drawn
// (the animation frame callback in which the demo's frame counter first moved, at its end).
function recordStart() {
    window.benchStart = {};
    document.addEventListener('click', (event) => {
        if (event.target && event.target.id === 'start-button') window.benchStart.clickAt = event.timeStamp;
    }, true);
    const request = window.requestAnimationFrame.bind(window);
    window.requestAnimationFrame = (callback) => request((time) => {
        callback(time);
        if (window.Module && Module.frameMs !== undefined && window.benchStart.firstFrameAt === undefined)
            window.benchStart.firstFrameAt = performance.now();
    });
}

// The main thread's tasks until `until` (ms from navigation): the longest, and the time spent in
// script (evaluation, functions called from tasks, microtasks, compilation), counted once where
// such events nest.
const scriptEvents = new Set(['EvaluateScript', 'v8.evaluateModule', 'FunctionCall', 'TimerFire', 'FireIdleCallback',
    'FireAnimationFrame', 'RunMicrotasks', 'V8.Execute', 'v8.compile', 'v8.compileModule', 'v8.produceCache',
    'v8.deserializeOnBackground', 'EventDispatch', 'HandlePostMessage', 'v8.wasm.streamFromResponseCallback',
    'v8.wasm.compiledModule', 'v8.wasm.cachedModule', 'v8.wasm.moduleCacheHit', 'v8.wasm.moduleCacheInvalid']);
function mainThreadWork(events, navigationStart, until) {
    const main = events.find((e) => e.name === 'thread_name' && e.args.name === 'CrRendererMain' &&
        events.some((f) => f.pid === e.pid && f.tid === e.tid && f.name === 'EvaluateScript' && /^http/.test(f.args?.data?.url ?? '')));
    if (!main) return {longest: NaN, script: NaN};
    const end = navigationStart + until * 1000;
    const mine = events.filter((e) => e.pid === main.pid && e.tid === main.tid && e.ph === 'X' && e.ts >= navigationStart && e.ts <= end)
        .sort((a, b) => a.ts - b.ts);
    let longest = 0;
    for (const e of mine) if (e.name === 'RunTask' || e.name === 'ThreadControllerImpl::RunTask') longest = Math.max(longest, e.dur / 1000);
    let script = 0;
    let coveredUntil = -1;
    for (const e of mine) {
        if (!scriptEvents.has(e.name) || e.ts + e.dur <= coveredUntil) continue;
        script += (e.ts + e.dur - Math.max(e.ts, coveredUntil)) / 1000;
        coveredUntil = e.ts + e.dur;
    }
    return {longest, script};
}

async function openOnce(profile) {
    const browser = await puppeteer.launch({browser: 'chrome', executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
        headless: true, args: chromiumArgs, protocolTimeout: 300000});
    try {
        const page = await browser.newPage();
        await page.setViewport({width: 1024, height: 768});
        const cdp = await page.createCDPSession();
        if (profile.down) {
            await cdp.send('Network.enable');
            await cdp.send('Network.emulateNetworkConditions', {offline: false, latency: profile.rtt,
                downloadThroughput: profile.down / 8, uploadThroughput: profile.up / 8});
        }
        await cdp.send('Emulation.setCPUThrottlingRate', {rate: profile.cpu});
        await page.evaluateOnNewDocument(recordStart);
        await page.tracing.start({categories: ['devtools.timeline', 'disabled-by-default-devtools.timeline', 'v8', 'v8.execute']});
        await page.goto(url);
        await page.waitForFunction(() => document.body && document.body.dataset.state === 'ready', {timeout: 300000, polling: 100});
        const seen = await page.evaluate(() => {
            const readyAt = performance.now();
            const entries = [...performance.getEntriesByType('navigation'), ...performance.getEntriesByType('resource')]
                .filter((entry) => entry.startTime <= readyAt);
            return {readyAt, bytes: entries.reduce((sum, entry) => sum + (entry.transferSize || entry.encodedBodySize), 0)};
        });
        const trace = JSON.parse(Buffer.from(await page.tracing.stop()).toString('utf8'));
        const events = trace.traceEvents;
        const navigation = events.find((e) => e.name === 'navigationStart' && e.args?.data?.isLoadingMainFrame && /^http/.test(e.args.data.documentLoaderURL ?? ''));
        const work = mainThreadWork(events, navigation ? navigation.ts : events[0].ts, seen.readyAt);
        await page.click('#start-button');
        await page.waitForFunction(() => window.benchStart.firstFrameAt !== undefined, {timeout: 60000, polling: 50});
        const start = await page.evaluate(() => window.benchStart);
        return {bytes: seen.bytes, ready: seen.readyAt, longest: work.longest, script: work.script,
            firstFrame: start.firstFrameAt - start.clickAt};
    } finally {
        await browser.close();
    }
}

const median = (values) => {
    const sorted = [...values].sort((a, b) => a - b);
    const middle = Math.floor(sorted.length / 2);
    return sorted.length % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
};
const row = (name, values, digits, unit) => {
    const shown = (v) => v.toFixed(digits);
    return `${name.padEnd(46)} ${shown(median(values)).padStart(8)} ${unit.padEnd(3)} ` +
        `(${shown(Math.min(...values))} to ${shown(Math.max(...values))})`;
};

console.log(`== ${url}${options.label ? ` (${options.label})` : ''}: ${runs} runs each, median (range)`);
for (const profile of profiles) {
    const results = [];
    for (let i = 0; i < runs; i++) results.push(await openOnce(profile));
    const of = (key) => results.map((r) => r[key]);
    console.log(`-- ${profile.name}`);
    console.log(row('bytes before Start is offered', of('bytes').map((b) => b / 1e6), 2, 'MB'));
    console.log(row('navigation to Start offered', of('ready').map((t) => t / 1000), 2, 's'));
    console.log(row('longest main-thread task before it', of('longest'), 0, 'ms'));
    console.log(row('script on the main thread before it', of('script').map((t) => t / 1000), 2, 's'));
    console.log(row('Start to the first frame drawn', of('firstFrame'), 0, 'ms'));
}

// Lighthouse, where the browser tests' packages have it.
let audit = null;
try {
    ({audit} = await import('../tests/web/lighthouse.mjs'));
} catch (error) {
    console.log(`Lighthouse not run: ${error.message}`);
}
if (audit) {
    for (const formFactor of ['mobile', 'desktop']) {
        const results = [];
        for (let i = 0; i < runs; i++) results.push(await audit(url, {formFactor}));
        console.log(`-- Lighthouse, ${formFactor}`);
        for (const category of ['performance', 'accessibility', 'best-practices', 'seo'])
            console.log(row(category, results.map((r) => r.scores[category]), 0, ''));
    }
}
