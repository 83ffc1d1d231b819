// Runs before any script of the page too: navigator.getGamepads gives the pads the test sets,
// with the standard mapping's 17 buttons and 4 axes (or as many as the test says), none at first.
(() => {
  const pads = [];
  window.gemwellTestPads = {
    set: (index, pressed, axes, mapping, count) => {
      const buttons = [];
      for (let i = 0; i < (count || 17); ++i) {
        const on = pressed.indexOf(i) >= 0;
        buttons.push({pressed: on, touched: on, value: on ? 1 : 0});
      }
      pads[index] = {
        index: index,
        id: 'test pad ' + index,
        connected: true,
        mapping: mapping === undefined ? 'standard' : mapping,
        timestamp: 0,
        axes: axes || [0, 0, 0, 0],
        buttons: buttons
      };
    },
    unplug: (index) => {
      pads[index] = null;
    },
  };
  navigator.getGamepads = () => pads.slice();
})();
