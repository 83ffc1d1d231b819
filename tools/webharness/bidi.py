"""A small WebDriver BiDi client: Firefox speaks it itself, so no driver binary is needed.

One WebSocket to the browser, one thread reading it; commands wait for their own answer,
events (console messages, say) gather in a list the caller reads. Debian's python3-wsproto
(Selenium's own dependency) does the WebSocket framing.
"""

import json
import socket
import threading
import time
from urllib.parse import urlsplit

from wsproto import ConnectionType, WSConnection
from wsproto.events import (
    AcceptConnection,
    CloseConnection,
    Ping,
    RejectConnection,
    Request,
    TextMessage,
)


class BiDiError(RuntimeError):
    """The browser refused a command, or did not answer it in time."""


class BiDi:
    def __init__(self, url, seconds=30.0):
        """Connects to the browser's WebSocket at `url` (ws://host:port/session)."""
        parts = urlsplit(url)
        self.sock = socket.create_connection((parts.hostname, parts.port), timeout=seconds)
        self.sock.settimeout(None)
        self.ws = WSConnection(ConnectionType.CLIENT)
        self.lock = threading.Lock()
        self.answered = threading.Condition()
        self.answers = {}
        self.events = []
        self.next_id = 0
        self.closed = False
        self._send_bytes(self.ws.send(Request(host=parts.netloc, target=parts.path or "/")))
        self._handshake(seconds)
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()

    def _send_bytes(self, data):
        if data:
            self.sock.sendall(data)

    def _handshake(self, seconds):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            self.ws.receive_data(self.sock.recv(65536))
            for event in self.ws.events():
                if isinstance(event, AcceptConnection):
                    return
                if isinstance(event, RejectConnection):
                    raise BiDiError("the browser refused the WebSocket: %d" % event.status_code)
        raise BiDiError("timed out: the browser's WebSocket handshake")

    def _read(self):
        parts = []
        while True:
            try:
                data = self.sock.recv(1 << 20)
            except OSError:
                data = b""
            with self.lock:
                self.ws.receive_data(data or None)
                events = list(self.ws.events())
                for event in events:
                    if isinstance(event, Ping):
                        self._send_bytes(self.ws.send(event.response()))
            for event in events:
                if isinstance(event, TextMessage):
                    parts.append(event.data)
                    if event.message_finished:
                        self._message(json.loads("".join(parts)))
                        parts = []
                elif isinstance(event, CloseConnection):
                    data = b""
            if not data:
                with self.answered:
                    self.closed = True
                    self.answered.notify_all()
                return

    def _message(self, message):
        if "id" in message:
            with self.answered:
                self.answers[message["id"]] = message
                self.answered.notify_all()
        else:
            with self.answered:
                self.events.append(message)
                self.answered.notify_all()

    def send(self, method, params=None, seconds=30.0):
        """Runs a command; its result, or BiDiError with the browser's message."""
        with self.lock:
            self.next_id += 1
            ident = self.next_id
            text = json.dumps({"id": ident, "method": method, "params": params or {}})
            self._send_bytes(self.ws.send(TextMessage(data=text)))
        deadline = time.monotonic() + seconds
        with self.answered:
            while ident not in self.answers:
                left = deadline - time.monotonic()
                if self.closed or left <= 0:
                    raise BiDiError(
                        "timed out: %s got no answer within %.0f s%s"
                        % (method, seconds, " (the connection closed)" if self.closed else "")
                    )
                self.answered.wait(left)
            answer = self.answers.pop(ident)
        if answer.get("type") == "error":
            raise BiDiError("%s: %s: %s" % (method, answer.get("error"), answer.get("message")))
        return answer["result"]

    def take_events(self, method=None):
        """The events gathered so far (those of `method` only, if given), removed from the list."""
        with self.answered:
            taken = [e for e in self.events if method is None or e.get("method") == method]
            self.events = [e for e in self.events if e not in taken]
        return taken

    def close(self):
        with self.lock:
            try:
                self._send_bytes(self.ws.send(CloseConnection(code=1000)))
            except Exception:
                pass
        try:
            self.sock.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
        self.sock.close()
