// The page around the game: starting a game and saying how it ended, the on-screen buttons, the
// pause, gamepads, a context that does not come back, and the service worker that keeps the game
// for offline play.
(function() {
'use strict';
var notice = document.getElementById('notice');
var newGame = document.getElementById('new-game');
var confirmBox = document.getElementById('confirm');
var pauseButton = document.getElementById('pause');
var resumeButton = document.getElementById('resume');
var pausedNote = document.getElementById('paused');
var canvas = null;
var game = null;
// A game is on from its start until the page says how it ended.
var playing = false;
var paused = false;
var lostTimer = 0;
// How long a lost context may take to come back while the page is shown.
var kRestoreWaitMs = 3000;
// Held buttons repeat as a held key does: a first repeat after a short delay, then steadily.
var kRepeatDelayMs = 250;
var kRepeatIntervalMs = 50;

// The game's code beside the page, by fetch from a server, or from a page opened as a file
// by XMLHttpRequest, which some browsers allow for files next to the page.
function readWasm() {
  var url = 'gemwell.wasm';
  if (location.protocol !== 'file:') {
    return fetch(url).then(function(response) {
      if (!response.ok) {
        throw new Error(url + ': HTTP status ' + response.status);
      }
      return response.arrayBuffer();
    });
  }
  return new Promise(function(resolve, reject) {
    var request = new XMLHttpRequest();
    request.open('GET', url);
    request.responseType = 'arraybuffer';
    request.onload = function() {
      if (request.response) {
        resolve(request.response);
      } else {
        reject(new Error('no ' + url));
      }
    };
    request.onerror = function() {
      reject(new Error(
          'this browser does not let a page opened from a file read ' + url +
          ' beside it; serve the folder instead (make web-run)'));
    };
    request.send();
  });
}

function showEnd(text) {
  playing = false;
  setPaused(false);
  notice.textContent = text;
  confirmBox.hidden = true;
  newGame.hidden = false;
}

// A lost context that a shown page does not get back within a while ends the game.
function waitForRestore() {
  clearTimeout(lostTimer);
  if (document.visibilityState === 'visible') {
    lostTimer = setTimeout(function() {
      if (game && game.stopGame) {
        game.stopGame();
      }
      showEnd('The graphics were lost and did not come back.');
    }, kRestoreWaitMs);
  }
}

function onContextLost() {
  canvas.lost = true;
  waitForRestore();
}

function onContextRestored() {
  canvas.lost = false;
  clearTimeout(lostTimer);
}

// A canvas whose context is lost for good never gives another: a new game gets a new one.
function takeCanvas() {
  var old = document.getElementById('game');
  if (old.lost) {
    var fresh = old.cloneNode(false);
    old.parentNode.replaceChild(fresh, old);
  }
  canvas = document.getElementById('game');
  if (!canvas.listened) {
    canvas.listened = true;
    canvas.addEventListener('mousedown', function() {
      canvas.focus();
    });
    // A click on the well goes on with the game; a finger must find Resume.
    canvas.addEventListener('pointerdown', function(event) {
      if (event.pointerType === 'mouse') {
        resume();
      }
    });
    canvas.addEventListener('webglcontextlost', onContextLost);
    canvas.addEventListener('webglcontextrestored', onContextRestored);
  }
}

// "Shapes on gems": a mark on each gem, so that the colours differ by outline too. Remembered
// where the browser lets the page store it; where it refuses (a private window), for this visit.
var shapesSwitch = document.getElementById('shapes');
var kShapesKey = 'gemwell-shapes';
var shapesOn = false;
try {
  shapesOn = localStorage.getItem(kShapesKey) === 'on';
} catch (error) {
}

function showShapes(on) {
  shapesOn = on;
  shapesSwitch.setAttribute('aria-checked', on ? 'true' : 'false');
  // A game already running takes it at its next frame; a new one starts with it.
  if (game && game._gemwell_show_shapes) {
    game._gemwell_show_shapes(on ? 1 : 0);
  }
}

showShapes(shapesOn);
shapesSwitch.addEventListener('click', function() {
  showShapes(!shapesOn);
  try {
    localStorage.setItem(kShapesKey, shapesOn ? 'on' : 'off');
  } catch (error) {
  }
  // The game's keys go to the canvas: the switch keeps the focus no longer than its press.
  if (canvas) {
    canvas.focus();
  }
});

function start() {
  var printed = [];
  clearTimeout(lostTimer);
  takeCanvas();
  notice.textContent = '';
  newGame.hidden = true;
  confirmBox.hidden = true;
  setPaused(false);
  playing = true;
  game = {
    canvas: canvas,
    arguments: shapesOn ? ['--shapes'] : [],
    // Every animation frame, paused or not: the pads are read, and a pause asked for before the
    // game's loop began holds from its first frame.
    onFrame: function() {
      if (paused) {
        game.pauseGame();
      }
      pads.poll();
    },
    print: function(line) {
      printed.push(line);
      console.log(line);
    },
    // The game writes to its standard error only when it cannot go on.
    printErr: function(line) {
      console.error(line);
      showEnd(line);
    },
    onGameEnd: function(status) {
      // The module tells its exit statuses as it starts (src/web/exit_statuses.cpp).
      var statuses = this.exitStatuses;
      // At the end of a game the notice is what the game printed; the native game prints
      // the same line on its standard output.
      if (status === statuses.gameOver) {
        showEnd(printed.join(' ') || 'The game is over.');
      } else if (status === statuses.quit) {
        showEnd('You quit the game.');
      } else {
        showEnd('The game stopped (exit status ' + status + ').');
      }
    },
    instantiateWasm: function(imports, receive) {
      readWasm()
          .then(function(bytes) {
            return WebAssembly.instantiate(bytes, imports);
          })
          .then(
              function(result) {
                receive(result.instance, result.module);
              },
              function(error) {
                notice.textContent = 'The game could not load: ' + error.message;
              });
      return {};
    },
    onAbort: function(what) {
      showEnd('The game could not run: ' + what);
    }
  };
  createGemwell(game);
  canvas.focus();
}

// A button press reaches the game as the matching key does, through the canvas's key handler.
function sendKey(key) {
  canvas.dispatchEvent(new KeyboardEvent('keydown', {key: key, bubbles: true, cancelable: true}));
}

// The pause is the page's: the game's loop takes no step and no key meanwhile (webgl_bridge.js),
// and nothing but the player ends it.
function setPaused(on) {
  paused = on;
  pausedNote.textContent = on ? 'Paused' : '';
  resumeButton.hidden = !on;
  pauseButton.classList.toggle('off', on);
}

function pause() {
  if (!playing || paused) {
    return;
  }
  // The Pause button goes from sight: a keyboard's focus on it moves on to Resume.
  var fromButton = document.activeElement === pauseButton;
  setPaused(true);
  if (fromButton) {
    resumeButton.focus();
  }
  if (game.pauseGame) {
    game.pauseGame();
  }
}

function resume() {
  if (!paused) {
    return;
  }
  setPaused(false);
  if (game.resumeGame) {
    game.resumeGame();
  }
  if (confirmBox.hidden) {
    canvas.focus();
  }
}

function togglePause() {
  if (paused) {
    resume();
  } else {
    pause();
  }
}

pauseButton.addEventListener('click', pause);
resumeButton.addEventListener('click', resume);
// p and Escape are the page's, wherever the focus is: taken before the canvas's handler sees
// them, so the game never does.
document.addEventListener('keydown', function(event) {
  var ours = event.key === 'p' || event.key === 'P' || event.key === 'Escape';
  if (!playing || !ours || event.ctrlKey || event.altKey || event.metaKey) {
    return;
  }
  event.preventDefault();
  if (!event.repeat && confirmBox.hidden) {
    togglePause();
  }
}, true);
// A player who looks away comes back to a game that waited.
document.addEventListener('visibilitychange', function() {
  if (document.visibilityState === 'hidden') {
    pause();
  }
});
window.addEventListener('blur', pause);

// Each button follows its own pointer, so a second finger works while the first holds one.
function holdable(button) {
  var key = button.getAttribute('data-key');
  var repeats = button.hasAttribute('data-repeat');
  var pointer = null;
  var timer = 0;

  function release() {
    pointer = null;
    clearTimeout(timer);
    button.classList.remove('held');
  }

  function repeat(delay) {
    timer = setTimeout(function() {
      sendKey(key);
      repeat(kRepeatIntervalMs);
    }, delay);
  }

  button.addEventListener('pointerdown', function(event) {
    if (event.button !== 0 || pointer !== null) {
      return;
    }
    event.preventDefault();
    pointer = event.pointerId;
    button.setPointerCapture(pointer);
    button.classList.add('held');
    sendKey(key);
    if (repeats) {
      repeat(kRepeatDelayMs);
    }
  });
  ['pointerup', 'pointercancel', 'lostpointercapture'].forEach(function(type) {
    button.addEventListener(type, function(event) {
      if (event.pointerId === pointer) {
        release();
      }
    });
  });
  // Enter or space on a focused button: one press.
  button.addEventListener('click', function(event) {
    if (event.detail === 0) {
      sendKey(key);
    }
  });
}

Array.prototype.forEach.call(document.querySelectorAll('.pad button'), holdable);
// The buttons leave the keyboard's focus on the canvas.
Array.prototype.forEach.call(document.querySelectorAll('.pad, #top'), function(pad) {
  pad.addEventListener('mousedown', function(event) {
    event.preventDefault();
  });
});
document.addEventListener('contextmenu', function(event) {
  if (event.target.closest('button, canvas')) {
    event.preventDefault();
  }
});

// Quit asks first: a stray thumb must not end a game.
function askQuit() {
  if (newGame.hidden) {
    confirmBox.hidden = false;
    document.getElementById('confirm-stay').focus();
  }
}
document.getElementById('quit').addEventListener('click', askQuit);
document.getElementById('confirm-stay').addEventListener('click', function() {
  confirmBox.hidden = true;
  canvas.focus();
});
// From a pause too: the game goes on for just the q that ends it.
document.getElementById('confirm-quit').addEventListener('click', function() {
  confirmBox.hidden = true;
  resume();
  sendKey('q');
});

// Pads play as the buttons do (gamepad.js); their Start pauses and goes on, Back quits.
var pads = window.gemwellGamepads({
  send: sendKey,
  pause: togglePause,
  quit: askQuit,
  note: document.getElementById('pad-note'),
  repeatDelayMs: kRepeatDelayMs,
  repeatIntervalMs: kRepeatIntervalMs
});

document.addEventListener('visibilitychange', function() {
  if (canvas && canvas.lost) {
    waitForRestore();
  }
});

// A new build's worker waits while a game is on; the page takes it between games.
var waitingWorker = null;
function takeUpdate() {
  navigator.serviceWorker.addEventListener('controllerchange', function() {
    location.reload();
  });
  waitingWorker.postMessage('activate');
}
function watch(registration) {
  if (registration.waiting && navigator.serviceWorker.controller) {
    waitingWorker = registration.waiting;
  }
  registration.addEventListener('updatefound', function() {
    var worker = registration.installing;
    worker.addEventListener('statechange', function() {
      if (worker.state === 'installed' && navigator.serviceWorker.controller) {
        waitingWorker = worker;
      }
    });
  });
}

newGame.addEventListener('click', function() {
  if (waitingWorker) {
    takeUpdate();
  } else {
    start();
  }
});

// Workers run on https and localhost only; a page opened as a file plays without one.
if ('serviceWorker' in navigator && window.isSecureContext && location.protocol !== 'file:') {
  navigator.serviceWorker.getRegistration().then(function(registration) {
    if (registration) {
      watch(registration);
    }
    if (waitingWorker) {
      // A load with a new build waiting: take it before the game starts.
      takeUpdate();
      return;
    }
    start();
    navigator.serviceWorker.register('sw.js').then(watch, function(error) {
      console.warn('gemwell: no offline play: ' + error.message);
    });
  }, start);
} else {
  start();
}
})();
