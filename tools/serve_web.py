#!/usr/bin/python3
"""Serves the browser edition (build-web/) on 127.0.0.1, for make web-run and the browser tests.

Usage: serve_web.py DIRECTORY [PORT]   (port 0, the default, takes any free one)
"""
import functools
import http.server
import sys

# What the page needs; .wasm as application/wasm, so the browser can compile it as it streams.
TYPES = {
    ".html": "text/html; charset=utf-8",
    ".js": "text/javascript; charset=utf-8",
    ".wasm": "application/wasm",
    ".png": "image/png",
    ".webmanifest": "application/manifest+json",
}


class Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = TYPES

    def log_message(self, format, *args):
        pass


def server(directory, port=0):
    """An HTTP server for the directory on 127.0.0.1, not yet serving."""
    handler = functools.partial(Handler, directory=directory)
    return http.server.ThreadingHTTPServer(("127.0.0.1", port), handler)


def main():
    if len(sys.argv) not in (2, 3):
        print(__doc__.strip(), file=sys.stderr)
        return 2
    httpd = server(sys.argv[1], int(sys.argv[2]) if len(sys.argv) == 3 else 0)
    print(
        "gemwell: serving %s at http://127.0.0.1:%d/ (Ctrl+C stops)"
        % (sys.argv[1], httpd.server_port),
        flush=True,
    )
    try:
        httpd.serve_forever()
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
