"""WebKitGTK as Debian packages it: WebKitWebDriver (webkitgtk-webdriver; webkit2gtk-driver
in Debian 12) starting the MiniBrowser in automation mode, in a window on an Xvfb (it has no
headless mode).

WebKitWebDriver has no way to run a script before the page's own, and no console log:
engines.webkit_server puts the scripts at the top of index.html's head instead, CONSOLE_HOOK
first, which notes the page's console errors and warnings, its uncaught exceptions and
rejections and the files it failed to load. (MiniBrowser's own console lines, on its standard
output with --enable-write-console-messages-to-stdout, do not reach the driver's output in
automation mode: they are read too, should they ever.) WebKitDriver is Selenium's remote driver
with get_log("browser") and a viewport set through the window's size.
"""

import glob
import os
import re
import shutil
import tempfile
import time

from selenium.webdriver.remote.webdriver import WebDriver as RemoteWebDriver
from selenium.webdriver.webkitgtk.options import Options as WebKitOptions
from selenium.webdriver.webkitgtk.service import Service as WebKitService

WEBKIT_DRIVER = "/usr/bin/WebKitWebDriver"
MINIBROWSER_GLOB = "/usr/lib/*/webkit2gtk-4.1/MiniBrowser"


# Runs first in the page: what the console would say of errors, kept for get_log. The page's
# log is lost with the page: read it before the next navigation.
CONSOLE_HOOK = r"""
(() => {
  const log = [];
  window.gemwellConsoleLog = log;
  for (const level of ['error', 'warn']) {
    const original = console[level].bind(console);
    console[level] = (...args) => {
      log.push([level, args.map(String).join(' ')]);
      return original(...args);
    };
  }
  addEventListener('error', (event) => {
    if (event instanceof ErrorEvent) {
      log.push(['error', event.message]);
    } else if (event.target !== window) {
      log.push(['error', 'failed to load ' + (event.target.src || event.target.href)]);
    }
  }, true);
  addEventListener('unhandledrejection', (event) => {
    log.push(['error', 'unhandled rejection: ' + event.reason]);
  });
  document.addEventListener('securitypolicyviolation', (event) => {
    log.push(['error', 'blocked by the content security policy: ' + event.blockedURI]);
  });
})();
"""

# MiniBrowser's console lines: "CONSOLE <SOURCE> <LEVEL> <text>" (WebKit's own format).
CONSOLE_LINE = re.compile(r"^CONSOLE (\S+) (\S+) (.*)$")


def minibrowser():
    found = sorted(glob.glob(MINIBROWSER_GLOB))
    if not found:
        raise RuntimeError("no MiniBrowser (Debian's libwebkit2gtk-4.1-0) at " + MINIBROWSER_GLOB)
    return found[0]


class WebKitDriver(RemoteWebDriver):
    """Selenium's remote driver on WebKitWebDriver, with the console read from MiniBrowser's
    output and a viewport set through the window's size."""

    def __init__(self, service, options, log_path, folder):
        self.service = service
        self.log_path = log_path
        self.folder = folder
        self.log_read = 0
        super().__init__(command_executor=service.service_url, options=options)

    def get_log(self, kind):
        if kind != "browser":
            raise NotImplementedError(kind)
        with open(self.log_path, errors="replace") as log:
            log.seek(self.log_read)
            text = log.read()
            self.log_read = log.tell()
        entries = []
        for line in text.splitlines():
            found = CONSOLE_LINE.match(line)
            if found:
                level = {"ERROR": "SEVERE", "WARN": "WARNING"}.get(found.group(2), "INFO")
                entries.append(
                    {"level": level, "message": found.group(3), "source": found.group(1)}
                )
        noted = self.execute_script(
            "const log = window.gemwellConsoleLog; return log ? log.splice(0) : []"
        )
        for level, message in noted:
            entries.append(
                {
                    "level": "SEVERE" if level == "error" else "WARNING",
                    "message": message,
                    "source": "console-hook",
                }
            )
        return entries

    def set_viewport(self, width, height, ratio=None):
        """The page's viewport in CSS pixels (the window's frame and bars added); the ratio
        stays the screen's."""
        if ratio not in (None, 1):
            raise NotImplementedError("WebKitGTK's pixel ratio is the screen's")
        for _ in range(3):
            outer = self.get_window_size()
            inner = self.execute_script("return [innerWidth, innerHeight]")
            if inner == [width, height]:
                return
            self.set_window_size(
                width + outer["width"] - inner[0], height + outer["height"] - inner[1]
            )
            # With no window manager the resized window loses the focus (and the page, its
            # game, to a pause on the blur): this gives it back for the next page.
            self.switch_to.window(self.current_window_handle)

    def execute_cdp_cmd(self, command, params):
        if command != "Emulation.setDeviceMetricsOverride" or params.get("mobile"):
            raise NotImplementedError(command)
        self.set_viewport(params["width"], params["height"], params.get("deviceScaleFactor"))
        return {}

    def screenshot_png(self):
        return self.get_screenshot_as_png()

    def quit(self):
        try:
            super().quit()
        finally:
            self.service.stop()
            shutil.rmtree(self.folder, ignore_errors=True)


def webkit(display, width=900, height=800, env=None):
    """WebKitGTK's MiniBrowser in a window on `display`, driven by WebKitWebDriver. The clock
    and the pads' stand-in come from the server (injecting_server), not from here. `env` adds
    to the browser's environment (WEBKIT_DISABLE_COMPOSITING_MODE=1, say)."""
    folder = tempfile.mkdtemp(prefix="gemwell-webkit-")
    log_path = os.path.join(folder, "browser.log")
    options = WebKitOptions()
    options.binary_location = minibrowser()
    options.add_argument("--automation")
    options.add_argument("--enable-write-console-messages-to-stdout=true")
    environment = dict(os.environ, DISPLAY=display, GDK_BACKEND="x11", **(env or {}))
    environment.pop("WAYLAND_DISPLAY", None)
    start = time.monotonic()
    service = WebKitService(WEBKIT_DRIVER, log_path=log_path, env=environment)
    service.start()
    driver = WebKitDriver(service, options, log_path, folder)
    driver.set_viewport(width, height)
    driver.startup_seconds = time.monotonic() - start
    return driver
