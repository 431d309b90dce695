// Lighthouse (pinned in package-lock.json) on a page, in Debian's Chromium: one audit with
// Lighthouse's mobile or desktop profile, for the browser tests' budget and the load benchmark.
//
//   import {audit} from './lighthouse.mjs';
//   const result = await audit('http://localhost:8000/', {formFactor: 'mobile'});
//   result.scores   {performance, accessibility, 'best-practices', seo}: 0 to 100
//   result.metrics  the key timings in ms (and the layout shift): firstContentfulPaint,
//                   largestContentfulPaint, speedIndex, totalBlockingTime, interactive,
//                   cumulativeLayoutShift, longestTask, mainThreadScript, bytes (transferred)
//   result.failing  the audits of each category that did not pass: [{category, id, title, score}]
//   result.lhr      Lighthouse's whole report, for anything else
//
// formFactor 'mobile' is Lighthouse's slow phone (a Moto G Power's screen, CPU 4x slower, 1.6
// Mbps down, 750 kbps up, 150 ms round trip), 'desktop' its desktop (10 Mbps, 40 ms, CPU as it
// is). throttlingMethod 'simulate' (Lighthouse's default: loads unthrottled and computes the
// throttled timings), 'devtools' (throttles the real load) or 'provided' (none); throttling
// overrides some of the profile's figures ({rttMs, throughputKbps, cpuSlowdownMultiplier, ...}).
// From the command line:
//   node tests/web/lighthouse.mjs URL [mobile|desktop] [simulate|devtools|provided]
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {fileURLToPath} from 'node:url';
import lighthouse from 'lighthouse';
import * as constants from 'lighthouse/core/config/constants.js';
import desktopConfig from 'lighthouse/core/config/desktop-config.js';
import puppeteer from 'puppeteer-core';
import {chromiumArgs} from './engines.mjs';

const categories = ['performance', 'accessibility', 'best-practices', 'seo'];

function metricsOf(lhr) {
    const value = (id) => lhr.audits[id]?.numericValue ?? null;
    const longTasks = lhr.audits['long-tasks']?.details?.items ?? [];
    const breakdown = lhr.audits['mainthread-work-breakdown']?.details?.items ?? [];
    return {
        firstContentfulPaint: value('first-contentful-paint'),
        largestContentfulPaint: value('largest-contentful-paint'),
        speedIndex: value('speed-index'),
        totalBlockingTime: value('total-blocking-time'),
        interactive: value('interactive'),
        cumulativeLayoutShift: value('cumulative-layout-shift'),
        longestTask: longTasks.length ? Math.max(...longTasks.map((task) => task.duration)) : 0,
        mainThreadScript: breakdown.find((item) => item.group === 'scriptEvaluation')?.duration ?? null,
        bytes: value('total-byte-weight'),
    };
}

export async function audit(url, {formFactor = 'mobile', throttlingMethod = 'simulate', throttling = null,
    only = categories, chromium = process.env.CHROMIUM || '/usr/bin/chromium'} = {}) {
    if (formFactor !== 'mobile' && formFactor !== 'desktop') throw new Error(`no form factor "${formFactor}": mobile or desktop`);
    const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'demo-lighthouse-'));
    // Headless, as CI has no display; WebGL through SwiftShader and no traffic of its own, as in
    // the browser tests.
    const browser = await puppeteer.launch({
        browser: 'chrome', executablePath: chromium, headless: true, userDataDir: profile,
        args: chromiumArgs, protocolTimeout: 180000, timeout: 120000,
    });
    try {
        // Lighthouse drives the browser through its own connection, to the same DevTools port.
        const port = Number(new URL(browser.wsEndpoint()).port);
        const config = formFactor === 'desktop' ? desktopConfig : undefined;
        const profileThrottling = formFactor === 'desktop' ? constants.throttling.desktopDense4G : constants.throttling.mobileSlow4G;
        const flags = {port, output: 'json', logLevel: 'error', onlyCategories: only, throttlingMethod,
            ...(throttling ? {throttling: {...profileThrottling, ...throttling}} : {})};
        const result = await lighthouse(url, flags, config);
        if (!result) throw new Error(`Lighthouse returned nothing for ${url}`);
        const lhr = result.lhr;
        if (lhr.runtimeError) throw new Error(`Lighthouse: ${lhr.runtimeError.code}: ${lhr.runtimeError.message}`);
        const scores = {};
        const failing = [];
        for (const name of only) {
            const category = lhr.categories[name];
            scores[name] = category.score === null ? null : Math.round(category.score * 100);
            for (const ref of category.auditRefs) {
                const one = lhr.audits[ref.id];
                // Only the audits that count for the score; informative ones (weight 0) do not.
                if (ref.weight > 0 && one.score !== null && one.score < 1)
                    failing.push({category: name, id: ref.id, title: one.title, score: one.score});
            }
        }
        return {formFactor, throttlingMethod, version: lhr.lighthouseVersion, userAgent: lhr.environment?.hostUserAgent,
            warnings: lhr.runWarnings, scores, metrics: metricsOf(lhr), failing, lhr};
    } finally {
        await Promise.race([browser.close(), new Promise((resolve) => setTimeout(resolve, 15000))]).catch(() => {});
        browser.process()?.kill('SIGKILL');
        fs.rmSync(profile, {recursive: true, force: true});
    }
}

if (process.argv[1] && path.resolve(process.argv[1]) === fileURLToPath(import.meta.url)) {
    const [url, formFactor = 'mobile', throttlingMethod = 'simulate'] = process.argv.slice(2);
    if (!url) {
        console.error('usage: node lighthouse.mjs URL [mobile|desktop] [simulate|devtools|provided]');
        process.exit(2);
    }
    const {lhr, ...result} = await audit(url, {formFactor, throttlingMethod});
    console.log(JSON.stringify(result, null, 2));
}
