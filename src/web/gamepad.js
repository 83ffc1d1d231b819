// Gamepads, read once an animation frame (the page calls poll), play as the on-screen buttons do:
// each press is its command, which reaches the game as the command's key. Buttons by the standard
// mapping's numbers; a pad without that mapping gets the same numbers, where it has them.
(function() {
'use strict';
// The standard mapping's buttons.
var kA = 0;
var kB = 1;
var kX = 2;
var kBack = 8;
var kStart = 9;
var kUp = 12;
var kDown = 13;
var kLeft = 14;
var kRight = 15;
// A stick counts as pushed past half way: a resting stick that drifts a little moves nothing.
var kDeadZone = 0.5;
var kNoteMs = 8000;
var kNote = ' connected: d-pad or left stick moves, down soft drop, up or B hard drop, ' +
    'A or X cycle colours, Start pause, Back quit.';

// actions: press(command), pause() (Start: pause or go on), quit() (Back: ask to quit), note (the
// element that says a pad is connected), repeatDelayMs, repeatIntervalMs.
window.gemwellGamepads = function(actions) {
  // What each pad held at the last poll, and its Soft drop repeat, by the pad's index.
  var seen = {};
  var noteTimer = 0;

  function pressed(pad, index) {
    var button = pad.buttons[index];
    return !!button && (button.pressed || button.value > 0.5);
  }

  function axis(pad, index) {
    var value = pad.axes[index];
    return typeof value === 'number' ? value : 0;
  }

  function held(pad) {
    var x = axis(pad, 0);
    var y = axis(pad, 1);
    return {
      left: pressed(pad, kLeft) || x < -kDeadZone,
      right: pressed(pad, kRight) || x > kDeadZone,
      soft: pressed(pad, kDown) || y > kDeadZone,
      hard: pressed(pad, kUp) || pressed(pad, kB) || y < -kDeadZone,
      cycle: pressed(pad, kA) || pressed(pad, kX),
      pause: pressed(pad, kStart),
      quit: pressed(pad, kBack)
    };
  }

  function say(pad) {
    actions.note.textContent = 'Gamepad ' + (pad.index + 1) + kNote;
    clearTimeout(noteTimer);
    noteTimer = setTimeout(function() {
      actions.note.textContent = '';
    }, kNoteMs);
  }

  // Soft drop repeats while held, on the touch button's timing.
  function repeat(state, delay) {
    state.timer = setTimeout(function() {
      actions.press('softDrop');
      repeat(state, actions.repeatIntervalMs);
    }, delay);
  }

  function update(state, now) {
    var before = state.held;
    state.held = now;
    if (now.left && !before.left) {
      actions.press('moveLeft');
    }
    if (now.right && !before.right) {
      actions.press('moveRight');
    }
    if (now.cycle && !before.cycle) {
      actions.press('cycleColours');
    }
    if (now.hard && !before.hard) {
      actions.press('hardDrop');
    }
    if (now.soft && !before.soft) {
      actions.press('softDrop');
      repeat(state, actions.repeatDelayMs);
    } else if (!now.soft) {
      clearTimeout(state.timer);
    }
    if (now.pause && !before.pause) {
      actions.pause();
    }
    if (now.quit && !before.quit) {
      actions.quit();
    }
  }

  // A page the browser denies the pads (a frame without the permission) plays on without them.
  function readPads() {
    try {
      return navigator.getGamepads ? navigator.getGamepads() : [];
    } catch (error) {
      return [];
    }
  }

  function poll() {
    var pads = readPads();
    var present = {};
    for (var i = 0; i < pads.length; ++i) {
      var pad = pads[i];
      if (!pad || !pad.connected) {
        continue;
      }
      present[pad.index] = true;
      var state = seen[pad.index];
      if (!state) {
        // A new pad starts from nothing held, so a button it comes with counts as a press.
        state = seen[pad.index] = {held: {}, timer: 0};
        say(pad);
      }
      update(state, held(pad));
    }
    Object.keys(seen).forEach(function(index) {
      if (!present[index]) {
        clearTimeout(seen[index].timer);
        delete seen[index];
      }
    });
  }

  return {poll: poll};
};
})();
