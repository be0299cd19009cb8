// Drives the web build in headless Chromium over its DevTools protocol (on
// a pipe, so no port is opened for it): serves the build folder on
// 127.0.0.1, loads the page, matches canvas read-backs and screenshots
// against the headless run, hides the page and shows it again, scales it at
// other device pixel ratios, takes it to full screen, presses Escape and
// reads what the page says then, checks what makes it an installable app,
// and loads it again with the server gone. Prints one JSON report.
// Usage: node browser_driver.mjs WEB_BUILD_DIRECTORY OUTPUT_DIRECTORY
// (OUTPUT_DIRECTORY holds the capture tool's checksums.txt and palette.png)
import { spawn } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { createServer } from 'node:http';
import { extname, join, normalize } from 'node:path';
import { decodePng, frameOf, paletteOf, parseChecksums, unscale } from './frame_match.mjs';

const [webDir, outDir] = process.argv.slice(2);
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
// How long anything may take to happen before it counts as never: generous,
// since a loaded machine is slow, not wrong.
const limit = 60000;
const types = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm', '.data': 'application/octet-stream',
                '.webmanifest': 'application/manifest+json', '.png': 'image/png' };
const checksums = parseChecksums(readFileSync(join(outDir, 'checksums.txt'), 'utf8'));
const palette = paletteOf(readFileSync(join(outDir, 'palette.png')));
let served = 0;

const server = createServer((request, response) => {
  let path = normalize(decodeURIComponent(new URL(request.url, 'http://x').pathname)).replace(/^(\.\.[/\\])+/, '');
  if (path.endsWith('/')) path += 'index.html';
  served++;
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
  if (server.listening) server.close();
  // The profile is removed once Chromium has stopped writing to it.
  const ended = new Promise((resolve) => chromium.once('exit', resolve));
  send('Browser.close').catch(() => {});
  if ((await Promise.race([ended.then(() => true), sleep(limit)])) !== true) chromium.kill();
  try {
    rmSync(profile, { recursive: true, force: true, maxRetries: 5, retryDelay: 200 });
  } catch {
    // a helper process still writing; the caller removes the output folder
  }
  process.exit(code);
}
setTimeout(() => { report.error = `the run took longer than ${10 * limit / 1000} s`; finish(1); }, 10 * limit);

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
  // Reads again, every 50 ms, until what it reads is `ok`, or the limit has
  // passed: `poll` gives the last value either way, `waitFor` fails then,
  // saying what it waited for and what it last saw.
  const poll = async (read, ok) => {
    for (const start = Date.now(); ; await sleep(50)) {
      const value = await read();
      if (ok(value)) return { ok: true, value };
      if (Date.now() - start >= limit) return { ok: false, value };
    }
  };
  const waitFor = async (what, read, ok) => {
    const { ok: done, value } = await poll(read, ok);
    if (!done) throw new Error(`waited ${limit / 1000} s for ${what}; last saw ${JSON.stringify(value)}`);
    return value;
  };
  // The count of frames twice, a quarter of a second apart: the same twice
  // once the program has stopped drawing.
  const twice = async () => { const first = await frames(); await sleep(250); return [first, await frames()]; };
  const same = ([first, second]) => first === second;
  const metrics = (width, height, deviceScaleFactor) =>
    page('Emulation.setDeviceMetricsOverride', { width, height, deviceScaleFactor, mobile: false });
  const stats = () => evaluate('Module.nightwickStats()');
  await page('Runtime.enable');
  await page('Page.enable');
  await metrics(640, 480, 1);
  const navigated = await page('Page.navigate', { url });
  if (navigated.errorText) throw new Error(`loading ${url}: ${navigated.errorText}`);
  try {
    await waitFor('the first frames', frames, (n) => n >= 60);
  } catch (error) {
    report.page = await evaluate('document.body.innerText');
    throw error;
  }

  // How steady the frames come, between presents as the page sees them,
  // over three seconds in which nothing else asks anything of the page (a
  // measure: the page times each interval itself).
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

  // A picture names a frame only when the headless run shows that page
  // once; another is taken until one does.
  const matched = async (name, take) => {
    let last;
    for (let tries = 1, start = Date.now(); ; tries++, await sleep(70)) {
      const { png, ...shot } = await take();
      writeFileSync(join(outDir, name), png);
      const { picture, error } = shot.unscale ? unscale(decodePng(png), ...shot.unscale) : { picture: decodePng(png) };
      last = { file: name, ...shot, tries, ...(error ? { error } : frameOf(picture, palette, checksums)) };
      delete last.unscale;
      if (!last.ambiguous || Date.now() - start >= limit) break;
    }
    report.shots.push(last);
    return last;
  };
  // The flipped page's own pixels, with the page's count of frames read at
  // the same moment: no frame comes between.
  // Once the program has paused (a hidden page, full screen's change of
  // window), it shows the page again on coming back, which the headless run
  // never does: the count is then one ahead for each pause.
  let paused = false;
  const readBack = (name) => matched(name, async () => {
    const [at, data] = await evaluate("[Module.nightwickStats().frames, Module.nightwickPage().toDataURL('image/png')]");
    return { kind: paused ? 'canvas after a pause' : 'canvas', frames_shown: at, png: Buffer.from(data.split(',')[1], 'base64') };
  });
  // The page as shown on screen, in device pixels.
  const screenshot = (name, clip) => matched(name, async () => {
    const { scale, placed } = await stats();
    const { data } = await page('Page.captureScreenshot', { format: 'png', ...(clip ? { clip } : {}) });
    return { kind: 'screen', frames_shown: await frames(), png: Buffer.from(data, 'base64'),
             unscale: Number.isInteger(scale) && scale > 1 ? [scale, placed[0], placed[1]] : undefined };
  });
  for (let i = 1; i <= 3; i++) {
    const { frames_shown: at } = await readBack(`canvas-${i}.png`);
    await waitFor('a second more of frames', frames, (n) => n >= at + 60);
  }
  await screenshot('screen.png', { x: 0, y: 0, width: 640, height: 480, scale: 1 });

  // Another tab in front hides the page: no frame while hidden, and the
  // program runs on once the page is in front again.
  const other = await send('Target.createTarget', { url: 'about:blank' });
  await send('Target.activateTarget', { targetId: other.targetId });
  await waitFor('the page to be hidden', () => evaluate('document.visibilityState'), (v) => v === 'hidden');
  paused = true;
  // Once it has stopped (if it never does, the count below says so), no
  // frame may come over a second.
  await poll(twice, same);
  const hiddenFrames = await frames();
  await sleep(1000);
  report.hidden = { frames_shown_while_hidden: (await frames()) - hiddenFrames };
  await send('Target.closeTarget', { targetId: other.targetId });
  await send('Target.activateTarget', { targetId });
  await waitFor('the page to be shown', () => evaluate('document.visibilityState'), (v) => v === 'visible');
  const shownAt = await frames();
  await waitFor('frames after coming back', frames, (n) => n >= shownAt + 30);
  report.hidden.frames_after_coming_back = (await frames()) - shownAt;
  await readBack('canvas-after-hidden.png');

  // Losing the focus pauses it too. Headless Chromium has no other window
  // to take the focus, so the page is sent the events a window would get.
  await evaluate("window.dispatchEvent(new Event('blur'))");
  await poll(twice, same);
  const blurredFrames = await frames();
  await sleep(700);
  report.blurred = { frames_shown_without_focus: (await frames()) - blurredFrames };
  await evaluate("window.dispatchEvent(new Event('focus'))");
  const focusedAt = await frames();
  await waitFor('frames with the focus back', frames, (n) => n >= focusedAt + 30);
  report.blurred.frames_with_focus_back = (await frames()) - focusedAt;

  // Other window sizes and device pixel ratios: the canvas takes the
  // window's device pixels, the page the largest whole scale that fits, and
  // every page pixel a square of device pixels, checked on the canvas and
  // on screen.
  report.scales = [];
  for (const ratio of [1, 1.5, 2]) {
    await metrics(1280, 800, ratio);
    const device = [Math.round(1280 * ratio), Math.round(800 * ratio)];
    await waitFor(`the canvas at ${ratio} dppx`, stats, (s) => s.canvas.join() === device.join());
    const { scale, placed, canvas } = await stats();
    const squares = await evaluate(`(() => {
      const page = Module.nightwickPage(), canvas = Module.canvas, { scale, placed } = Module.nightwickStats();
      const small = page.getContext('2d').getImageData(0, 0, page.width, page.height).data;
      const big = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
      let wrong = 0;
      for (let y = 0; y < canvas.height; y++) for (let x = 0; x < canvas.width; x++) {
        const px = Math.floor((x - placed[0]) / scale), py = Math.floor((y - placed[1]) / scale);
        const inside = x >= placed[0] && y >= placed[1] && px < page.width && py < page.height;
        for (let c = 0; c < 3; c++) {
          if (big[(y * canvas.width + x) * 4 + c] !== (inside ? small[(py * page.width + px) * 4 + c] : 0)) { wrong++; break; }
        }
      }
      return wrong;
    })()`);
    report.scales.push({ device_pixel_ratio: ratio, css: [1280, 800], canvas, scale, placed, canvas_pixels_wrong: squares });
  }
  await metrics(1280, 800, 1.5);
  await waitFor('the canvas at 1.5 dppx again', stats, (s) => s.canvas.join() === '1920,1200');
  await screenshot('screen-1.5dppx.png');
  await metrics(640, 480, 1);
  await waitFor('the canvas at 1 dppx', stats, (s) => s.canvas.join() === '640,480');
  report.scale_at_640x480 = (await stats()).scale;

  const keys = async () => (await stats()).keys;
  const fullscreen = () => evaluate("document.fullscreenElement ? document.fullscreenElement.id : ''");
  const type = async (key, code) => {
    const event = { key, code: key.length === 1 ? `Key${key}` : key, windowsVirtualKeyCode: code, nativeVirtualKeyCode: code };
    await page('Input.dispatchKeyEvent', { type: 'keyDown', ...event });
    await page('Input.dispatchKeyEvent', { type: 'keyUp', ...event });
  };
  const press = async (key, code) => {
    await type(key, code);
    return waitFor(`the page to say it ended after ${key}`,
      () => evaluate("document.getElementById('ended').textContent"), (text) => text !== '');
  };
  // Full screen on the button, a click as a user's; then F leaves it and
  // takes the page back to it. F is never passed to the program.
  report.fullscreen = {};
  const keysBefore = await keys();
  const [x, y] = await evaluate("(() => { const r = document.getElementById('fullscreen').getBoundingClientRect(); return [r.x + r.width / 2, r.y + r.height / 2]; })()");
  for (const type of ['mousePressed', 'mouseReleased']) {
    await page('Input.dispatchMouseEvent', { type, x, y, button: 'left', clickCount: 1 });
  }
  await waitFor('full screen by the button', fullscreen, (id) => id === 'stage');
  report.fullscreen.by_button = await fullscreen();
  report.fullscreen.stats_by_button = await stats().then(({ scale, canvas }) => ({ scale, canvas }));
  const fullAt = await frames();
  await waitFor('frames in full screen', frames, (n) => n >= fullAt + 30);
  await readBack('canvas-fullscreen-button.png');
  await type('F', 70);
  await waitFor('F to leave full screen', fullscreen, (id) => id === '');
  await type('F', 70);
  await waitFor('full screen by F', fullscreen, (id) => id === 'stage');
  report.fullscreen.by_key = await fullscreen();
  const keyAt = await frames();
  await waitFor('frames in full screen by F', frames, (n) => n >= keyAt + 30);
  await readBack('canvas-fullscreen-key.png');
  report.fullscreen.keys_passed_to_the_program = (await keys()) - keysBefore;

  // A key the program does not take leaves it running: it draws on after
  // the key has reached it (or the count says it stopped).
  const keysBeforeA = await keys();
  await type('A', 65);
  await waitFor('the page to pass A on', keys, (n) => n > keysBeforeA);
  const before = await frames();
  report.frames_after_another_key = (await poll(frames, (n) => n >= before + 30)).value - before;
  // Escape, pressed in full screen, ends the program as anywhere else.
  report.fullscreen.before_escape = await fullscreen();
  report.ended = await press('Escape', 27);
  report.fullscreen.after_the_end = (await poll(fullscreen, (id) => id === '')).value;
  report.messages = await evaluate("document.getElementById('messages').textContent");
  report.start_again_offered = await evaluate("!document.getElementById('again').hidden");

  // Started again from the page, it runs until F12.
  // The page loads anew: until then the ended page still says so.
  await evaluate("document.getElementById('again').click()");
  await waitFor('frames after starting again',
    () => evaluate("[document.getElementById('ended').textContent, typeof Module !== 'undefined' && Module.nightwickStats ? Module.nightwickStats().frames : 0]").catch(() => null),
    (seen) => seen !== null && seen[0] === '' && seen[1] >= 30);
  report.ended_after_f12 = await press('F12', 123);

  // Installable: the manifest as Chromium reads it, and its icons.
  const manifest = await page('Page.getAppManifest');
  report.manifest = { errors: manifest.errors, parsed: Boolean(manifest.data) };
  if (manifest.data) {
    const data = JSON.parse(manifest.data);
    report.manifest.display = data.display;
    report.manifest.icons = await evaluate(`Promise.all(${JSON.stringify(data.icons)}.map(async (icon) => {
      const image = new Image();
      image.src = icon.src;
      try { await image.decode(); } catch { return icon.src + ': does not load'; }
      return icon.src + ': ' + image.naturalWidth + 'x' + image.naturalHeight + (icon.sizes === image.naturalWidth + 'x' + image.naturalHeight ? '' : ' (not ' + icon.sizes + ')');
    }))`);
  }
  try {
    report.manifest.installability_errors = (await page('Page.getInstallabilityErrors')).installabilityErrors.map((e) => e.errorId);
  } catch {
    // an older Chromium without the question
  }

  // Offline once visited: the service worker controls the page; with the
  // server gone, the page loads again and runs as before.
  await waitFor('the service worker to control the page', () => evaluate('Boolean(navigator.serviceWorker && navigator.serviceWorker.controller)'), Boolean);
  await new Promise((resolve) => { server.close(resolve); server.closeAllConnections(); });
  const servedBefore = served;
  await page('Page.reload', { ignoreCache: false });
  await waitFor('the first frames offline', () => frames().catch(() => 0), (n) => n >= 60);
  paused = false;  // a new start
  await readBack('canvas-offline.png');
  report.offline = {
    controlled: await evaluate('Boolean(navigator.serviceWorker.controller)'),
    requests_served: served - servedBefore,
  };
  finish(0);
} catch (error) {
  report.error = String(error && error.stack || error);
  finish(1);
}
