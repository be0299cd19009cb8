// Drives the web build in headless Chromium over its DevTools protocol (on
// a pipe, so no port is opened for it): serves the build folder on
// 127.0.0.1, loads the page, saves canvas read-backs and a screenshot for
// matching against the headless run, hides the page and shows it again,
// presses Escape and reads what the page says then. Prints one JSON report.
// Usage: node browser_driver.mjs WEB_BUILD_DIRECTORY OUTPUT_DIRECTORY
import { spawn } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { createServer } from 'node:http';
import { extname, join, normalize } from 'node:path';

const [webDir, outDir] = process.argv.slice(2);
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const types = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm', '.data': 'application/octet-stream' };

const server = createServer((request, response) => {
  let path = normalize(decodeURIComponent(new URL(request.url, 'http://x').pathname)).replace(/^(\.\.[/\\])+/, '');
  if (path.endsWith('/')) path += 'index.html';
  try {
    const body = readFileSync(join(webDir, path));
    response.writeHead(200, { 'Content-Type': types[extname(path)] || 'application/octet-stream' });
    response.end(body);
  } catch {
    response.writeHead(404).end();
  }
});
await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
const url = `http://127.0.0.1:${server.address().port}/`;

// Without the background services off, Chromium keeps trying a network
// that is not there.
const profile = mkdtempSync(join(outDir, 'chromium-profile-'));
const chromium = spawn(process.env.CHROMIUM || 'chromium', [
  '--headless=new', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync',
  '--disable-background-timer-throttling', '--disable-renderer-backgrounding',
  `--user-data-dir=${profile}`, '--window-size=640,480', '--remote-debugging-pipe', 'about:blank',
], { stdio: ['ignore', 'ignore', 'pipe', 'pipe', 'pipe'] });
let chromiumLog = '';
chromium.stderr.on('data', (chunk) => { chromiumLog = (chromiumLog + chunk).slice(-4000); });

// The protocol: JSON messages ended by a NUL byte, commands answered by id.
let nextId = 1;
const pending = new Map();
const console_ = [];
let buffered = '';
chromium.stdio[4].on('data', (chunk) => {
  buffered += chunk.toString();
  let end;
  while ((end = buffered.indexOf('\0')) >= 0) {
    const message = JSON.parse(buffered.slice(0, end));
    buffered = buffered.slice(end + 1);
    if (message.id && pending.has(message.id)) {
      const { resolve, reject } = pending.get(message.id);
      pending.delete(message.id);
      if (message.error) reject(new Error(JSON.stringify(message.error)));
      else resolve(message.result);
    } else if (message.method === 'Runtime.consoleAPICalled') {
      console_.push(message.params.args.map((a) => a.value).join(' '));
    } else if (message.method === 'Runtime.exceptionThrown') {
      console_.push('exception: ' + JSON.stringify(message.params.exceptionDetails.exception?.description));
    }
  }
});
function send(method, params = {}, sessionId) {
  const id = nextId++;
  chromium.stdio[3].write(JSON.stringify({ id, method, params, sessionId }) + '\0');
  return new Promise((resolve, reject) => pending.set(id, { resolve, reject }));
}

const report = { url, shots: [], console: console_ };
let finished = false;
async function finish(code) {
  if (finished) return;
  finished = true;
  report.chromium_log = code === 0 ? undefined : chromiumLog;
  console.log(JSON.stringify(report, null, 1));
  server.close();
  // The profile is removed once Chromium has stopped writing to it.
  const ended = new Promise((resolve) => chromium.once('exit', resolve));
  send('Browser.close').catch(() => {});
  if ((await Promise.race([ended.then(() => true), sleep(5000)])) !== true) chromium.kill();
  try {
    rmSync(profile, { recursive: true, force: true, maxRetries: 5, retryDelay: 200 });
  } catch {
    // a helper process still writing; the caller removes the output folder
  }
  process.exit(code);
}
setTimeout(() => { report.error = 'the run took longer than 90 s'; finish(1); }, 90000);

try {
  const { targetId } = await send('Target.createTarget', { url: 'about:blank' });
  const { sessionId } = await send('Target.attachToTarget', { targetId, flatten: true });
  const page = (method, params) => send(method, params, sessionId);
  const evaluate = async (expression) => {
    const { result, exceptionDetails } = await page('Runtime.evaluate', { expression, returnByValue: true, awaitPromise: true });
    if (exceptionDetails) throw new Error(`${expression}: ${JSON.stringify(exceptionDetails)}`);
    return result.value;
  };
  const frames = () => evaluate("typeof Module !== 'undefined' && Module.nightwickStats ? Module.nightwickStats().frames : 0");
  const waitFor = async (what, test, ms) => {
    for (const start = Date.now(); Date.now() - start < ms; await sleep(50)) if (await test()) return;
    throw new Error(`waited ${ms} ms for ${what}`);
  };
  await page('Runtime.enable');
  await page('Page.enable');
  await page('Emulation.setDeviceMetricsOverride', { width: 640, height: 480, deviceScaleFactor: 1, mobile: false });
  const navigated = await page('Page.navigate', { url });
  if (navigated.errorText) throw new Error(`loading ${url}: ${navigated.errorText}`);
  try {
    await waitFor('the first frames', async () => (await frames()) >= 60, 30000);
  } catch (error) {
    report.page = await evaluate('document.body.innerText');
    throw error;
  }

  // How steady the frames come, between presents as the page sees them,
  // over three seconds in which nothing else asks anything of the page.
  await sleep(3000);
  const { frames: shown, intervals } = await evaluate('Module.nightwickStats()');
  const sorted = intervals.slice(1).sort((a, b) => a - b);  // the first waits for the start-up
  const at = (share) => Number(sorted[Math.floor(share * (sorted.length - 1))].toFixed(2));
  const mean = sorted.reduce((sum, ms) => sum + ms, 0) / sorted.length;
  report.frame_time = {
    frames_shown: shown, intervals: sorted.length, mean_ms: Number(mean.toFixed(3)),
    frames_per_second: Number((1000 / mean).toFixed(2)),
    within_2ms_of_16_7: `${(100 * sorted.filter((ms) => Math.abs(ms - 1000 / 60) <= 2).length / sorted.length).toFixed(1)}%`,
    min: at(0), p1: at(0.01), median: at(0.5), p99: at(0.99), max: at(1),
  };

  // The canvas's own pixels, and once the page as shown on screen. The
  // count and the pixels are read at one moment: no frame comes between.
  const readBack = async (name) => {
    const [at, data] = await evaluate("[Module.nightwickStats().frames, Module.canvas.toDataURL('image/png')]");
    writeFileSync(join(outDir, name), Buffer.from(data.split(',')[1], 'base64'));
    report.shots.push({ file: name, frames_shown: at });
  };
  for (let i = 1; i <= 3; i++) {
    await readBack(`canvas-${i}.png`);
    await sleep(1000);
  }
  const shot = await page('Page.captureScreenshot', { format: 'png', clip: { x: 0, y: 0, width: 640, height: 480, scale: 1 } });
  writeFileSync(join(outDir, 'screen.png'), Buffer.from(shot.data, 'base64'));
  report.shots.push({ file: 'screen.png', frames_shown: await frames() });

  // Another tab in front hides the page: no frame while hidden, and the
  // program runs on once the page is in front again.
  const other = await send('Target.createTarget', { url: 'about:blank' });
  await send('Target.activateTarget', { targetId: other.targetId });
  await waitFor('the page to be hidden', async () => (await evaluate('document.visibilityState')) === 'hidden', 5000);
  await sleep(300);
  const hiddenFrames = await frames();
  await sleep(1000);
  report.hidden = { frames_shown_while_hidden: (await frames()) - hiddenFrames };
  await send('Target.closeTarget', { targetId: other.targetId });
  await send('Target.activateTarget', { targetId });
  await waitFor('the page to be shown', async () => (await evaluate('document.visibilityState')) === 'visible', 5000);
  const shownAt = await frames();
  await waitFor('frames after coming back', async () => (await frames()) >= shownAt + 30, 10000);
  report.hidden.frames_after_coming_back = (await frames()) - shownAt;
  await readBack('canvas-after-hidden.png');

  // Losing the focus pauses it too. Headless Chromium has no other window
  // to take the focus, so the page is sent the events a window would get.
  await evaluate("window.dispatchEvent(new Event('blur'))");
  await sleep(300);
  const blurredFrames = await frames();
  await sleep(700);
  report.blurred = { frames_shown_without_focus: (await frames()) - blurredFrames };
  await evaluate("window.dispatchEvent(new Event('focus'))");
  const focusedAt = await frames();
  await waitFor('frames with the focus back', async () => (await frames()) >= focusedAt + 30, 10000);
  report.blurred.frames_with_focus_back = (await frames()) - focusedAt;

  const type = async (key, code) => {
    const event = { key, code: key, windowsVirtualKeyCode: code, nativeVirtualKeyCode: code };
    await page('Input.dispatchKeyEvent', { type: 'keyDown', ...event });
    await page('Input.dispatchKeyEvent', { type: 'keyUp', ...event });
  };
  const press = async (key, code) => {
    await type(key, code);
    await waitFor(`the page to say it ended after ${key}`,
      async () => (await evaluate("document.getElementById('ended').textContent")) !== '', 10000);
    return evaluate("document.getElementById('ended').textContent");
  };
  // A key the program does not take leaves it running.
  await type('A', 65);
  await sleep(200);
  const before = await frames();
  await sleep(300);
  report.frames_after_another_key = (await frames()) - before;
  report.ended = await press('Escape', 27);
  report.messages = await evaluate("document.getElementById('messages').textContent");
  report.start_again_offered = await evaluate("!document.getElementById('again').hidden");

  // Started again from the page, it runs until F12.
  await evaluate("document.getElementById('again').click()");
  await sleep(500);
  await waitFor('frames after starting again', async () => (await frames().catch(() => 0)) >= 30, 30000);
  report.ended_after_f12 = await press('F12', 123);
  finish(0);
} catch (error) {
  report.error = String(error && error.stack || error);
  finish(1);
}
