// Headless Chromium (Debian's) driving the web build, shared by the browser tests and the frame
// rate measurement.
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import puppeteer from 'puppeteer-core';

export const chromiumPath = process.env.CHROMIUM || '/usr/bin/chromium';

// WebGL through SwiftShader, since there is no GPU; sound allowed without a click (?autostart);
// nothing that talks to the network on its own.
const chromiumArgs = [
    '--no-sandbox',
    '--use-angle=swiftshader',
    '--enable-unsafe-swiftshader',
    '--autoplay-policy=no-user-gesture-required',
    '--disable-quic',
    '--no-first-run',
    '--disable-background-networking',
    '--disable-component-update',
    '--disable-sync',
    '--window-size=1024,768',
];

// A fresh profile each time, removed when the browser closes. scale: the device pixel ratio of
// the screen it pretends to have.
export async function launchChromium({scale = 1} = {}) {
    const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'demo-chromium-'));
    const browser = await puppeteer.launch({
        executablePath: chromiumPath,
        headless: true,
        args: [...chromiumArgs, `--force-device-scale-factor=${scale}`],
        userDataDir: profile,
        protocolTimeout: 600000,
    });
    const close = browser.close.bind(browser);
    browser.close = async () => {
        await close();
        fs.rmSync(profile, {recursive: true, force: true});
    };
    return browser;
}

// emscripten's GL emulation announces itself on every start, as warnings.
const emulationNotice = /^WARNING: using emscripten GL (emulation|immediate mode)/;

// A page at 1024 x 768 CSS pixels (scale device pixels each) that records what it says: console
// messages (the emulation's notices left out), errors (on the console, uncaught, failed requests,
// GL calls that WebGL refused) and alert boxes, which it accepts at once so that none is ever
// left waiting.
export async function openPage(browser, {scale = 1} = {}) {
    const page = await browser.newPage();
    await page.setViewport({width: 1024, height: 768, deviceScaleFactor: scale});
    const log = {messages: [], errors: [], dialogs: []};
    page.on('console', (message) => {
        if (emulationNotice.test(message.text())) return;
        log.messages.push({type: message.type(), text: message.text()});
        // WebGL reports a call it refuses as a warning; here it counts as an error.
        if (message.type() === 'error' || /^WebGL: |GL_INVALID_/.test(message.text()))
            log.errors.push(`console ${message.type()}: ${message.text()}`);
    });
    page.on('pageerror', (error) => log.errors.push(`uncaught: ${error.message}`));
    page.on('requestfailed', (request) =>
        log.errors.push(`request failed: ${request.url()} ${request.failure()?.errorText}`));
    page.on('dialog', async (dialog) => {
        log.dialogs.push(dialog.message());
        await dialog.accept();
    });
    return {page, log};
}

// Records, in the page, when playback started (ms since the page was opened) and the time of
// every display frame the demo draws while it plays (ms since playback started). emscripten's
// main loop asks for each frame with requestAnimationFrame.
export async function recordFrames(page) {
    await page.evaluateOnNewDocument(() => {
        const frames = (window.demoFrames = {startedAt: null, times: []});
        const playing = () => document.body && document.body.dataset.state === 'playing';
        document.addEventListener('DOMContentLoaded', () => {
            new MutationObserver(() => {
                if (playing() && frames.startedAt === null) frames.startedAt = performance.now();
            }).observe(document.body, {attributes: true, attributeFilter: ['data-state']});
        });
        const request = window.requestAnimationFrame.bind(window);
        window.requestAnimationFrame = (callback) =>
            request((time) => {
                if (playing() && frames.startedAt !== null)
                    frames.times.push(performance.now() - frames.startedAt);
                callback(time);
            });
    });
}

export const waitForState = (page, state, timeout) =>
    page.waitForFunction((s) => document.body.dataset.state === s, {timeout, polling: 100}, state);
