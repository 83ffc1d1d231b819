// The page around the game: the session (session.js) and the parts that watch it, each handed
// only the calls it may make. The first game starts once the service worker has had its say.
(function() {
'use strict';
// Held buttons and pads repeat as a held key does: a first repeat after a short delay, then
// steadily.
var kRepeatDelayMs = 250;
var kRepeatIntervalMs = 50;

var notices = null;
var buttons = null;
var shapes = null;
var arcade = null;
var scores = null;
var pads = null;

var session = window.gemwellSession({
  readWasm: function() {
    return notices.readWasm();
  },
  // Every animation frame, paused or not: Start can end a pause.
  frame: function() {
    pads.poll();
  },
  shapes: function() {
    return shapes.on();
  },
  arcade: function() {
    return arcade.on();
  },
  // The status line says each piece of news; an arcade game's end goes into the high scores.
  arcadeNews: function(news, score, level, wells) {
    arcade.news(news, score, level, wells);
    if (news === 'over') {
      scores.record(score, level);
    }
  },
  told: function() {
    notices.showKeys(session.keys);
  },
  failed: function(text) {
    notices.say(text);
  },
  questionOpen: function() {
    return buttons.open();
  }
});

function gameOn() {
  return session.state() !== 'over';
}

var offline = window.gemwellOffline({start: session.start});
notices = window.gemwellNotices({newGame: offline.newGame});
buttons = window.gemwellButtons({
  press: session.press,
  resume: session.resume,
  focus: session.focus,
  gameOn: gameOn,
  repeatDelayMs: kRepeatDelayMs,
  repeatIntervalMs: kRepeatIntervalMs
});
var pause = window.gemwellPause({
  pause: session.pause,
  resume: session.resume,
  togglePause: session.togglePause,
  keys: function() {
    return session.keys('pause');
  },
  gameOn: gameOn,
  questionOpen: buttons.open
});
shapes = window.gemwellShapes({show: session.showShapes, focus: session.focus});
arcade = window.gemwellArcade({focus: session.focus});
scores = window.gemwellHighScores({pause: session.pause, focus: session.focus});
// Pads play as the buttons do; their Start pauses and goes on, Back asks to quit.
pads = window.gemwellGamepads({
  press: session.press,
  pause: session.togglePause,
  quit: buttons.ask,
  note: document.getElementById('pad-note'),
  repeatDelayMs: kRepeatDelayMs,
  repeatIntervalMs: kRepeatIntervalMs
});

session.watch(notices.show);
session.watch(buttons.show);
session.watch(pause.show);
session.watch(arcade.show);
session.watch(scores.show);
offline.begin();
})();
