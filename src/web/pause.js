// The player's ways to pause and go on: Pause, Resume, and the page's own pause keys, which are
// taken before the canvas's handler sees them, so the game never does. What the page shows of a
// pause: "Paused" over the well and Resume in place of Pause. The session keeps the pause itself.
(function() {
'use strict';

// actions: pause(), resume(), togglePause(), keys() (the pause keys, as the module tells them),
// gameOn() (whether a game is on to pause), questionOpen() (whether Quit's question is open).
window.gemwellPause = function(actions) {
  var pauseButton = document.getElementById('pause');
  var resumeButton = document.getElementById('resume');
  var note = document.getElementById('paused');

  pauseButton.addEventListener('click', actions.pause);
  resumeButton.addEventListener('click', actions.resume);
  // Enter held on Pause: the focus moves on to Resume, which the key's first repeat would press.
  [pauseButton, resumeButton].forEach(function(button) {
    button.addEventListener('keydown', function(event) {
      if (event.repeat) {
        event.preventDefault();
      }
    });
  });

  function ours(event) {
    var key = event.key.toLowerCase();
    return actions.keys().some(function(pauseKey) {
      return pauseKey.key.toLowerCase() === key;
    });
  }

  // Wherever the focus is; a key held down does not pause and go on by itself.
  document.addEventListener('keydown', function(event) {
    if (!actions.gameOn() || event.ctrlKey || event.altKey || event.metaKey || !ours(event)) {
      return;
    }
    event.preventDefault();
    if (!event.repeat && !actions.questionOpen()) {
      actions.togglePause();
    }
  }, true);

  return {
    // The session's watcher.
    show: function(state) {
      var on = state === 'paused';
      // The Pause button goes from sight: a keyboard's focus on it moves on to Resume.
      var fromButton = on && document.activeElement === pauseButton;
      note.textContent = on ? 'Paused' : '';
      resumeButton.hidden = !on;
      pauseButton.classList.toggle('off', on);
      if (fromButton) {
        resumeButton.focus();
      }
    }
  };
};
})();
