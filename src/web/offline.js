// Offline play and updates: the service worker keeps the game for offline play, and a new
// build's worker waits while a game is on; the page takes it between games, or as it loads.
(function() {
'use strict';

// actions: start() (a game on this build).
window.gemwellOffline = function(actions) {
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

  // The first game. Workers run on https and localhost only; a page opened as a file plays
  // without one.
  function begin() {
    if (!('serviceWorker' in navigator) || !window.isSecureContext ||
        location.protocol === 'file:') {
      actions.start();
      return;
    }
    navigator.serviceWorker.getRegistration().then(function(registration) {
      if (registration) {
        watch(registration);
      }
      if (waitingWorker) {
        // A load with a new build waiting: take it before the game starts.
        takeUpdate();
        return;
      }
      actions.start();
      navigator.serviceWorker.register('sw.js').then(watch, function(error) {
        console.warn('gemwell: no offline play: ' + error.message);
      });
    }, actions.start);
  }

  return {
    begin: begin,
    // New game: on a new build if one waits.
    newGame: function() {
      if (waitingWorker) {
        takeUpdate();
      } else {
        actions.start();
      }
    }
  };
};
})();
