#!/usr/bin/env node
// Opens an approval page in headless Chromium and answers it the way a person would: waits
// for the button, clicks it with real mouse events and reads the page it leads to.
//
//   node approve_in_browser.js URL CHOICE SHOTS_DIR [TIMEOUT_S]
//
// CHOICE is the button's label ("Approve" or "Reject"). Prints the text of the page that
// answers the click; exit status 0 when the click was answered, 1 otherwise.
//
// Chromium is driven over --remote-debugging-pipe (DevTools protocol on descriptors 3 and 4),
// so no npm package and no listening debug port are needed.
'use strict';

const { spawn } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');

const [url, choice, shotsDir, timeoutArg] = process.argv.slice(2);
if (!url || !choice || !shotsDir) {
    console.error('usage: approve_in_browser.js URL CHOICE SHOTS_DIR [TIMEOUT_S]');
    process.exit(2);
}
const timeoutMs = 1000 * Number(timeoutArg || 60);
const chromium = process.env.CHROMIUM || '/usr/bin/chromium';

// The approval page must come from this machine: the test never lets the browser out.
const target = new URL(url);
if (!['127.0.0.1', 'localhost', '[::1]'].includes(target.hostname)) {
    console.error(`refusing to open a page that is not on the loopback interface: ${url}`);
    process.exit(1);
}

const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'tovi-e2e-chromium-'));
const browser = spawn(chromium, [
    '--headless', '--no-sandbox', '--disable-gpu', `--user-data-dir=${profile}`,
    '--disable-background-networking', '--disable-component-update', '--disable-sync',
    '--no-first-run', '--no-default-browser-check', '--disable-extensions',
    '--host-resolver-rules=MAP * ~NOTFOUND, EXCLUDE localhost, EXCLUDE 127.0.0.1',
    '--window-size=900,600', '--remote-debugging-pipe', 'about:blank',
], { stdio: ['ignore', 'ignore', 'pipe', 'pipe', 'pipe'] });

let browserLog = '';
browser.stderr.on('data', (d) => { browserLog += d; });
const toBrowser = browser.stdio[3];
const fromBrowser = browser.stdio[4];

let nextId = 1;
const pending = new Map();
const listeners = [];
let buffered = Buffer.alloc(0);

fromBrowser.on('data', (chunk) => {
    buffered = Buffer.concat([buffered, chunk]);
    let end;
    while ((end = buffered.indexOf(0)) >= 0) {
        const message = JSON.parse(buffered.subarray(0, end).toString('utf8'));
        buffered = buffered.subarray(end + 1);
        if (message.id && pending.has(message.id)) {
            const { resolve, reject, method } = pending.get(message.id);
            pending.delete(message.id);
            if (message.error)
                reject(new Error(`${method}: ${message.error.message}`));
            else
                resolve(message.result);
        } else if (message.method) {
            for (const l of listeners.slice())
                l(message);
        }
    }
});

function send(method, params = {}, sessionId = undefined) {
    const id = nextId++;
    const message = { id, method, params };
    if (sessionId)
        message.sessionId = sessionId;
    return new Promise((resolve, reject) => {
        pending.set(id, { resolve, reject, method });
        toBrowser.write(JSON.stringify(message) + '\0');
    });
}

function nextEvent(method, sessionId) {
    return new Promise((resolve) => {
        const l = (m) => {
            if (m.method === method && (!sessionId || m.sessionId === sessionId)) {
                listeners.splice(listeners.indexOf(l), 1);
                resolve(m.params);
            }
        };
        listeners.push(l);
    });
}

const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

async function evaluate(session, expression) {
    const r = await send('Runtime.evaluate', { expression, returnByValue: true }, session);
    if (r.exceptionDetails)
        throw new Error(`page script failed: ${r.exceptionDetails.text}`);
    return r.result.value;
}

async function screenshot(session, name) {
    const { data } = await send('Page.captureScreenshot', { format: 'png' }, session);
    fs.writeFileSync(path.join(shotsDir, name), Buffer.from(data, 'base64'));
}

// Polls a page expression until it yields a value; the page may be mid-navigation meanwhile.
async function waitForValue(session, expression, what) {
    const deadline = Date.now() + timeoutMs;
    for (;;) {
        try {
            const v = await evaluate(session, expression);
            if (v)
                return v;
        } catch (e) {
            // A navigation tore down the context; ask again.
        }
        if (Date.now() > deadline)
            throw new Error(`timed out waiting for ${what}`);
        await sleep(100);
    }
}

async function main() {
    fs.mkdirSync(shotsDir, { recursive: true });
    const { targetId } = await send('Target.createTarget', { url: 'about:blank' });
    const { sessionId } = await send('Target.attachToTarget', { targetId, flatten: true });
    await send('Page.enable', {}, sessionId);
    await send('Runtime.enable', {}, sessionId);

    const loaded = nextEvent('Page.loadEventFired', sessionId);
    const nav = await send('Page.navigate', { url }, sessionId);
    if (nav.errorText)
        throw new Error(`the page did not load: ${nav.errorText}`);
    await loaded;

    // The button's place on screen, found by its label as a person would find it.
    const findButton = `(() => {
        const b = [...document.querySelectorAll('button')]
            .find((e) => e.textContent.trim() === ${JSON.stringify(choice)});
        if (!b) return null;
        const r = b.getBoundingClientRect();
        return r.width > 0 && r.height > 0 ? { x: r.x + r.width / 2, y: r.y + r.height / 2 } : null;
    })()`;
    const at = await waitForValue(sessionId, findButton, `the "${choice}" button`);
    await screenshot(sessionId, 'browser-1-approval-page.png');

    const answered = nextEvent('Page.loadEventFired', sessionId);
    for (const type of ['mouseMoved', 'mousePressed', 'mouseReleased']) {
        await send('Input.dispatchMouseEvent',
            { type, x: at.x, y: at.y, button: type === 'mouseMoved' ? 'none' : 'left', clickCount: 1 },
            sessionId);
    }
    await answered;
    const text = await waitForValue(sessionId,
        `(() => { const e = document.getElementById('result'); return e ? e.textContent : null; })()`,
        'the answer to the click');
    await screenshot(sessionId, 'browser-2-answered.png');
    console.log(text);
}

const watchdog = setTimeout(() => {
    console.error(`the browser did not finish within ${timeoutMs / 1000} s`);
    finish(1);
}, timeoutMs + 5000);

function finish(code) {
    clearTimeout(watchdog);
    send('Browser.close').catch(() => {});
    const killer = setTimeout(() => browser.kill('SIGKILL'), 3000);
    browser.once('exit', () => {
        clearTimeout(killer);
        fs.rmSync(profile, { recursive: true, force: true });
        process.exit(code);
    });
    if (browser.exitCode !== null || browser.signalCode !== null)
        browser.emit('exit');
}

browser.on('error', (e) => {
    console.error(`chromium could not be started: ${e.message}`);
    process.exit(1);
});

main().then(() => finish(0), (e) => {
    console.error(`browser: ${e.message}`);
    if (browserLog)
        console.error(browserLog.split('\n').slice(-15).join('\n'));
    finish(1);
});
