// The page's clock, keys and shots, as the harness sees them (game_page.py): a function of the
// fixed calendar time in milliseconds and the frames' pace while the harness is not waiting on
// the page (idleMs, 0 for every vsync's), called before any script of the page.
//
// Calendar time: the fixed epoch plus the steps.
// Monotonic time: the steps alone. It also counts the clock's readings (the game takes one a
// frame) and the animation frames, notes on the real clock when the first draw came and the
// canvas's size then, and whether each key was kept from the page and how many readings there
// had been when it came (keyReadings, to wait for a frame after it); on request it reads the
// canvas's own pixels back after a frame, as a PNG. (A read-back after every frame would starve
// the browser: a service worker's update never comes.) On request the monotonic clock runs on
// in real time, from `realBase`, or while the page is hidden (`realOnHide`); its readings are
// logged, each with whether an animation frame took it. On request (keepBlur) the window's blur
// is kept from the page, as a phone may hide a page without blurring it. The keys that reach the
// game itself, past the page, are logged as the game's module is handed them (gameKeys). Clicks
// are counted, for a tap on a button that is no key to wait for. While the harness is not waiting
// on the page (`waiting`), the stepped clock's frames come slowly.
(epochMs, idleMs) => {
  const realNow = performance.now.bind(performance);
  const clock = {
    epochMs: epochMs,
    stepped: 0,
    readings: 0,
    frames: 0,
    firstDraw: -1,
    firstSize: null,
    keys: [],
    keyReadings: [],
    shoot: false,
    shot: null,
    held: false,
    frame: null,
    realBase: null,
    realOnHide: false,
    log: null,
    inFrame: false,
    drew: false,
    gameKeys: [],
    keepBlur: false,
    clicks: 0,
    waitingUntil: 0,
    idleMs: idleMs,
    idle: null,
    idleFrame: null
  };
  clock.realNow = realNow;
  performance.now = () => {
    clock.readings += 1;
    const real = clock.realBase === null ? 0 : realNow() - clock.realBase;
    const now = clock.stepped + real;
    if (clock.log !== null) {
      clock.log.push([now, clock.inFrame]);
    }
    return now;
  };
  addEventListener('blur', (event) => {
    if (clock.keepBlur && event.target === window) {
      event.stopImmediatePropagation();
    }
  }, true);
  document.addEventListener('visibilitychange', () => {
    if (!clock.realOnHide) {
      return;
    }
    if (document.visibilityState === 'hidden') {
      clock.realBase = realNow();
    } else if (clock.realBase !== null) {
      clock.stepped += realNow() - clock.realBase;
      clock.realBase = null;
    }
  });
  let factory = null;
  Object.defineProperty(window, 'createGemwell', {
    configurable: true,
    get: () => factory,
    set: (made) => {
      factory = (module) => {
        // The game's module, for a test that plays its side of the contract with the page.
        clock.module = module;
        let keyed = null;
        Object.defineProperty(module, '_gemwell_web_key', {
          configurable: true,
          enumerable: true,
          get: () => keyed,
          set: (f) => {
            keyed = typeof f !== 'function' ? f : (key, special) => {
              clock.gameKeys.push([key, special]);
              return f(key, special);
            };
          },
        });
        return made(module);
      };
    },
  });
  Date.now = () => clock.epochMs + clock.stepped;
  const drawElements = WebGLRenderingContext.prototype.drawElements;
  let context = null;
  WebGLRenderingContext.prototype.drawElements = function() {
    if (clock.firstDraw < 0) {
      clock.firstDraw = realNow();
      clock.firstSize = [this.canvas.width, this.canvas.height];
    }
    context = this;
    clock.drew = true;
    return drawElements.apply(this, arguments);
  };
  const requestFrame = requestAnimationFrame.bind(window);
  const shoot = (gl) => {
    const width = gl.drawingBufferWidth;
    const height = gl.drawingBufferHeight;
    const pixels = new Uint8Array(width * height * 4);
    gl.readPixels(0, 0, width, height, gl.RGBA, gl.UNSIGNED_BYTE, pixels);
    const page = document.createElement('canvas');
    page.width = width;
    page.height = height;
    const image = page.getContext('2d').createImageData(width, height);
    const row = width * 4;
    for (let y = 0; y < height; ++y) {  // GL's rows run from the bottom up
      image.data.set(pixels.subarray((height - 1 - y) * row, (height - y) * row), y * row);
    }
    page.getContext('2d').putImageData(image, 0, 0);
    return page.toDataURL('image/png');
  };
  window.requestAnimationFrame = (callback) => {
    // The bench holds the loop and calls its frame itself.
    clock.frame = callback;
    if (clock.held) {
      return 0;
    }
    const frame = (stamp) => {
      clock.frames += 1;
      clock.drew = false;
      clock.inFrame = true;
      callback(stamp);
      clock.inFrame = false;
      if (clock.drew && clock.shoot) {
        clock.shoot = false;
        clock.shot = shoot(context);
      }
    };
    // On the stepped clock a frame the harness is not waiting for draws the same picture again:
    // while it does something else (compares shots, runs the native game) one comes every
    // idleMs, not every vsync. On the real clock every frame comes.
    const waited = realNow() < clock.waitingUntil || clock.idleMs === 0;
    if (waited || clock.realBase !== null || clock.realOnHide) {
      return requestFrame(frame);
    }
    clock.idleFrame = frame;
    clock.idle = setTimeout(() => {
      clock.idle = null;
      requestFrame(frame);
    }, clock.idleMs);
    return 0;
  };
  // Each look of the harness's at the page while it waits says so for the next `millis`: a
  // frame held back comes at once.
  clock.waiting = (millis) => {
    clock.waitingUntil = realNow() + millis;
    if (clock.idle !== null) {
      clearTimeout(clock.idle);
      clock.idle = null;
      requestFrame(clock.idleFrame);
    }
  };
  clock.context = () => context;
  addEventListener('click', () => {
    clock.clicks += 1;
  });
  addEventListener('keydown', (event) => {
    clock.keys.push([event.key, event.defaultPrevented]);
    clock.keyReadings.push(clock.readings);
  });
  window.gemwellTestClock = clock;
}
