// The page's side of the browser host (host_web.cpp): the canvas, and the
// keys and visibility changes queued until the program's message loop
// takes them. Each flipped page is put on a canvas of its own size, then
// copied onto the visible canvas, which has one pixel per device pixel, at
// the largest whole scale that fits: every page pixel a square of equal
// device pixels, black bars around.
mergeInto(LibraryManager.library, {
  $NightwickWeb: {
    events: [],
    wake: null,
    listeners: [],
    hidden: false,
    blurred: false,
    active: true,
    context: null,
    page: null,        // the flipped page at its own size
    pageContext: null,
    image: null,
    scale: 0,          // device pixels per page pixel; fractional only when even 1 does not fit
    placed: [0, 0, 0, 0],  // x, y, width, height of the page on the visible canvas
    fittedRatio: 0,
    deviceSize: null,  // the canvas's box in device pixels as the browser measured it, and the ratio then
    keysQueued: 0,
    frames: 0,
    lastPresent: 0,
    intervals: [],

    // Kind in the upper half, value below, as host_web.cpp reads them.
    queue: function(kind, value) {
      NightwickWeb.events.push(kind * 65536 + value);
      var wake = NightwickWeb.wake;
      NightwickWeb.wake = null;
      if (wake) wake();
    },

    // The program runs while the page is shown and has the focus.
    update: function() {
      var active = !NightwickWeb.hidden && !NightwickWeb.blurred;
      if (active === NightwickWeb.active) return;
      NightwickWeb.active = active;
      NightwickWeb.lastPresent = 0;  // the pause is no frame interval
      NightwickWeb.queue(2, active ? 1 : 0);
    },

    // The canvas fills the page's container: its backing store is sized in
    // device pixels so nothing is resampled after us.
    fit: function() {
      var web = NightwickWeb, canvas = Module['canvas'];
      if (!canvas || !web.page) return;
      // The browser's own measure is exact, but not every change of ratio
      // is followed by one: one taken at another ratio is estimated anew.
      var width, height, ratio = window.devicePixelRatio || 1;
      if (web.deviceSize && web.deviceSize[2] === ratio) {
        width = web.deviceSize[0];
        height = web.deviceSize[1];
      } else {
        width = Math.round(canvas.clientWidth * ratio);
        height = Math.round(canvas.clientHeight * ratio);
      }
      web.fittedRatio = ratio;
      width = Math.max(width, 1);
      height = Math.max(height, 1);
      if (canvas.width !== width || canvas.height !== height || !web.context) {
        canvas.width = width;  // clears it to black, the bars
        canvas.height = height;
        web.context = canvas.getContext('2d', {alpha: false});
      }
      var pageWidth = web.page.width, pageHeight = web.page.height;
      var fits = Math.min(width / pageWidth, height / pageHeight);
      // A smaller window than the page: nearest pixels, some a device
      // pixel wider than others, rather than a blur.
      var scale = fits >= 1 ? Math.floor(fits) : fits;
      var drawnWidth = Math.round(pageWidth * scale), drawnHeight = Math.round(pageHeight * scale);
      web.scale = scale;
      web.placed = [(width - drawnWidth) >> 1, (height - drawnHeight) >> 1, drawnWidth, drawnHeight];
      web.context.imageSmoothingEnabled = false;
      web.context.fillStyle = '#000';
      web.context.fillRect(0, 0, width, height);
      web.draw();
    },

    draw: function() {
      var web = NightwickWeb, p = web.placed;
      web.context.drawImage(web.page, 0, 0, web.page.width, web.page.height, p[0], p[1], p[2], p[3]);
    },

    // A new device pixel ratio (another screen, the browser's zoom) is
    // told only to a query for the old one.
    ratioQuery: null,
    watchRatio: function() {
      var web = NightwickWeb;
      if (web.ratioQuery) web.ratioQuery.removeEventListener('change', web.ratioChanged);
      web.ratioQuery = window.matchMedia ? window.matchMedia('(resolution: ' + (window.devicePixelRatio || 1) + 'dppx)') : null;
      if (web.ratioQuery) web.ratioQuery.addEventListener('change', web.ratioChanged);
    },
    ratioChanged: function() {
      NightwickWeb.fit();
      NightwickWeb.watchRatio();
    },
    observer: null,

    listen: function(target, type, handler) {
      target.addEventListener(type, handler);
      NightwickWeb.listeners.push([target, type, handler]);
    },
  },

  nightwick_web_install__deps: ['$NightwickWeb'],
  nightwick_web_install: function() {
    var web = NightwickWeb;
    // Plain keys belong to the program, as they would to a full-screen
    // window; shortcuts with Ctrl, Alt or Meta stay the browser's. DOM key
    // codes are the platform's virtual keys.
    // The page may keep a few keys for itself (full screen).
    web.listen(window, 'keydown', function(event) {
      if (event.ctrlKey || event.altKey || event.metaKey) return;
      if (Module['onPageKey'] && Module['onPageKey'](event)) {
        event.preventDefault();
        return;
      }
      if (event.keyCode > 0 && event.keyCode < 256) {
        event.preventDefault();
        web.keysQueued++;
        web.queue(1, event.keyCode);
      }
    });
    var canvas = Module['canvas'];
    if (canvas && typeof ResizeObserver !== 'undefined') {
      web.observer = new ResizeObserver(function(entries) {
        var box = entries[0].devicePixelContentBoxSize;
        web.deviceSize = box && box[0] ? [box[0].inlineSize, box[0].blockSize, window.devicePixelRatio || 1] : null;
        web.fit();
      });
      try {
        web.observer.observe(canvas, {box: 'device-pixel-content-box'});
      } catch (e) {  // a browser that cannot measure in device pixels
        web.observer.observe(canvas);
      }
    }
    web.listen(window, 'resize', function() { web.fit(); });
    web.watchRatio();
    web.listen(document, 'visibilitychange', function() {
      web.hidden = document.visibilityState === 'hidden';
      web.update();
    });
    web.listen(window, 'blur', function() {
      web.blurred = true;
      web.update();
    });
    web.listen(window, 'focus', function() {
      web.blurred = false;
      web.update();
    });
    web.hidden = document.visibilityState === 'hidden';
    web.update();
    Module['nightwickStats'] = function() {
      return {frames: web.frames, intervals: web.intervals.slice(), keys: web.keysQueued, scale: web.scale,
              placed: web.placed.slice(), canvas: [canvas ? canvas.width : 0, canvas ? canvas.height : 0]};
    };
    // The flipped page itself, at its own size.
    Module['nightwickPage'] = function() { return web.page; };
  },

  nightwick_web_uninstall__deps: ['$NightwickWeb'],
  nightwick_web_uninstall: function() {
    NightwickWeb.listeners.forEach(function(entry) {
      entry[0].removeEventListener(entry[1], entry[2]);
    });
    NightwickWeb.listeners = [];
    if (NightwickWeb.observer) NightwickWeb.observer.disconnect();
    if (NightwickWeb.ratioQuery) NightwickWeb.ratioQuery.removeEventListener('change', NightwickWeb.ratioChanged);
    NightwickWeb.observer = NightwickWeb.ratioQuery = null;
  },

  nightwick_web_set_mode__deps: ['$NightwickWeb'],
  nightwick_web_set_mode: function(width, height) {
    var web = NightwickWeb;
    if (!Module['canvas']) return 0;
    web.page = document.createElement('canvas');
    web.page.width = width;
    web.page.height = height;
    web.pageContext = web.page.getContext('2d', {alpha: false});
    if (!web.pageContext) return 0;
    web.image = web.pageContext.createImageData(width, height);
    web.fit();
    return web.context ? 1 : 0;
  },

  nightwick_web_present__deps: ['$NightwickWeb'],
  nightwick_web_present: function(rgba, width, height, areas, count) {
    var web = NightwickWeb;
    if (!web.image || web.image.width !== width || web.image.height !== height) return;
    // Only the changed rectangles are copied and put on the page's canvas;
    // the image keeps the rest from before.
    var data = web.image.data;
    for (var i = 0; i < count; i++) {
      var x = HEAP32[(areas >> 2) + 4 * i], y = HEAP32[(areas >> 2) + 4 * i + 1];
      var w = HEAP32[(areas >> 2) + 4 * i + 2], h = HEAP32[(areas >> 2) + 4 * i + 3];
      for (var row = y; row < y + h; row++) {
        var start = (row * width + x) * 4;
        data.set(HEAPU8.subarray(rgba + start, rgba + start + w * 4), start);
      }
      web.pageContext.putImageData(web.image, 0, 0, x, y, w, h);
    }
    // Not every browser tells of every change of ratio (an emulated one,
    // for one): a frame at another ratio than the canvas was fitted for
    // fits it first.
    if ((window.devicePixelRatio || 1) !== web.fittedRatio) web.fit();
    else if (count > 0) web.draw();
    var now = performance.now();
    if (web.lastPresent !== 0 && web.intervals.length < 100000) web.intervals.push(now - web.lastPresent);
    web.lastPresent = now;
    web.frames++;
  },

  nightwick_web_next_event__deps: ['$NightwickWeb'],
  nightwick_web_next_event: function() {
    return NightwickWeb.events.length ? NightwickWeb.events.shift() : 0;
  },

  // Suspends the program until the page queues an event.
  nightwick_web_wait__deps: ['$NightwickWeb'],
  nightwick_web_wait: function() {
    return Asyncify.handleSleep(function(wakeUp) {
      if (NightwickWeb.events.length) {
        setTimeout(wakeUp, 0);
      } else {
        NightwickWeb.wake = function() { setTimeout(wakeUp, 0); };
      }
    });
  },

  nightwick_web_message: function(caption, text) {
    var report = Module['onMessage'] || function(c, t) { console.log(c + ': ' + t); };
    report(UTF8ToString(caption), UTF8ToString(text));
  },

  nightwick_web_cursor: function(visible) {
    if (Module['canvas']) Module['canvas'].style.cursor = visible ? '' : 'none';
  },

  nightwick_web_ended: function(code) {
    if (Module['onEnded']) Module['onEnded'](code);
  },
});
