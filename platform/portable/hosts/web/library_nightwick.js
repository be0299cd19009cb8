// The page's side of the browser host (host_web.cpp): the canvas, and the
// keys and visibility changes queued until the program's message loop
// takes them.
mergeInto(LibraryManager.library, {
  $NightwickWeb: {
    events: [],
    wake: null,
    listeners: [],
    hidden: false,
    blurred: false,
    active: true,
    context: null,
    image: null,
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
    web.listen(window, 'keydown', function(event) {
      if (event.ctrlKey || event.altKey || event.metaKey) return;
      if (event.keyCode > 0 && event.keyCode < 256) {
        event.preventDefault();
        web.queue(1, event.keyCode);
      }
    });
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
      return {frames: web.frames, intervals: web.intervals.slice()};
    };
  },

  nightwick_web_uninstall__deps: ['$NightwickWeb'],
  nightwick_web_uninstall: function() {
    NightwickWeb.listeners.forEach(function(entry) {
      entry[0].removeEventListener(entry[1], entry[2]);
    });
    NightwickWeb.listeners = [];
  },

  nightwick_web_set_mode__deps: ['$NightwickWeb'],
  nightwick_web_set_mode: function(width, height) {
    var canvas = Module['canvas'];
    if (!canvas) return 0;
    canvas.width = width;
    canvas.height = height;
    NightwickWeb.context = canvas.getContext('2d', {alpha: false});
    if (!NightwickWeb.context) return 0;
    NightwickWeb.image = NightwickWeb.context.createImageData(width, height);
    return 1;
  },

  nightwick_web_present__deps: ['$NightwickWeb'],
  nightwick_web_present: function(rgba, width, height) {
    var web = NightwickWeb;
    if (!web.image || web.image.width !== width || web.image.height !== height) return;
    web.image.data.set(HEAPU8.subarray(rgba, rgba + width * height * 4));
    web.context.putImageData(web.image, 0, 0);
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
