// How fast the page opens, in Debian's Chromium, on a slow phone (Lighthouse's mobile profile: the
// CPU 4 times slower, 1.6 Mbps down, 750 kbps up, 150 ms round trip), a fast phone (CPU 4 times
// slower, 20 Mbps, 40 ms) and this machine unthrottled, each run in a browser of its own (nothing
// cached, no service worker yet) that has already drawn a blank page, as a visitor's browser is
// running before the link is followed (--cold-browser: opened on the page itself, which adds the
// browser's own start, its graphics process's above all, half a second here): the bytes before the start is offered, the time from navigation
// to the offer (state "ready"), the longest main-thread task and the script run on the main thread
// before it, and the time from the click on Start to the first frame drawn; from a host that
// compresses nothing (scripts/serve-web.sh, at URL, which bench/web_load.sh starts) and from
// Debian's nginx sending the build's compressed copies (tests/web/nginx.mjs, started here on
// DIRECTORY). Then Lighthouse's scores, mobile and desktop, from the first.
//   node bench/web_load.mjs URL DIRECTORY [--runs N] [--profile NAME]... [--host plain|nginx]...
//                                         [--no-lighthouse] [--cold-browser]
// A --profile ('slow phone', 'fast phone', 'unthrottled') or --host measures only those: a quicker
// look at one row while working on it.
import os from 'node:os';
import {parseArgs} from 'node:util';
import {chromiumArgs, puppeteer, resourcesSeen} from '../tests/web/engines.mjs';
import {startNginx} from '../tests/web/nginx.mjs';

const {values: options, positionals} = parseArgs({
    allowPositionals: true,
    options: {
        runs: {type: 'string', default: '3'},
        profile: {type: 'string', multiple: true},
        host: {type: 'string', multiple: true},
        'no-lighthouse': {type: 'boolean', default: false},
        'cold-browser': {type: 'boolean', default: false},
    },
});
const [plainUrl, directory] = positionals;
const runs = Number(options.runs);

const allProfiles = [
    {name: 'slow phone', cpu: 4, down: 1.6e6, up: 750e3, rtt: 150},
    {name: 'fast phone', cpu: 4, down: 20e6, up: 20e6, rtt: 40},
    {name: 'unthrottled', cpu: 1},
];
const profiles = allProfiles.filter((p) => !options.profile || options.profile.includes(p.name));
const hosts = options.host ?? ['plain', 'nginx'];
for (const name of options.profile ?? [])
    if (!allProfiles.some((p) => p.name === name)) throw new Error(`web_load: no profile '${name}'`);
for (const name of hosts)
    if (!['plain', 'nginx'].includes(name)) throw new Error(`web_load: no host '${name}'`);

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

// The page's main thread's tasks from navigation to `until` (ms after it): the longest, and the
// time spent in script (evaluation, functions called from tasks, microtasks, compilation),
// counted once where such events nest. The page's renderer is the one that ran page.js; the
// navigation starts when the browser asks for the page.
const scriptEvents = new Set(['EvaluateScript', 'v8.evaluateModule', 'FunctionCall', 'TimerFire', 'FireIdleCallback',
    'FireAnimationFrame', 'RunMicrotasks', 'V8.Execute', 'v8.compile', 'v8.compileModule', 'v8.produceCache',
    'EventDispatch', 'HandlePostMessage', 'v8.wasm.compiledModule', 'v8.wasm.compileConsume']);
function mainThreadWork(events, pageUrl, until) {
    const ran = events.find((e) => e.name === 'EvaluateScript' && /\/page\.js$/.test(e.args?.data?.url ?? ''));
    const asked = events.find((e) => e.name === 'ResourceSendRequest' && e.args?.data?.url === pageUrl);
    if (!ran || !asked) return {longest: NaN, script: NaN};
    const start = asked.ts;
    const end = start + until * 1000;
    const mine = events.filter((e) => e.pid === ran.pid && e.tid === ran.tid && e.ph === 'X' && e.ts >= start && e.ts <= end)
        .sort((a, b) => a.ts - b.ts);
    let longest = 0;
    for (const e of mine) if (e.name === 'RunTask') longest = Math.max(longest, e.dur / 1000);
    let script = 0;
    let coveredUntil = -1;
    for (const e of mine) {
        if (!scriptEvents.has(e.name) || e.ts + e.dur <= coveredUntil) continue;
        script += (e.ts + e.dur - Math.max(e.ts, coveredUntil)) / 1000;
        coveredUntil = e.ts + e.dur;
    }
    // Less the bench's own: puppeteer's polling for the state runs in the page.
    for (const e of mine)
        if (e.name === 'FunctionCall' && /^pptr:/.test(e.args?.data?.url ?? '')) script -= e.dur / 1000;
    return {longest, script};
}

async function openOnce(profile, url) {
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
        if (!options['cold-browser']) {
            await page.goto('data:text/html,<title>Blank</title><p>A page before the measured one');
            await page.evaluate(() => new Promise((painted) =>
                new PerformanceObserver(painted).observe({type: 'paint', buffered: true})));
        }
        await page.evaluateOnNewDocument(recordStart);
        await page.tracing.start({categories: ['devtools.timeline', 'disabled-by-default-devtools.timeline', 'v8', 'v8.execute']});
        await page.goto(url);
        await page.waitForFunction(() => document.body && document.body.dataset.state === 'ready', {timeout: 300000, polling: 100});
        const readyAt = await page.evaluate(() => performance.now());
        const bytes = (await resourcesSeen(page)).filter((entry) => entry.asked <= readyAt)
            .reduce((sum, entry) => sum + (entry.transfer || entry.body), 0);
        const trace = JSON.parse(Buffer.from(await page.tracing.stop()).toString('utf8'));
        const events = trace.traceEvents;
        const work = mainThreadWork(events, url, readyAt);
        await page.click('#start-button');
        await page.waitForFunction(() => window.benchStart.firstFrameAt !== undefined, {timeout: 60000, polling: 50});
        const start = await page.evaluate(() => window.benchStart);
        return {bytes, ready: readyAt, longest: work.longest, script: work.script,
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

async function measureHost(url, label) {
    console.log(`== ${label} (${url}): ${runs} runs each, median (range); load average ${os.loadavg().map((l) => l.toFixed(2)).join(' ')}`);
    for (const profile of profiles) {
        const results = [];
        for (let i = 0; i < runs; i++) results.push(await openOnce(profile, url));
        const of = (key) => results.map((r) => r[key]);
        console.log(`-- ${profile.name}`);
        console.log(row('bytes before Start is offered', of('bytes').map((b) => b / 1e6), 2, 'MB'));
        console.log(row('navigation to Start offered', of('ready').map((t) => t / 1000), 2, 's'));
        console.log(row('longest main-thread task before it', of('longest'), 0, 'ms'));
        console.log(row('script on the main thread before it', of('script').map((t) => t / 1000), 2, 's'));
        console.log(row('Start to the first frame drawn', of('firstFrame'), 0, 'ms'));
    }
}

if (hosts.includes('plain')) await measureHost(plainUrl, 'a host that compresses nothing (serve-web.sh)');
if (hosts.includes('nginx')) {
    const nginx = await startNginx(directory);
    try {
        await measureHost(nginx.url(), 'nginx, with the build\'s compressed copies');
    } finally {
        await nginx.stop();
    }
}

// Lighthouse, where the browser tests' packages have it.
let audit = null;
if (!options['no-lighthouse']) {
    try {
        ({audit} = await import('../tests/web/lighthouse.mjs'));
    } catch (error) {
        console.log(`Lighthouse not run: ${error.message}`);
    }
}
if (audit) {
    for (const formFactor of ['mobile', 'desktop']) {
        const results = [];
        for (let i = 0; i < runs; i++) results.push(await audit(plainUrl, {formFactor}));
        console.log(`-- Lighthouse, ${formFactor}, from the host that compresses nothing`);
        for (const category of ['performance', 'accessibility', 'best-practices', 'seo'])
            console.log(row(category, results.map((r) => r.scores[category]), 0, ''));
    }
}
console.log(`load average ${os.loadavg().map((l) => l.toFixed(2)).join(' ')}`);
