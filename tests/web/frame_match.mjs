// Finds which frame of the headless run a picture of the page shows: its
// colours are mapped back to palette indices and hashed as the capture tool
// hashes a frame (FNV-1a over the indices, then over the palette), and the
// hash looked up in the checksums the capture tool printed. A page that the
// headless run shows at more than one frame names no frame at all: a frame
// number, and any rate or order computed from it, comes only from a page
// seen once.
import { inflateSync } from 'node:zlib';

// "frame N checksum HEX" lines: each checksum to its frame, or to null when
// it occurs at more than one.
export function parseChecksums(text) {
  const frames = new Map();
  for (const line of text.split('\n')) {
    const fields = line.trim().split(/\s+/);
    if (fields.length !== 4 || fields[0] !== 'frame') continue;
    const sum = fields[3].toLowerCase();
    frames.set(sum, frames.has(sum) ? null : Number(fields[1]));
  }
  return frames;
}

export function lookUp(frames, sum) {
  if (!frames.has(sum)) return { error: `no frame has checksum ${sum}` };
  const frame = frames.get(sum);
  return frame === null ? { ambiguous: true, error: `checksum ${sum} is at more than one frame` } : { frame };
}

function chunks(png) {
  const found = [];
  for (let at = 8; at + 8 <= png.length;) {
    const length = png.readUInt32BE(at);
    found.push({ type: png.toString('latin1', at + 4, at + 8), data: png.subarray(at + 8, at + 8 + length) });
    at += 12 + length;
  }
  return found;
}

// The 256 colours of an indexed PNG the capture tool wrote, as 768 bytes.
export function paletteOf(png) {
  const plte = chunks(png).find((chunk) => chunk.type === 'PLTE');
  if (!plte) throw new Error('the palette picture has no palette');
  const palette = new Uint8Array(768);
  palette.set(plte.data.subarray(0, 768));
  return palette;
}

// An 8-bit RGB or RGBA PNG, not interlaced (as browsers write them), as RGBA.
export function decodePng(png) {
  const all = chunks(png);
  const header = all.find((chunk) => chunk.type === 'IHDR').data;
  const width = header.readUInt32BE(0), height = header.readUInt32BE(4);
  const depth = header[8], type = header[9], interlaced = header[12];
  if (depth !== 8 || (type !== 2 && type !== 6) || interlaced) throw new Error(`unsupported PNG (depth ${depth}, type ${type})`);
  const channels = type === 6 ? 4 : 3, stride = width * channels;
  const raw = inflateSync(Buffer.concat(all.filter((chunk) => chunk.type === 'IDAT').map((chunk) => chunk.data)));
  const rows = new Uint8Array(stride * height);
  for (let y = 0; y < height; y++) {
    const filter = raw[y * (stride + 1)], line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    const out = y * stride, up = out - stride;
    for (let x = 0; x < stride; x++) {
      const a = x >= channels ? rows[out + x - channels] : 0, b = y > 0 ? rows[up + x] : 0;
      const c = x >= channels && y > 0 ? rows[up + x - channels] : 0;
      let value = line[x];
      if (filter === 1) value += a;
      else if (filter === 2) value += b;
      else if (filter === 3) value += (a + b) >> 1;
      else if (filter === 4) {
        const p = a + b - c, pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
        value += pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      }
      rows[out + x] = value;
    }
  }
  const rgba = new Uint8Array(width * height * 4);
  for (let i = 0; i < width * height; i++) {
    rgba.set(rows.subarray(i * channels, i * channels + 3), i * 4);
    rgba[i * 4 + 3] = 255;
  }
  return { width, height, rgba };
}

// The capture tool's checksum of an RGBA picture of a page, or why there is none.
export function checksumOf(rgba, palette) {
  const indexOf = new Map();
  // Unused slots repeat black; the lowest index of a colour stands for it.
  for (let i = 255; i >= 0; i--) indexOf.set((palette[3 * i] << 16) | (palette[3 * i + 1] << 8) | palette[3 * i + 2], i);
  let hash = 2166136261, strangers = 0;
  for (let at = 0; at < rgba.length; at += 4) {
    const index = indexOf.get((rgba[at] << 16) | (rgba[at + 1] << 8) | rgba[at + 2]);
    if (index === undefined) strangers++;
    hash = Math.imul(hash ^ (index ?? 0), 16777619) >>> 0;
  }
  if (strangers) return { error: `${strangers} pixels have colours outside the palette` };
  for (const value of palette) hash = Math.imul(hash ^ value, 16777619) >>> 0;
  return { sum: hash.toString(16).padStart(8, '0') };
}

// The frame a 640 x 480 RGBA picture shows: { frame } or { error, ambiguous }.
export function frameOf(picture, palette, frames) {
  if (picture.width !== 640 || picture.height !== 480) return { error: `the picture is ${picture.width} x ${picture.height}, not 640 x 480` };
  const { sum, error } = checksumOf(picture.rgba, palette);
  return error ? { error } : lookUp(frames, sum);
}

// A picture of the page drawn at a whole scale, one page pixel to a square
// of scale x scale device pixels at (left, top), back at the page's size;
// an error names the first square that is not one colour, or a bar that is
// not black.
export function unscale(picture, scale, left, top, width = 640, height = 480) {
  const { rgba } = picture, stride = picture.width * 4;
  const out = new Uint8Array(width * height * 4);
  const pixel = (x, y) => {
    const i = y * stride + x * 4;
    return (rgba[i] << 16) | (rgba[i + 1] << 8) | rgba[i + 2];
  };
  for (let y = 0; y < picture.height; y++) {
    for (let x = 0; x < picture.width; x++) {
      const px = Math.floor((x - left) / scale), py = Math.floor((y - top) / scale);
      const inside = x >= left && y >= top && px < width && py < height;
      const colour = pixel(x, y);
      if (!inside) {
        if (colour !== 0) return { error: `device pixel ${x},${y} outside the page is not black` };
        continue;
      }
      const at = (py * width + px) * 4;
      if ((x - left) % scale === 0 && (y - top) % scale === 0) {
        out[at] = colour >> 16; out[at + 1] = (colour >> 8) & 255; out[at + 2] = colour & 255; out[at + 3] = 255;
      } else if (((out[at] << 16) | (out[at + 1] << 8) | out[at + 2]) !== colour) {
        return { error: `page pixel ${px},${py} is not one colour over its ${scale} x ${scale} device pixels` };
      }
    }
  }
  return { picture: { width, height, rgba: out } };
}
