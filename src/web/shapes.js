// "Shapes on gems": a mark on each gem, so that the colours differ by outline too. Remembered
// where the browser lets the page store it; where it refuses (a private window), for this visit.
(function() {
'use strict';
var kShapesKey = 'gemwell-shapes';

// actions: show(on) (into a running game), focus() (the keys back to the canvas).
window.gemwellShapes = function(actions) {
  var shapesSwitch = document.getElementById('shapes');
  var on = false;
  try {
    on = localStorage.getItem(kShapesKey) === 'on';
  } catch (error) {
  }

  function show(next) {
    on = next;
    shapesSwitch.setAttribute('aria-checked', on ? 'true' : 'false');
    actions.show(on);
  }

  show(on);
  shapesSwitch.addEventListener('click', function() {
    show(!on);
    try {
      localStorage.setItem(kShapesKey, on ? 'on' : 'off');
    } catch (error) {
    }
    // The game's keys go to the canvas: the switch keeps the focus no longer than its press.
    actions.focus();
  });

  return {
    on: function() {
      return on;
    }
  };
};
})();
