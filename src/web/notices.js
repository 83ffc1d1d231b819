// Loading and notices: the game's code read beside the page, the notice over the well (how a
// game ended, or why it could not start), New game, and the keys line, filled in from the keys
// the module tells.
(function() {
'use strict';

// The game's code beside the page, by fetch from a server, or from a page opened as a file by
// XMLHttpRequest, which some browsers allow for files next to the page.
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

// actions: newGame() (New game pressed).
window.gemwellNotices = function(actions) {
  var notice = document.getElementById('notice');
  var newGame = document.getElementById('new-game');
  newGame.addEventListener('click', actions.newGame);

  function kbd(text) {
    var key = document.createElement('kbd');
    key.textContent = text;
    return key;
  }

  return {
    readWasm: readWasm,
    // A notice that leaves the game where it is: its code could not load.
    say: function(text) {
      notice.textContent = text;
    },
    // The session's watcher: a game starting clears the notice, one over says how it ended.
    show: function(state, before, text) {
      if (state === 'loading') {
        notice.textContent = '';
        newGame.hidden = true;
      } else if (state === 'over') {
        notice.textContent = text;
        newGame.hidden = false;
      }
    },
    // Each command in the keys line gets its keys before its words: "z or ← left".
    showKeys: function(keysOf) {
      var words = document.querySelectorAll('#keys [data-command]');
      Array.prototype.forEach.call(words, function(word) {
        var keys = keysOf(word.getAttribute('data-command'));
        keys.forEach(function(key, i) {
          word.parentNode.insertBefore(kbd(key.label), word);
          word.parentNode.insertBefore(
              document.createTextNode(i + 1 < keys.length ? ' or ' : ' '), word);
        });
      });
    }
  };
};
})();
