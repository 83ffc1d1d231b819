// The on-screen buttons: each press is its command's key (held Soft drop repeats as a held key
// does), and Quit, which asks first, since a stray thumb must not end a game.
(function() {
'use strict';

// actions: press(command), resume(), focus() (the keys back to the canvas), gameOn() (whether a
// game is on to quit), repeatDelayMs, repeatIntervalMs.
window.gemwellButtons = function(actions) {
  var confirmBox = document.getElementById('confirm');

  // Each button follows its own pointer, so a second finger works while the first holds one.
  function holdable(button) {
    var command = button.getAttribute('data-command');
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
        actions.press(command);
        repeat(actions.repeatIntervalMs);
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
      actions.press(command);
      if (repeats) {
        repeat(actions.repeatDelayMs);
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
        actions.press(command);
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

  function ask() {
    if (actions.gameOn()) {
      confirmBox.hidden = false;
      document.getElementById('confirm-stay').focus();
    }
  }
  document.getElementById('quit').addEventListener('click', ask);
  document.getElementById('confirm-stay').addEventListener('click', function() {
    confirmBox.hidden = true;
    actions.focus();
  });
  // From a pause too: the game goes on for just the key that ends it.
  document.getElementById('confirm-quit').addEventListener('click', function() {
    confirmBox.hidden = true;
    actions.resume();
    actions.press('quit');
  });

  return {
    ask: ask,
    open: function() {
      return !confirmBox.hidden;
    },
    // The session's watcher: a game that starts or ends asks nothing.
    show: function(state) {
      if (state === 'loading' || state === 'over') {
        confirmBox.hidden = true;
      }
    }
  };
};
})();
