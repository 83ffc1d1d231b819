"""The browser edition's page in headless Chromium, on a clock the test steps.

Before the page loads, the DevTools protocol replaces its clocks: the calendar reads the
harness's fixed time (so the seed, and every colour, is the native tests' one) and the
monotonic clock stands still until the test steps it, as tools/play steps the native
game's through libfaketime. The game has no hook of its own.
"""

import base64
import os
import sys
import tempfile
import time

from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import serve_web  # noqa: E402,F401  (re-exported for the tests)
from browser import (  # noqa: E402,F401  (re-exported for the tests and the bench)
    LANDSCAPE,
    PORTRAIT,
    TALL_PORTRAIT,
    chromium,
    download_sizes,
    emulate_desktop,
    emulate_phone,
    page_scripts,
)


# How long any one step may take to show its effect, however busy the machine.
from harness_facts import STEP_DEADLINE_SECONDS  # noqa: E402


class WaitTimeout(AssertionError):
    """A wait whose effect never came: says the step, what it waited for and what was seen."""


def wait_until(done, what, seen=None, seconds=STEP_DEADLINE_SECONDS, interval=0.01):
    """Polls `done()` until it is true and returns its value; after `seconds`, raises
    WaitTimeout saying it timed out, the step and what it waited for (`what`: "step: what"),
    and, from `seen()`, what there was instead."""
    deadline = time.monotonic() + seconds
    while True:
        value = done()
        if value:
            return value
        if time.monotonic() > deadline:
            raise WaitTimeout(
                "timed out after %.1f s: %s; saw: %s"
                % (seconds, what, seen() if seen else "it never came")
            )
        time.sleep(interval)


# The button for each of the script's keys.
BUTTONS = {
    "space": "Hard drop",
    "z": "Move left",
    "Left": "Move left",
    "c": "Move right",
    "Right": "Move right",
    "s": "Cycle colours",
    "Up": "Cycle colours",
    "x": "Soft drop",
    "Down": "Soft drop",
    "q": "Quit",
}

KEYS = {
    "space": Keys.SPACE,
    "Left": Keys.ARROW_LEFT,
    "Right": Keys.ARROW_RIGHT,
    "Up": Keys.ARROW_UP,
    "Down": Keys.ARROW_DOWN,
}


def read_script(path):
    """A stepped script (tools/play): (kind, value) pairs, kind being key, advance or shot."""
    with open(path) as script:
        return [tuple(line.split(" ", 1)) for line in script.read().splitlines()]


# The frames after a key or a clock step that bring the game to rest with the clock standing
# still, as tools/play's replay lets each step have them (kRestingFrames): a script's next step
# waits for them unless told fewer (native_picture writes what its script needs).
RESTING_FRAMES = 20

# What a failed wait reports of the page.
STATE = (
    "const c = window.gemwellTestClock;"
    " return c ? [c.readings, c.keys.length, c.stepped,"
    " document.getElementById('notice').textContent] : null;"
)


# A look at the page while the harness waits on it: for the next few tenths of a second the
# stepped clock's frames come as fast as the browser draws them (clock.js).
WAITING_SECONDS = 0.3


def waiting_script(seconds=WAITING_SECONDS):
    return "if (window.gemwellTestClock) window.gemwellTestClock.waiting(%d);" % (1000 * seconds)


# Whether the game is on and not paused: only then does it take frames.
RUNNING_EXPRESSION = (
    "document.getElementById('notice').textContent === '' &&"
    " document.getElementById('resume').hidden && window.gemwellTestClock.firstDraw >= 0"
)
RUNNING = "return " + RUNNING_EXPRESSION


class GamePage:
    def __init__(self, driver, url, out=None):
        """`out`: where a failed wait saves the page's screenshot (a fresh folder if None)."""
        self.driver = driver
        self.url = url
        self.canvas = None
        self.out = out
        self.failures = 0

    def seen(self):
        """What the page shows now, for a failed wait, and its screenshot saved beside the
        test's other output."""
        state = self.driver.execute_script(STATE)
        text = (
            "the page has no test clock"
            if state is None
            else "the game has read the clock %d times, the page has had %d keys, the clock"
            " stands at %d ms, the notice says %r" % tuple(state)
        )
        if self.out is None:
            self.out = tempfile.mkdtemp(prefix="gemwell-page-")
        self.failures += 1
        path = os.path.join(self.out, "page-failed-%d.png" % self.failures)
        self.driver.save_screenshot(path)
        return text + "; the page is saved as " + path

    def wait_until(self, done, what, seconds=STEP_DEADLINE_SECONDS):
        """wait_until, with what the page showed when it fails; `done` is a function, or a
        JavaScript expression the page evaluates."""
        if isinstance(done, str):
            script = waiting_script() + "return !!(%s)" % done
            return wait_until(lambda: self.driver.execute_script(script), what, self.seen, seconds)
        return wait_until(lambda: self.look() and done(), what, self.seen, seconds)

    def look(self, seconds=WAITING_SECONDS):
        """Tells the page's clock that the harness waits on it for `seconds`: meanwhile the
        stepped clock's frames come as fast as the browser draws them, not slowly."""
        self.driver.execute_script(waiting_script(seconds))
        return True

    def wait_frame_after_key(self, count, what, frames=1):
        """Waits until the page has had more than `count` keys and the game has begun `frames`
        frames since the first of them (or its loop has ended with a notice)."""
        after = (
            "window.gemwellTestClock.keys.length > %d &&"
            " (window.gemwellTestClock.readings >= window.gemwellTestClock.keyReadings[%d] + %d"
            " || document.getElementById('notice').textContent !== '')" % (count, count, frames)
        )
        self.wait_until(
            after,
            "%s: the page to get its keydown and the game to draw %d frames after it"
            % (what, frames),
        )

    def load(self, seconds=STEP_DEADLINE_SECONDS):
        """Opens the page; the real milliseconds from navigation to the first draw."""
        self.driver.get(self.url)
        self.canvas = self.driver.find_element(By.ID, "game")
        self.wait_until(
            "window.gemwellTestClock.firstDraw >= 0", "load: the game's first draw", seconds
        )
        first = self.clock("firstDraw")
        self.wait_frames(what="load")
        return first

    def clock(self, field):
        return self.driver.execute_script("return window.gemwellTestClock.%s" % field)

    def wait_frames(self, count=3, seconds=STEP_DEADLINE_SECONDS, what="frames"):
        """Waits until the game has taken `count` more frames (True); fails saying it timed out
        after `seconds`."""
        start = self.clock("readings")
        return self.wait_until(
            "window.gemwellTestClock.readings >= %d" % (start + count),
            "%s: the game to take %d more frames" % (what, count),
            seconds,
        )

    def press(self, name, frames=3):
        """A real key press and release, to whatever has the focus; waits until its keydown
        came and the game drew `frames` frames after it."""
        count = self.clock("keys.length")
        ActionChains(self.driver).send_keys(KEYS.get(name, name)).perform()
        self.wait_frame_after_key(count, "key %s" % name, frames)

    def advance(self, millis, frames=3):
        """Steps the clock; waits until the game drew the frame that read the stepped clock
        and `frames` - 1 more."""
        readings = self.driver.execute_script(
            "const c = window.gemwellTestClock; c.stepped += %d; return c.readings" % millis
        )
        self.wait_until(
            "window.gemwellTestClock.readings >= %d" % (readings + frames),
            "advance %d: the frame that reads the stepped clock and %d more" % (millis, frames - 1),
        )

    def play(self, script, shot=None, frames=RESTING_FRAMES):
        """Plays a script, each step let run `frames` frames; calls shot(name) at each of its
        shots."""
        for kind, value in script:
            if kind == "key":
                self.press(value, frames)
            elif kind == "advance":
                self.advance(int(value), 1 + frames)
            elif shot is not None:
                shot(value)

    def notice(self):
        return self.driver.find_element(By.ID, "notice").text

    def wait_notice(self, seconds=STEP_DEADLINE_SECONDS, what="notice"):
        """The page's notice once it says something; fails saying it timed out after
        `seconds`."""
        self.wait_until(
            "document.getElementById('notice').innerText.trim() !== ''",
            "%s: the page's notice to say something" % what,
            seconds,
        )
        return self.notice()

    def canvas_size(self):
        """The canvas's size: [CSS width, CSS height, pixel width, pixel height, ratio]."""
        return self.driver.execute_script(
            "const c = document.getElementById('game'); const r = c.getBoundingClientRect();"
            "return [r.width, r.height, c.width, c.height, devicePixelRatio];"
        )

    def fit_canvas(self, width, height):
        """Sizes the desktop viewport so that the canvas gets `width` x `height` pixels (the
        keys line may wrap anew at each width, so a few tries)."""
        for _ in range(4):
            css = self.canvas_size()
            if css[2:4] == [width, height]:
                return True
            spare = self.driver.execute_script("return [innerWidth, innerHeight]")
            emulate_desktop(
                self.driver, width + round(spare[0] - css[0]), height + round(spare[1] - css[1])
            )
            self.wait_frames()
        return False

    def shot_png(self, seconds=10.0):
        """The canvas's own pixels after the next frame, as PNG bytes."""
        self.driver.execute_script(
            "window.gemwellTestClock.shot = null;" "window.gemwellTestClock.shoot = true;"
        )
        self.wait_until(
            "window.gemwellTestClock.shot !== null",
            "a shot: a frame to read the canvas from",
            seconds,
        )
        url = self.clock("shot")
        return base64.b64decode(url.split(",", 1)[1])

    def centre(self, element):
        rect = self.driver.execute_script(
            "const r = arguments[0].getBoundingClientRect(); return [r.x, r.y, r.width, r.height]",
            element,
        )
        return rect[0] + rect[2] / 2, rect[1] + rect[3] / 2

    def touch(self, kind, points):
        """A touch event: `points` the touches down after it (for touchEnd, those that stay)."""
        self.driver.execute_cdp_cmd(
            "Input.dispatchTouchEvent",
            {"type": kind, "touchPoints": [{"x": x, "y": y, "id": n} for n, (x, y) in points]},
        )

    def button(self, name):
        """The button whose accessible name (text or aria-label) is `name`."""
        return self.driver.find_element(
            By.XPATH, "//button[normalize-space()='%s' or @aria-label='%s']" % (name, name)
        )

    def tap(self, name, frames=3):
        """A finger's tap on the named button; waits for what the tap can bring about: its click
        (or, for a key's button, its keydown) handled, then, if the game is on and not paused,
        `frames` frames after it."""
        button = self.button(name)
        point = self.centre(button)
        key = button.get_attribute("data-command") is not None
        count = self.clock("clicks") if not key else self.clock("keys.length")
        # A tap may load a new page (New game, when an update waits): its clock counts afresh
        # and has no mark.
        self.driver.execute_script("window.gemwellTestClock.tapping = true")
        self.touch("touchStart", [(1, point)])
        self.touch("touchEnd", [])
        step = "tap on %s" % name
        if key:
            self.wait_until(
                "window.gemwellTestClock.keys.length > %d" % count, step + ": its keydown"
            )
            count_frames_from = "window.gemwellTestClock.keyReadings[%d]" % count
        else:
            self.wait_until(
                "window.gemwellTestClock.clicks > %d || !window.gemwellTestClock.tapping" % count,
                step + ": its click",
            )
            count_frames_from = "%d" % self.clock("readings")
        # A paused game takes no frame and a game over none: there is nothing more to wait for.
        if self.driver.execute_script(RUNNING):
            self.wait_until(
                "window.gemwellTestClock.readings >= %s + %d || !(%s)"
                % (count_frames_from, frames, RUNNING_EXPRESSION),
                step + ": the game to draw %d frames after it" % frames,
            )

    def tap_script(self, script, shot=None, frames=RESTING_FRAMES):
        """Plays a script with taps on the buttons for its keys, each step let run `frames`
        frames; calls shot(name) at its shots."""
        for kind, value in script:
            if kind == "key":
                self.tap(BUTTONS[value], frames)
            elif kind == "advance":
                self.advance(int(value), 1 + frames)
            elif shot is not None:
                shot(value)

    def paused(self):
        """What the page says over the well about a pause, and whether Resume is shown."""
        return self.driver.execute_script(
            "return [document.getElementById('paused').textContent,"
            " !document.getElementById('resume').hidden]"
        )

    def game_keys(self):
        """How many keys have reached the game itself."""
        return len(self.clock("gameKeys"))

    def pad(self, index, pressed=(), axes=None, mapping="standard", count=17):
        """Sets the stand-in pad `index`: the buttons `pressed` (numbers) and the axes."""
        self.driver.execute_script(
            "window.gemwellTestPads.set(arguments[0], arguments[1], arguments[2], arguments[3],"
            " arguments[4])",
            index,
            list(pressed),
            axes,
            mapping,
            count,
        )

    def pad_press(self, index, button=None, axes=None, frames=3):
        """Pad `index` presses `button` (or pushes its axes) until a key has reached the game,
        then lets go; waits until the game drew `frames` frames after it."""
        before = self.game_keys()
        self.pad(index, [] if button is None else [button], axes)
        self.wait_until(
            "window.gemwellTestClock.gameKeys.length > %d" % before,
            "pad %d's button %s or axes %s to reach the game" % (index, button, axes),
        )
        readings = self.clock("readings")
        self.pad(index)
        self.wait_until(
            "window.gemwellTestClock.readings >= %d" % (readings + frames),
            "pad %d: %d frames after its press" % (index, frames),
        )

    def pad_script(self, script, buttons, shot=None, frames=RESTING_FRAMES):
        """Plays a script on pad 0, `buttons` giving the button for each named action, each step
        let run `frames` frames; calls shot(name) at its shots."""
        for kind, value in script:
            if kind == "key":
                self.pad_press(0, buttons[BUTTONS[value]], frames=frames)
            elif kind == "advance":
                self.advance(int(value), 1 + frames)
            elif shot is not None:
                shot(value)

    def focused(self):
        return self.driver.execute_script("return document.activeElement.id")

    def stays(self, value, seconds=0.5):
        """True if `value()` is the same after `seconds` as now: for what must not happen, which
        no wait can see come."""
        before = value()
        self.look(seconds + WAITING_SECONDS)
        time.sleep(seconds)
        return value() == before

    def frames_stopped(self, seconds=0.5):
        return self.stays(lambda: self.clock("readings"), seconds)
