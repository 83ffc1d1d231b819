// The session: one game at a time on its canvas, and the one place that knows whether it is
// loading, playing, paused or over. Everything the page and the game's module say to each other
// passes here (src/web/README.md lists it). The page's other parts watch the state and act
// through the calls returned below.
(function() {
'use strict';
// How long a lost context may take to come back while the page is shown.
var kRestoreWaitMs = 3000;

// page: readWasm() (a promise of the game's code), frame() (every animation frame, paused or
// not), shapes() (whether a new game starts with the gems' marks), arcade() (whether a new game
// is an arcade one), arcadeNews(news, score, level, wells) (an arcade game's new level, lost well
// or end, as the module tells it), told(bindings) (the keys, as
// the module tells them), failed(text) (the game's code could not load), questionOpen()
// (whether Quit's question holds the keyboard's focus).
window.gemwellSession = function(page) {
  var state = 'loading';
  var watchers = [];
  var canvas = null;
  var module = null;
  // The module's exports can be called once its runtime is up.
  var ready = false;
  // The keys, by command, as the first module told them: the same for every game.
  var bindings = null;
  var lostTimer = 0;

  function set(next, text) {
    var before = state;
    state = next;
    watchers.forEach(function(watcher) {
      watcher(next, before, text);
    });
  }

  function end(text) {
    clearTimeout(lostTimer);
    set('over', text);
  }

  function focus() {
    if (canvas) {
      canvas.focus();
    }
  }

  function pause() {
    if (state === 'loading' || state === 'playing') {
      set('paused');
    }
  }

  // The game goes on from where it stood, its clock taking up from now rather than from the last
  // frame before the pause; the keys go back to the canvas unless Quit's question is open.
  function resume() {
    if (state !== 'paused') {
      return;
    }
    set('playing');
    if (ready) {
      module._gemwell_page_resume();
    }
    if (!page.questionOpen()) {
      focus();
    }
  }

  // A command reaches the game as its first key does, through the canvas's key handler.
  function press(command) {
    var keys = bindings && bindings[command];
    if (keys && canvas) {
      canvas.dispatchEvent(
          new KeyboardEvent('keydown', {key: keys[0].key, bubbles: true, cancelable: true}));
    }
  }

  // A lost context that a shown page does not get back within a while ends the game.
  function waitForRestore() {
    clearTimeout(lostTimer);
    if (document.visibilityState === 'visible') {
      lostTimer = setTimeout(function() {
        if (module && module.stopGame) {
          module.stopGame();
        }
        end('The graphics were lost and did not come back.');
      }, kRestoreWaitMs);
    }
  }

  // A canvas whose context is lost for good never gives another: a new game gets a new one.
  function takeCanvas() {
    var old = document.getElementById('game');
    if (old.lost) {
      old.parentNode.replaceChild(old.cloneNode(false), old);
    }
    canvas = document.getElementById('game');
    if (canvas.listened) {
      return;
    }
    var taken = canvas;
    taken.listened = true;
    taken.addEventListener('mousedown', function() {
      taken.focus();
    });
    // A click on the well goes on with the game; a finger must find Resume.
    taken.addEventListener('pointerdown', function(event) {
      if (event.pointerType === 'mouse') {
        resume();
      }
    });
    taken.addEventListener('webglcontextlost', function() {
      taken.lost = true;
      waitForRestore();
    });
    taken.addEventListener('webglcontextrestored', function() {
      taken.lost = false;
      clearTimeout(lostTimer);
    });
  }

  // The module for one game: what the page hands it, and what it calls back.
  function newModule() {
    var printed = [];
    var made = {
      canvas: canvas,
      // The choices as the game starts: a switch pressed later changes the next game.
      arguments: (page.shapes() ? ['--shapes'] : []).concat(page.arcade() ? ['--arcade'] : []),
      // Read by the loop (webgl_bridge.js) each frame and each key.
      isPaused: function() {
        return state === 'paused';
      },
      onFrame: page.frame,
      // From page_api.cpp: "level", "well", or "over" with the final score before the game ends.
      arcadeNews: page.arcadeNews,
      // The module has told its exit statuses and keys (page_api.cpp); main comes next.
      onRuntimeInitialized: function() {
        ready = true;
        if (!bindings) {
          bindings = made.bindings;
          page.told(bindings);
        }
        if (state === 'loading') {
          set('playing');
        }
      },
      print: function(line) {
        printed.push(line);
        console.log(line);
      },
      // The game writes to its standard error only when it cannot go on.
      printErr: function(line) {
        console.error(line);
        end(line);
      },
      // At the end of a game the notice is what the game printed; the native game prints the
      // same line on its standard output.
      onGameEnd: function(status) {
        var statuses = made.exitStatuses;
        if (status === statuses.gameOver) {
          end(printed.join(' ') || 'The game is over.');
        } else if (status === statuses.quit) {
          end('You quit the game.');
        } else {
          end('The game stopped (exit status ' + status + ').');
        }
      },
      instantiateWasm: function(imports, receive) {
        page.readWasm()
            .then(function(bytes) {
              return WebAssembly.instantiate(bytes, imports);
            })
            .then(
                function(result) {
                  receive(result.instance, result.module);
                },
                function(error) {
                  page.failed('The game could not load: ' + error.message);
                });
        return {};
      },
      onAbort: function(what) {
        end('The game could not run: ' + what);
      }
    };
    return made;
  }

  function start() {
    clearTimeout(lostTimer);
    takeCanvas();
    ready = false;
    set('loading');
    module = newModule();
    createGemwell(module);
    canvas.focus();
  }

  // A player who looks away comes back to a game that waited; a page shown again with its
  // context still lost waits for it anew.
  document.addEventListener('visibilitychange', function() {
    if (document.visibilityState === 'hidden') {
      pause();
    }
    if (canvas && canvas.lost) {
      waitForRestore();
    }
  });
  window.addEventListener('blur', pause);

  return {
    start: start,
    pause: pause,
    resume: resume,
    togglePause: function() {
      if (state === 'paused') {
        resume();
      } else {
        pause();
      }
    },
    press: press,
    focus: focus,
    // A running game takes the marks at its next frame; a new one starts with them.
    showShapes: function(on) {
      if (ready) {
        module._gemwell_page_show_shapes(on ? 1 : 0);
      }
    },
    // The keys of a command (the page's own "pause" too), [] before the module has told them.
    keys: function(command) {
      return (bindings && bindings[command]) || [];
    },
    state: function() {
      return state;
    },
    // fn(state, before, text): after each change; text is the notice of a game that is over.
    watch: function(watcher) {
      watchers.push(watcher);
    }
  };
};
})();
