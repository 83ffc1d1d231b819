// "Arcade": the choice of a game with a score, levels and the next column, taken at New game
// (never in the middle of a game), remembered where the browser lets the page store it and for
// the visit where it refuses; and the status line that says the score, the level and the wells
// left to a player who cannot see the game's own display, at the moments worth it only.
(function() {
'use strict';
var kArcadeKey = 'gemwell-arcade';

function wells(count) {
  return count === 1 ? '1 well left' : count + ' wells left';
}

// actions: focus() (the keys back to the canvas).
window.gemwellArcade = function(actions) {
  var arcadeSwitch = document.getElementById('arcade');
  var status = document.getElementById('arcade-status');
  var on = false;
  try {
    on = localStorage.getItem(kArcadeKey) === 'on';
  } catch (error) {
  }

  function show(next) {
    on = next;
    arcadeSwitch.setAttribute('aria-checked', on ? 'true' : 'false');
  }

  show(on);
  arcadeSwitch.addEventListener('click', function() {
    show(!on);
    try {
      localStorage.setItem(kArcadeKey, on ? 'on' : 'off');
    } catch (error) {
    }
    actions.focus();
  });

  return {
    // Read by the session as a game starts: the choice holds from then to that game's end.
    on: function() {
      return on;
    },
    // The module's news (session.js): said once each, never for an ordinary clear.
    news: function(news, score, level, wellsLeft) {
      if (news === 'level') {
        status.textContent = 'Level ' + level + '. Score ' + score + ', ' + wells(wellsLeft) + '.';
      } else if (news === 'well') {
        status.textContent =
            'A well is lost: ' + wells(wellsLeft) + '. Score ' + score + ', level ' + level + '.';
      } else if (news === 'over') {
        status.textContent = 'Game over. Final score ' + score + ', level ' + level + '.';
      }
    },
    // A new game starts with nothing said.
    show: function(state) {
      if (state === 'loading') {
        status.textContent = '';
      }
    }
  };
};
})();
