"""Firefox ESR through the WebDriver BiDi it speaks itself: no driver binary.

Firefox runs headless, but with DISPLAY on an Xvfb: headless Firefox makes its WebGL context
through GLX on that display (Mesa's llvmpipe); with no display at all it has none
(FEATURE_FAILURE_WEBGL_EXHAUSTED_DRIVERS), whatever the preferences. The page's scripts go in
before the page's own through script.addPreloadScript; the console comes from log.entryAdded.
FirefoxDriver offers the part of Selenium's WebDriver that the page harness uses.
"""

import base64
import os
import re
import shutil
import subprocess
import tempfile
import time

from selenium.webdriver.common.by import By
from selenium.webdriver.remote.command import Command
from selenium.webdriver.remote.webelement import WebElement

import bidi

FIREFOX = "/usr/bin/firefox-esr"
START_DEADLINE_SECONDS = 60.0


# Nothing of Firefox's own traffic, no first-run pages; the remote agent adds its own list of
# automation preferences on top (remote.prefs.recommended).
FIREFOX_PREFS = {
    "browser.shell.checkDefaultBrowser": False,
    "browser.startup.page": 0,
    "browser.startup.homepage_override.mstone": "ignore",
    "datareporting.policy.dataSubmissionEnabled": False,
    "toolkit.telemetry.reportingpolicy.firstRun": False,
    "app.update.auto": False,
    "extensions.update.enabled": False,
    "browser.safebrowsing.malware.enabled": False,
    "browser.safebrowsing.phishing.enabled": False,
    "browser.safebrowsing.downloads.enabled": False,
    "network.captive-portal-service.enabled": False,
    "network.connectivity-service.enabled": False,
    "browser.region.network.url": "",
    "services.settings.server": "http://127.0.0.1:9/",
    "extensions.getAddons.cache.enabled": False,
    # Mesa's llvmpipe is a software renderer: let WebGL take it without a blocklist check.
    "webgl.force-enabled": True,
}

ELEMENT_KEY = "element-6066-11e4-a52e-4f735466cecf"


def _local(value):
    """A BiDi remote value as Python's."""
    kind = value.get("type")
    if kind in ("undefined", "null"):
        return None
    if kind in ("string", "number", "boolean"):
        v = value["value"]
        if kind == "number" and isinstance(v, str):
            return {
                "NaN": float("nan"),
                "-0": -0.0,
                "Infinity": float("inf"),
                "-Infinity": float("-inf"),
            }[v]
        return v
    if kind == "array":
        return [_local(v) for v in value.get("value", [])]
    if kind == "object":
        return {k if isinstance(k, str) else _local(k): _local(v) for k, v in value["value"]}
    if kind == "node":
        return value
    return value.get("value")


def _remote(value):
    """A Python value (or a FirefoxElement) as a BiDi local value, for an argument."""
    if isinstance(value, FirefoxElement):
        return {"sharedId": value.id}
    if value is None:
        return {"type": "null"}
    if isinstance(value, bool):
        return {"type": "boolean", "value": value}
    if isinstance(value, (int, float)):
        return {"type": "number", "value": value}
    if isinstance(value, str):
        return {"type": "string", "value": value}
    if isinstance(value, (list, tuple)):
        return {"type": "array", "value": [_remote(v) for v in value]}
    if isinstance(value, dict):
        return {"type": "object", "value": [[k, _remote(v)] for k, v in value.items()]}
    raise TypeError("no BiDi value for %r" % (value,))


class FirefoxElement(WebElement):
    """An element of the page, as Selenium's WebElement offers the harness one (a WebElement,
    so that ActionChains take it as an origin)."""

    def __init__(self, driver, ident):
        super().__init__(driver, ident)
        self.driver = driver

    def _call(self, body, *args):
        return self.driver.execute_script(body, self, *args)

    @property
    def text(self):
        return self._call("return arguments[0].innerText")

    def get_attribute(self, name):
        return self._call("return arguments[0].getAttribute(arguments[1])", name)

    def is_displayed(self):
        return self._call(
            "const r = arguments[0].getBoundingClientRect();"
            " return r.width > 0 && r.height > 0 && getComputedStyle(arguments[0]).visibility"
            " !== 'hidden'"
        )

    def click(self):
        from selenium.webdriver.common.action_chains import ActionChains

        ActionChains(self.driver).click(self).perform()


class FirefoxDriver:
    """Firefox ESR through its own WebDriver BiDi: the harness's part of Selenium's API."""

    def __init__(self, process, profile, connection, startup_seconds):
        self.process = process
        self.profile = profile
        self.bidi = connection
        self.startup_seconds = startup_seconds
        self.capabilities = connection.send("session.new", {"capabilities": {}})["capabilities"]
        self.context = connection.send("browsingContext.getTree", {})["contexts"][0]["context"]
        connection.send("session.subscribe", {"events": ["log.entryAdded"]})

    def add_preload_script(self, source):
        """Runs `source` in every page before the page's own scripts."""
        self.bidi.send(
            "script.addPreloadScript", {"functionDeclaration": "() => {\n%s\n}" % source}
        )

    def get(self, url):
        self.bidi.send(
            "browsingContext.navigate",
            {"context": self.context, "url": url, "wait": "complete"},
            seconds=START_DEADLINE_SECONDS,
        )

    def refresh(self):
        self.bidi.send(
            "browsingContext.reload",
            {"context": self.context, "wait": "complete"},
            seconds=START_DEADLINE_SECONDS,
        )

    def execute_script(self, body, *args):
        """As Selenium's: `body` is a function body, `arguments` its arguments."""
        result = self.bidi.send(
            "script.callFunction",
            {
                "functionDeclaration": "function () {\n%s\n}" % body,
                "arguments": [_remote(a) for a in args],
                "target": {"context": self.context},
                "awaitPromise": True,
                "resultOwnership": "root",
            },
        )
        if result["type"] == "exception":
            details = result["exceptionDetails"]
            raise bidi.BiDiError("script: %s" % details.get("text"))
        value = _local(result["result"])
        if isinstance(value, dict) and value.get("type") == "node":
            return FirefoxElement(self, value["sharedId"])
        return value

    def find_element(self, by, value):
        query = {
            By.ID: "document.getElementById(arguments[0])",
            By.CSS_SELECTOR: "document.querySelector(arguments[0])",
            By.XPATH: "document.evaluate(arguments[0], document, null,"
            " XPathResult.FIRST_ORDERED_NODE_TYPE, null).singleNodeValue",
        }[by]
        element = self.execute_script("return " + query, value)
        if element is None:
            raise LookupError("no element %s=%r" % (by, value))
        return element

    def execute(self, command, params=None):
        """Selenium's ActionChains come here: their actions are BiDi's but for an element's
        origin."""
        if command == Command.W3C_ACTIONS:
            actions = params["actions"]
            for source in actions:
                for action in source["actions"]:
                    origin = action.get("origin")
                    if isinstance(origin, dict) and ELEMENT_KEY in origin:
                        action["origin"] = {
                            "type": "element",
                            "element": {"sharedId": origin[ELEMENT_KEY]},
                        }
            self.bidi.send("input.performActions", {"context": self.context, "actions": actions})
            return {"value": None}
        if command == Command.W3C_CLEAR_ACTIONS:
            self.bidi.send("input.releaseActions", {"context": self.context})
            return {"value": None}
        raise NotImplementedError(command)

    def set_viewport(self, width, height, ratio=None):
        """The page's viewport in CSS pixels, and its device pixel ratio."""
        params = {"context": self.context, "viewport": {"width": width, "height": height}}
        if ratio is not None:
            params["devicePixelRatio"] = ratio
        self.bidi.send("browsingContext.setViewport", params)

    def execute_cdp_cmd(self, command, params):
        """Only a desktop viewport's size, which fit_canvas asks for."""
        if command != "Emulation.setDeviceMetricsOverride" or params.get("mobile"):
            raise NotImplementedError(command)
        self.set_viewport(params["width"], params["height"], params.get("deviceScaleFactor"))
        return {}

    def screenshot_png(self):
        data = self.bidi.send("browsingContext.captureScreenshot", {"context": self.context})
        return base64.b64decode(data["data"])

    def save_screenshot(self, path):
        with open(path, "wb") as f:
            f.write(self.screenshot_png())
        return True

    def get_log(self, kind):
        """The console's entries since the last read, in Selenium's form: errors are SEVERE."""
        if kind != "browser":
            raise NotImplementedError(kind)
        entries = []
        for event in self.bidi.take_events("log.entryAdded"):
            entry = event["params"]
            level = {"error": "SEVERE", "warn": "WARNING"}.get(entry.get("level"), "INFO")
            entries.append(
                {"level": level, "message": entry.get("text") or "", "source": entry.get("type")}
            )
        return entries

    def quit(self):
        try:
            self.bidi.send("browser.close", {}, seconds=10)
        except bidi.BiDiError:
            pass
        self.bidi.close()
        try:
            self.process.wait(15)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        shutil.rmtree(self.profile, ignore_errors=True)


def firefox(display, scripts=(), width=900, height=800, prefs=None, headless=True):
    """Firefox ESR headless (or in a window) with DISPLAY `display`, `scripts` preloaded in every
    page. Its stderr is kept in the profile folder, which quit() removes."""
    profile = tempfile.mkdtemp(prefix="gemwell-firefox-")
    with open(os.path.join(profile, "user.js"), "w") as f:
        for name, value in dict(FIREFOX_PREFS, **(prefs or {})).items():
            f.write("user_pref(%s, %s);\n" % (_js(name), _js(value)))
    args = [
        FIREFOX,
        "--no-remote",
        "--profile",
        profile,
        "--remote-debugging-port=0",
        "--window-size=%d,%d" % (width, height),
    ]
    if headless:
        args.insert(1, "--headless")
    env = dict(os.environ, DISPLAY=display, MOZ_CRASHREPORTER_DISABLE="1")
    env.pop("WAYLAND_DISPLAY", None)
    log_path = os.path.join(profile, "stderr.log")
    start = time.monotonic()
    # stderr to a file: a pipe no one reads would stall Firefox once full.
    with open(log_path, "w") as log:
        process = subprocess.Popen(args, stdout=subprocess.DEVNULL, stderr=log, env=env)
    url = None
    while url is None:
        with open(log_path) as log:
            found = re.search(r"WebDriver BiDi listening on (ws://\S+)", log.read())
        if found:
            url = found.group(1)
        elif process.poll() is not None or time.monotonic() - start > START_DEADLINE_SECONDS:
            process.kill()
            raise RuntimeError(
                "timed out: starting Firefox: no BiDi address within %.0f s; it wrote: %s"
                % (START_DEADLINE_SECONDS, open(log_path).read()[-2000:])
            )
        else:
            time.sleep(0.05)
    driver = FirefoxDriver(process, profile, bidi.BiDi(url + "/session"), 0.0)
    for source in scripts:
        driver.add_preload_script(source)
    driver.startup_seconds = time.monotonic() - start
    return driver


def _js(value):
    if isinstance(value, bool):
        return "true" if value else "false"
    if isinstance(value, (int, float)):
        return str(value)
    return '"%s"' % value.replace("\\", "\\\\").replace('"', '\\"')
