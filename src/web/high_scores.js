// The arcade high scores: the top ten (score, level, date), kept in the browser's storage. Where
// the storage throws or is full they last for the visit, and the page says so once. A stored
// value the page cannot read as its own (not JSON, another shape, a later version) is set aside
// under a key of its own, never overwritten, and the entries in it that are sound are kept.
(function() {
'use strict';
var kTableKey = 'gemwell-high-scores';
var kSetAsidePrefix = 'gemwell-high-scores-set-aside-';
var kVersion = 1;
var kKept = 10;

function sound(entry) {
  return entry !== null && typeof entry === 'object' && Number.isInteger(entry.score) &&
      entry.score >= 0 && Number.isInteger(entry.level) && entry.level >= 1 &&
      typeof entry.date === 'string' && /^\d{4}-\d{2}-\d{2}$/.test(entry.date);
}

// Best first; of equal scores, the earlier stays above.
function best(entries) {
  return entries
      .map(function(entry, i) {
        return {entry: entry, i: i};
      })
      .sort(function(a, b) {
        return b.entry.score - a.entry.score || a.i - b.i;
      })
      .slice(0, kKept)
      .map(function(item) {
        return item.entry;
      });
}

// What a stored text holds: {entries, bad}, bad naming what is wrong with it, or ''.
function read(text) {
  var value;
  try {
    value = JSON.parse(text);
  } catch (error) {
    return {entries: [], bad: 'not JSON'};
  }
  var shaped = value !== null && typeof value === 'object' && Array.isArray(value.scores);
  var entries = shaped ? value.scores.filter(sound).map(function(entry) {
    return {score: entry.score, level: entry.level, date: entry.date};
  }) :
                         [];
  if (!shaped || !Number.isInteger(value.version)) {
    return {entries: entries, bad: 'not a table of scores'};
  }
  if (value.version !== kVersion) {
    return {entries: entries, bad: 'a later version'};
  }
  if (entries.length !== value.scores.length) {
    return {entries: entries, bad: 'entries that are not scores'};
  }
  return {entries: entries, bad: ''};
}

function today() {
  // The page's clock (Date.now), as the game's seed reads it.
  var now = new Date(Date.now());
  function two(n) {
    return (n < 10 ? '0' : '') + n;
  }
  return now.getFullYear() + '-' + two(now.getMonth() + 1) + '-' + two(now.getDate());
}

// actions: pause() (the game waits while the table is open), focus() (the keys back to the
// canvas).
window.gemwellHighScores = function(actions) {
  var panel = document.getElementById('scores');
  var body = document.getElementById('scores-body');
  var note = document.getElementById('scores-note');
  var button = document.getElementById('high-scores');
  var close = document.getElementById('scores-close');
  var entries = [];
  // Once storage has failed, the table lives in this visit only, and the page has said so.
  var visitOnly = false;
  var said = [];

  function say(text) {
    if (said.indexOf(text) < 0) {
      said.push(text);
      note.textContent = said.join(' ');
    }
  }

  function cannotKeep() {
    visitOnly = true;
    say('High scores cannot be kept in this browser: they last for this visit.');
  }

  function load() {
    var text;
    try {
      text = localStorage.getItem(kTableKey);
    } catch (error) {
      cannotKeep();
      return;
    }
    if (text === null) {
      return;
    }
    var reading = read(text);
    entries = best(reading.entries);
    if (reading.bad) {
      var aside = kSetAsidePrefix + Date.now();
      try {
        localStorage.setItem(aside, text);
        localStorage.removeItem(kTableKey);
        store();
        say('The stored high scores were bad (' + reading.bad + '); they were set aside as ' +
            aside + ', and the ' + entries.length +
            ' scores in them that could be read were kept.');
      } catch (error) {
        cannotKeep();
      }
    }
  }

  function store() {
    if (visitOnly) {
      return;
    }
    try {
      localStorage.setItem(kTableKey, JSON.stringify({version: kVersion, scores: entries}));
    } catch (error) {
      // A full storage (QuotaExceededError) as much as one that refuses.
      cannotKeep();
    }
  }

  function fill(latest) {
    body.textContent = '';
    entries.forEach(function(entry, i) {
      var row = document.createElement('tr');
      [i + 1, entry.score, entry.level, entry.date].forEach(function(value) {
        var cell = document.createElement('td');
        cell.textContent = value;
        row.appendChild(cell);
      });
      if (entry === latest) {
        row.className = 'latest';
      }
      body.appendChild(row);
    });
    if (entries.length === 0) {
      var row = document.createElement('tr');
      var cell = document.createElement('td');
      cell.colSpan = 4;
      cell.textContent = 'No scores yet: turn on Arcade and start a new game.';
      row.appendChild(cell);
      body.appendChild(row);
    }
  }

  function open(latest) {
    fill(latest);
    panel.hidden = false;
  }

  function shut() {
    panel.hidden = true;
  }

  load();
  button.addEventListener('click', function() {
    if (!panel.hidden) {
      shut();
      actions.focus();
      return;
    }
    actions.pause();
    open(null);
  });
  close.addEventListener('click', function() {
    shut();
    actions.focus();
  });

  return {
    // An arcade game's final score (session.js): kept, and the table shown with it.
    record: function(score, level) {
      var entry = {score: score, level: level, date: today()};
      entries = best(entries.concat([entry]));
      store();
      open(entries.indexOf(entry) >= 0 ? entry : null);
    },
    show: function(state) {
      if (state === 'loading') {
        shut();
      }
    }
  };
};
})();
