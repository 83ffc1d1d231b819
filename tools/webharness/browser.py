"""Headless Chromium for the browser edition: its flags, the page's stepped clock and stand-in
pads installed before any script of the page (clock.js and pads.js beside this file), phone and
desktop viewports, and the sizes of what the page downloads."""

import gzip
import json
import os
import re
import shutil
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

HERE = os.path.dirname(os.path.abspath(__file__))


def read_js(name):
    """A script of the harness's, beside this file."""
    with open(os.path.join(HERE, name)) as script:
        return script.read()


def fixed_epoch():
    """The tests' fixed calendar time in seconds (tools/fixed_epoch.txt, as the X harness's)."""
    path = os.path.join(HERE, "..", "fixed_epoch.txt")
    with open(path) as lines:
        return int(next(line for line in lines if line.strip() and not line.startswith("#")))


# While the harness does something else than wait on the page, the stepped clock's frames
# come this many milliseconds apart: they would draw the same picture again at every vsync.
IDLE_MS = 1000


def page_scripts(idle_ms=IDLE_MS):
    """The scripts that go into every page before its own: the stepped clock at the fixed
    calendar time (its frames `idle_ms` apart while the harness is not waiting on the page, 0 for
    every vsync's), and the stand-in pads."""
    return [
        "(%s)(%d, %d);" % (read_js("clock.js"), 1000 * fixed_epoch(), idle_ms),
        read_js("pads.js"),
    ]


def chromium(extra_flags=(), scale=1, idle_ms=IDLE_MS):
    """Headless Chromium with WebGL through SwiftShader, the page clock installed. `scale` is
    the device pixel ratio: only the command line's sets the canvas's device pixels, the
    DevTools protocol's alone does not. Its profile folder goes with its quit()."""
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    profile = tempfile.mkdtemp(prefix="gemwell-chromium-")
    flags = [
        "--headless=new",
        "--use-angle=swiftshader",
        "--enable-unsafe-swiftshader",
        # No network but the test's server: none of Chromium's own traffic.
        "--disable-background-networking",
        "--disable-component-update",
        "--disable-sync",
        "--no-first-run",
        "--disable-quic",
        "--disable-default-apps",
        "--window-size=900,800",
        # The page's composition in software, the canvas's WebGL through SwiftShader as before:
        # composed through SwiftShader, a phone's frame (a ratio of 3) took 135 ms of processor,
        # against 17 ms now.
        "--disable-gpu-compositing",
        "--force-device-scale-factor=%g" % scale,
        "--user-data-dir=" + profile,
    ]
    flags.extend(extra_flags)
    if os.geteuid() == 0:
        flags.append("--no-sandbox")  # Chromium's sandbox refuses to run as root
    for flag in flags:
        options.add_argument(flag)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    try:
        driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    except BaseException:
        shutil.rmtree(profile, ignore_errors=True)
        raise
    quit = driver.quit

    def quit_and_remove_the_profile():
        try:
            quit()
        finally:
            # Chromium's processes may still write there as they end.
            profile_gone_with_its_processes(profile)

    driver.quit = quit_and_remove_the_profile
    for source in page_scripts(idle_ms):
        driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": source})
    return driver


def profile_gone_with_its_processes(profile, seconds=30.0):
    """Removes a browser's profile folder once no process names it on its command line (or
    after `seconds`, then as it is)."""
    deadline = time.monotonic() + seconds
    mark = profile.encode()
    while time.monotonic() < deadline and any(mark in line for line in command_lines()):
        time.sleep(0.05)
    shutil.rmtree(profile, ignore_errors=True)


def command_lines():
    for pid in os.listdir("/proc"):
        if pid.isdigit():
            try:
                with open("/proc/%s/cmdline" % pid, "rb") as f:
                    yield f.read()
            except OSError:
                pass


# Phones tried, in CSS pixels: width, height.
PORTRAIT = (360, 740)
TALL_PORTRAIT = (412, 915)
LANDSCAPE = (740, 360)


def emulate_phone(driver, size, scale):
    """A phone's viewport (mobile layout, `size` in CSS pixels) with touch, in the same ratio
    as the command line's, for the pages loaded from now on and the one shown."""
    width, height = size
    driver.execute_cdp_cmd(
        "Emulation.setDeviceMetricsOverride",
        {
            "width": width,
            "height": height,
            "deviceScaleFactor": scale,
            "mobile": True,
            "screenOrientation": {
                "type": "portraitPrimary" if height > width else "landscapePrimary",
                "angle": 0 if height > width else 90,
            },
        },
    )
    driver.execute_cdp_cmd(
        "Emulation.setTouchEmulationEnabled", {"enabled": True, "maxTouchPoints": 5}
    )


def emulate_desktop(driver, width, height):
    """A desktop viewport of `width` x `height` CSS pixels at a ratio of 1."""
    driver.execute_cdp_cmd(
        "Emulation.setDeviceMetricsOverride",
        {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": False},
    )


# What the page downloads, the page itself included: every file its service worker keeps (its
# code, the manifest and the icons; each device fetches the icons its home screen needs), and the
# worker itself.
def site_files(site):
    """The files the page downloads, as build-web's sw.js lists them."""
    with open(os.path.join(site, "sw.js")) as worker:
        kept = re.search(r"JSON\.parse\('(\[.*\])'\)", worker.read()).group(1)
    return [name for name in json.loads(kept) if name != "./"] + ["sw.js"]


def download_sizes(site):
    """{file: (bytes, gzipped bytes)} for everything the page downloads."""
    sizes = {}
    for name in site_files(site):
        with open(os.path.join(site, name), "rb") as f:
            data = f.read()
        sizes[name] = (len(data), len(gzip.compress(data, 9)))
    return sizes
