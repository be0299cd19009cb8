// The matcher names a frame only for a page the headless run shows once.
// Run: node --test tests/web/frame_match.test.mjs
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { checksumOf, frameOf, lookUp, parseChecksums, unscale } from './frame_match.mjs';

test('a page shown at more than one frame names none', () => {
  const frames = parseChecksums('frame 1 checksum 0000000a\nframe 2 checksum 0000000B\nframe 3 checksum 0000000b\n' +
                                'frame 4 checksum 0000000c\nframe 5 checksum 0000000a\nnot a frame line\n');
  assert.deepEqual(lookUp(frames, '0000000c'), { frame: 4 });
  assert.equal(lookUp(frames, '0000000b').ambiguous, true);
  assert.equal(lookUp(frames, '0000000a').ambiguous, true, 'a page that comes back later is as ambiguous');
  assert.equal(lookUp(frames, '0000000d').frame, undefined);
});

test('a whole picture is matched by its checksum, and only when unambiguous', () => {
  const palette = new Uint8Array(768);
  palette.set([0, 0, 0, 200, 10, 10, 0, 0, 0]);  // slot 2 repeats black: black is index 0
  const rgba = new Uint8Array(640 * 480 * 4).fill(255);
  for (let i = 0; i < rgba.length; i += 4) rgba.set(i === 4 ? [200, 10, 10] : [0, 0, 0], i);
  const { sum } = checksumOf(rgba, palette);
  const picture = { width: 640, height: 480, rgba };
  assert.deepEqual(frameOf(picture, palette, parseChecksums(`frame 7 checksum ${sum}`)), { frame: 7 });
  assert.equal(frameOf(picture, palette, parseChecksums(`frame 7 checksum ${sum}\nframe 9 checksum ${sum}`)).ambiguous, true);
  rgba.set([1, 2, 3], 8);
  assert.match(checksumOf(rgba, palette).error, /1 pixels/);
});

test('a scaled picture comes back only from whole squares and black bars', () => {
  // A 2 x 1 page at scale 2 with a one-pixel bar at the left: 5 x 2 device pixels.
  const row = [[0, 0, 0], [9, 9, 9], [9, 9, 9], [5, 5, 5], [5, 5, 5]];
  const rgba = Uint8Array.from([...row, ...row].flatMap((c) => [...c, 255]));
  const back = unscale({ width: 5, height: 2, rgba }, 2, 1, 0, 2, 1);
  assert.deepEqual(Array.from(back.picture.rgba), [9, 9, 9, 255, 5, 5, 5, 255]);
  rgba[(5 + 4) * 4] = 6;  // one device pixel of the second square differs
  assert.match(unscale({ width: 5, height: 2, rgba }, 2, 1, 0, 2, 1).error, /page pixel 1,0/);
  rgba[(5 + 4) * 4] = 5;
  rgba[0] = 1;  // the bar
  assert.match(unscale({ width: 5, height: 2, rgba }, 2, 1, 0, 2, 1).error, /outside the page/);
});
