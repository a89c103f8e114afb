"""HTTP side of the stand-in service: request reading, journal, fault injection, routing.

Requests are read by hand rather than through http.server's parser so that the
journal can keep the header lines exactly as they arrived and so that the odd forms
the program produces (a Content-Length repeated as "57; 57") are tolerated.
"""

import base64
import copy
import itertools
import json
import re
import socket
import struct
import threading
import traceback
from datetime import datetime, timezone
from http import HTTPStatus
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, urlsplit

import tirna_pages
import tirna_protocol
import tirna_store

SERVICE_PATH = "/device_point.php"
ACCOUNT_PATH = "/account.php"

MAX_LINE = 65536
MAX_HEADERS = 200
MAX_BODY = 16 * 1024 * 1024
BODY_TIMEOUT = 10.0      # a client that announces more than it sends is given up on
IDLE_BODY_TIMEOUT = 0.3  # without any length, the body is what arrives before a pause
KEEP_ALIVE_TIMEOUT = 120.0


def _b64(data):
    return base64.b64encode(data).decode("ascii")


def _now():
    return datetime.now(timezone.utc).isoformat(timespec="milliseconds")


class Journal:
    """Every request to the service, in order of arrival; optionally mirrored to a file."""

    def __init__(self, path=None):
        self._lock = threading.Lock()
        self._entries = []
        self._seq = itertools.count(1)
        self._file = open(path, "a", encoding="utf-8") if path else None

    def begin(self, entry):
        """Records a request as soon as it has been read; finish() adds the outcome."""
        with self._lock:
            entry["seq"] = next(self._seq)
            entry["complete"] = False
            self._entries.append(entry)
        return entry

    def finish(self, entry, **outcome):
        with self._lock:
            entry.update(outcome)
            entry["complete"] = True
            if self._file:
                self._file.write(json.dumps(entry, ensure_ascii=False) + "\n")
                self._file.flush()

    def amend(self, entry, **changes):
        with self._lock:
            entry.update(changes)

    def entries(self, since=0):
        with self._lock:
            return [copy.deepcopy(e) for e in self._entries if e["seq"] > since]

    def clear(self):
        with self._lock:
            self._entries.clear()

    def close(self):
        with self._lock:
            if self._file:
                self._file.close()
                self._file = None


class FaultError(ValueError):
    pass


FAULT_KINDS = ("drop", "hang", "delay", "garbage", "status", "truncate")


def _fault_body(spec, default):
    if "body_b64" in spec:
        try:
            return base64.b64decode(spec["body_b64"], validate=True)
        except (ValueError, TypeError) as e:
            raise FaultError("body_b64 is not base64: %s" % e)
    if "body" in spec:
        if not isinstance(spec["body"], str):
            raise FaultError("body must be text")
        return spec["body"].encode("utf-8")
    return default


def _int_param(spec, name, default, minimum):
    value = spec.get(name, default)
    if isinstance(value, bool) or not isinstance(value, int) or value < minimum:
        raise FaultError("%s must be an integer of at least %d" % (name, minimum))
    return value


def normalize_fault(spec):
    """Checks one fault description and fills in its defaults."""
    if not isinstance(spec, dict):
        raise FaultError("a fault is a JSON object")
    kind = spec.get("kind")
    if kind not in FAULT_KINDS:
        raise FaultError("kind must be one of %s" % ", ".join(FAULT_KINDS))
    action = spec.get("action", "*")
    if not isinstance(action, str) or not action:
        raise FaultError("action must be an action name or \"*\"")
    fault = dict(spec)
    fault["action"] = action
    fault["count"] = _int_param(spec, "count", 1, 1)
    has_body = "body" in spec or "body_b64" in spec
    body = _fault_body(spec, None)
    if kind in ("hang", "delay"):
        fault["ms"] = _int_param(spec, "ms", 5000 if kind == "hang" else 1000, 0)
    if kind == "garbage":
        body = b"OK" if body is None else body
    if kind == "status":
        fault["status"] = _int_param(spec, "status", 500, 100)
        if fault["status"] > 599:
            raise FaultError("status must be below 600")
    if kind == "truncate":
        for name in ("sent", "length"):
            if name in spec:
                _int_param(spec, name, 0, 0)
    if body is not None:
        fault.pop("body", None)
        fault["body_b64"] = _b64(body)
    # By default the action is carried out only when the client gets its normal reply,
    # or when a truncated normal reply is sent; "apply" overrides this, so that for
    # example a reply lost after the account was created can be staged.
    default_apply = kind == "delay" or (kind == "truncate" and not has_body)
    fault["apply"] = bool(spec.get("apply", default_apply))
    fault["reset"] = bool(spec.get("reset", False))
    return fault


class FaultQueue:
    def __init__(self):
        self._lock = threading.Lock()
        self._faults = []

    def add(self, specs):
        if isinstance(specs, dict):
            specs = [specs]
        if not isinstance(specs, list):
            raise FaultError("expected a list of faults")
        faults = [normalize_fault(s) for s in specs]
        with self._lock:
            self._faults.extend(faults)
            return copy.deepcopy(self._faults)

    def take(self, action):
        """The first fault that matches a request with this action, used up by one."""
        with self._lock:
            for fault in self._faults:
                if fault["action"] == "*" or fault["action"] == action:
                    fault["count"] -= 1
                    if fault["count"] == 0:
                        self._faults.remove(fault)
                    taken = copy.deepcopy(fault)
                    taken.pop("count")
                    return taken
        return None

    def list(self):
        with self._lock:
            return copy.deepcopy(self._faults)

    def clear(self):
        with self._lock:
            self._faults.clear()


class SeedError(ValueError):
    pass


def seed_account(store, account):
    """Creates or refreshes the account described as
    {"uname": ..., "password" or "pmd5": ..., "email": ..., "profiles": [names]}."""
    if not isinstance(account, dict):
        raise SeedError("an account is a JSON object")
    uname = account.get("uname")
    if not isinstance(uname, str) or not uname:
        raise SeedError("uname must be a non-empty text")
    if ("password" in account) == ("pmd5" in account):
        raise SeedError("give either password or pmd5")
    if "password" in account:
        if not isinstance(account["password"], str):
            raise SeedError("password must be text")
        pmd5 = tirna_store.password_digest(account["password"])
    else:
        pmd5 = account["pmd5"]
        if not isinstance(pmd5, str):
            raise SeedError("pmd5 must be text")
    email = account.get("email")
    if email is not None and not isinstance(email, str):
        raise SeedError("email must be text or null")
    profiles = account.get("profiles", [])
    # A ";" would break the list that getprofiles returns.
    if not isinstance(profiles, list) or not all(
            isinstance(name, str) and name and ";" not in name for name in profiles):
        raise SeedError("profiles must be a list of non-empty names without \";\"")
    return store.seed_account(uname, pmd5, email, profiles)


class DevServer(ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, address, store, journal, log):
        super().__init__(address, RequestHandler)
        self.store = store
        self.journal = journal
        self.faults = FaultQueue()
        self.log = log
        self.stopping = threading.Event()
        self._connections = itertools.count(1)

    def serve_forever(self, poll_interval=0.1):
        # A short poll keeps close() quick; the cost is a few idle wake-ups a second.
        super().serve_forever(poll_interval)

    def next_connection_id(self):
        return next(self._connections)

    @property
    def port(self):
        return self.server_address[1]

    def close(self):
        """Stops serving (from another thread than serve_forever) and releases everything."""
        self.stopping.set()
        self.shutdown()
        self.server_close()
        self.journal.close()
        self.store.close()


class BadRequest(Exception):
    pass


class RequestHandler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    timeout = KEEP_ALIVE_TIMEOUT

    def setup(self):
        super().setup()
        self.connection_id = self.server.next_connection_id()
        self.request_number = 0

    def log_message(self, format, *args):
        pass  # the server writes its own line per request

    # Reading

    def handle_one_request(self):
        self.close_connection = True
        try:
            line = self.rfile.readline(MAX_LINE + 1)
        except OSError:
            return
        if not line:
            return
        if line in (b"\r\n", b"\n"):
            # A stray empty line between requests is allowed and ignored.
            self.close_connection = False
            return
        self.request_number += 1
        entry = {
            "seq": None,
            "complete": False,
            "time": _now(),
            "client": "%s:%d" % self.client_address[:2],
            "connection": self.connection_id,
            "request_on_connection": self.request_number,
            "request_line": line.rstrip(b"\r\n").decode("latin-1"),
            "method": None, "target": None, "path": None, "version": None,
            "header_lines": [], "headers": [],
            "content_length": None, "body_framing": None,
            "body_b64": "", "body_text": "", "body_length": 0,
            "action": None, "fields": {}, "fault": None, "error": None,
            "status": None, "reply_b64": None, "reply_text": None, "service_reply": None,
        }
        try:
            self._read_head(line, entry)
            body = self._read_body(entry)
        except BadRequest as e:
            entry["error"] = str(e)
            if self._is_control(entry):
                self._send_json(400, {"error": str(e)}, close=True)
                return
            self.server.journal.begin(entry)
            self._finish(entry, 400, b"Bad request: %s\n" % str(e).encode("latin-1", "replace"),
                         "text/plain", close=True)
            return
        if self._is_control(entry):
            self._control(entry, body)
            return
        try:
            self._serve(entry, body)
        except Exception as e:
            # A fault of the service itself still leaves a complete journal entry.
            traceback.print_exc()
            if not entry["complete"]:
                if entry["seq"] is None:
                    self.server.journal.begin(entry)
                entry["error"] = "internal error: %r" % e
                self._finish(entry, 500, b"Internal error\n", "text/plain", close=True)

    def _read_head(self, line, entry):
        if len(line) > MAX_LINE:
            raise BadRequest("request line too long")
        parts = entry["request_line"].split()
        if len(parts) != 3 or not parts[2].startswith("HTTP/"):
            raise BadRequest("malformed request line")
        method, target, version = parts
        entry.update(method=method, target=target, version=version,
                     path=urlsplit(target).path or "/")
        self.command, self.path, self.request_version = method, target, version
        while True:
            try:
                raw = self.rfile.readline(MAX_LINE + 1)
            except OSError:
                raise BadRequest("connection lost in the header")
            if not raw:
                raise BadRequest("connection closed in the header")
            if len(raw) > MAX_LINE:
                raise BadRequest("header line too long")
            if raw in (b"\r\n", b"\n"):
                break
            text = raw.rstrip(b"\r\n").decode("latin-1")
            entry["header_lines"].append(text)
            if len(entry["header_lines"]) > MAX_HEADERS:
                raise BadRequest("too many header lines")
            if text[:1] in (" ", "\t") and entry["headers"]:
                entry["headers"][-1][1] += " " + text.strip()
                continue
            name, sep, value = text.partition(":")
            if not sep or not name.strip():
                raise BadRequest("header line without a name: %r" % text)
            entry["headers"].append([name, value.strip()])
        connection = self._header(entry, "Connection") or ""
        if version == "HTTP/1.0":
            self.close_connection = "keep-alive" not in connection.lower()
        else:
            self.close_connection = "close" in connection.lower()

    @staticmethod
    def _header(entry, name):
        for key, value in entry["headers"]:
            if key.lower() == name.lower():
                return value
        return None

    def _read_body(self, entry):
        length_text = self._header(entry, "Content-Length")
        chunked = "chunked" in (self._header(entry, "Transfer-Encoding") or "").lower()
        if (self._header(entry, "Expect") or "").lower() == "100-continue":
            self.wfile.write(b"HTTP/1.1 100 Continue\r\n\r\n")
        length = None
        if length_text is not None:
            # A retried WinHTTP request carries the header re-added, "57; 57".
            match = re.search(r"\d+", length_text)
            if match:
                length = int(match.group())
        if chunked:
            entry["body_framing"] = "chunked"
            body = self._read_chunked()
        elif length is not None:
            entry["body_framing"] = "content-length"
            entry["content_length"] = length
            if length > MAX_BODY:
                raise BadRequest("body too large")
            body = self._read_exactly(length, entry)
        elif entry["method"] == "POST":
            entry["body_framing"] = "until-idle"
            body = self._read_until_idle()
            self.close_connection = True
        else:
            entry["body_framing"] = "none"
            body = b""
        entry.update(body_b64=_b64(body), body_text=body.decode("latin-1"),
                     body_length=len(body))
        return body

    def _read_exactly(self, length, entry):
        chunks, remaining = [], length
        self.connection.settimeout(BODY_TIMEOUT)
        try:
            while remaining:
                chunk = self.rfile.read1(remaining)
                if not chunk:
                    break
                chunks.append(chunk)
                remaining -= len(chunk)
        except OSError:
            pass
        body = b"".join(chunks)
        if remaining:
            entry.update(body_b64=_b64(body), body_text=body.decode("latin-1"),
                         body_length=len(body))
            raise BadRequest("body shorter than its Content-Length (%d of %d bytes)"
                             % (len(body), length))
        self.connection.settimeout(self.timeout)
        return body

    def _read_until_idle(self):
        chunks, total = [], 0
        self.connection.settimeout(IDLE_BODY_TIMEOUT)
        try:
            while total < MAX_BODY:
                chunk = self.rfile.read1(MAX_BODY - total)
                if not chunk:
                    break
                chunks.append(chunk)
                total += len(chunk)
        except OSError:
            pass
        return b"".join(chunks)

    def _read_chunked(self):
        chunks, total = [], 0
        self.connection.settimeout(BODY_TIMEOUT)
        try:
            while True:
                size_line = self.rfile.readline(MAX_LINE + 1)
                try:
                    size = int(size_line.split(b";")[0].strip(), 16)
                except ValueError:
                    raise BadRequest("malformed chunk size")
                if size == 0:
                    while self.rfile.readline(MAX_LINE + 1) not in (b"\r\n", b"\n", b""):
                        pass
                    break
                total += size
                if total > MAX_BODY:
                    raise BadRequest("body too large")
                chunks.append(self.rfile.read(size))
                self.rfile.readline(MAX_LINE + 1)
        except OSError:
            raise BadRequest("connection lost in a chunked body")
        self.connection.settimeout(self.timeout)
        return b"".join(chunks)

    # Control endpoints (see tirna_devservice.py): never journaled and never faulted.

    CONTROL_PATHS = ("/__journal", "/__journal/clear", "/__faults", "/__faults/clear",
                     "/__state", "/__reset", "/__seed")

    def _is_control(self, entry):
        return entry["path"] in self.CONTROL_PATHS

    def _control(self, entry, body):
        server = self.server
        route = (entry["method"], entry["path"])
        query = parse_qs(urlsplit(entry["target"]).query)
        if route == ("GET", "/__journal"):
            try:
                since = int(query.get("since", ["0"])[0])
            except ValueError:
                self._send_json(400, {"error": "since must be a number"})
                return
            self._send_json(200, server.journal.entries(since))
        elif route == ("POST", "/__journal/clear"):
            server.journal.clear()
            self._send_json(200, [])
        elif route == ("GET", "/__faults"):
            self._send_json(200, server.faults.list())
        elif route == ("POST", "/__faults"):
            try:
                queued = server.faults.add(json.loads(body.decode("utf-8")))
            except (ValueError, FaultError) as e:
                self._send_json(400, {"error": str(e)})
                return
            server.log("faults queued: %s" % json.dumps(queued))
            self._send_json(200, queued)
        elif route == ("POST", "/__faults/clear"):
            server.faults.clear()
            server.log("faults cleared")
            self._send_json(200, [])
        elif route == ("GET", "/__state"):
            self._send_json(200, server.store.snapshot())
        elif route == ("POST", "/__reset"):
            server.store.reset()
            server.journal.clear()
            server.faults.clear()
            server.log("reset: no accounts, devices, journal entries or faults")
            self._send_json(200, server.store.snapshot())
        elif route == ("POST", "/__seed"):
            try:
                account = seed_account(server.store, json.loads(body.decode("utf-8")))
            except (ValueError, SeedError) as e:
                self._send_json(400, {"error": str(e)})
                return
            server.log("seeded account %s (user id %d)" % (account["uname"], account["user_id"]))
            self._send_json(200, account)
        else:
            self._send_json(405, {"error": "method not allowed here"})

    def _send_json(self, status, value, close=False):
        data = json.dumps(value, ensure_ascii=False, indent=1).encode("utf-8")
        self._write_response(status, data, "application/json; charset=utf-8", close=close)

    # Service requests

    def _serve(self, entry, body):
        server = self.server
        is_service_post = entry["method"] == "POST" and entry["path"] == SERVICE_PATH
        if is_service_post:
            action, fields, _ = tirna_protocol.read_request(body)
            entry.update(action=action, fields=fields)
        fault = server.faults.take(entry["action"] if is_service_post else None)
        entry["fault"] = fault
        server.journal.begin(entry)
        if fault is None:
            status, data, content_type = self._respond_normally(entry, body)
            self._finish(entry, status, data, content_type)
            return
        kind = fault["kind"]
        fault_body = base64.b64decode(fault["body_b64"]) if "body_b64" in fault else None
        normal = self._respond_normally(entry, body) if fault["apply"] else None
        if kind in ("drop", "hang"):
            if kind == "hang":
                server.stopping.wait(fault["ms"] / 1000.0)
            if fault["reset"]:
                # Linger 0 makes the close send a reset instead of an orderly end.
                self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER,
                                           struct.pack("ii", 1, 0))
                self.connection.close()
            self._finish(entry, None, None, None, close=True)
        elif kind == "delay":
            server.stopping.wait(fault["ms"] / 1000.0)
            self._finish(entry, *normal)
        elif kind == "garbage":
            self._finish(entry, 200, fault_body,
                         fault.get("content_type", "text/plain"))
        elif kind == "status":
            status = fault["status"]
            if fault_body is None:
                data = self._error_page(status)
                content_type = "text/html"
            else:
                data = fault_body
                content_type = fault.get("content_type", "text/plain")
            self._finish(entry, status, data, content_type)
        elif kind == "truncate":
            if fault_body is not None:
                data = fault_body
            else:
                data = normal[1] if normal else b""
            sent = fault.get("sent", len(data))
            data = data[:sent]
            length = fault.get("length", len(data) + 100)
            self._finish(entry, 200, data, "text/plain", close=True,
                         announced=max(length, len(data) + 1))

    def _respond_normally(self, entry, body):
        """(status, body bytes, content type) of the reply the service would give."""
        server = self.server
        if entry["path"] == SERVICE_PATH:
            if entry["method"] != "POST":
                return 405, b"-1", "text/plain"
            _, _, reply = tirna_protocol.handle(server.store, body)
            entry["service_reply"] = reply
            return 200, tirna_protocol.encode_reply(reply), "text/plain; charset=windows-1252"
        if entry["path"] == ACCOUNT_PATH and entry["method"] in ("GET", "HEAD"):
            query = parse_qs(urlsplit(entry["target"]).query)
            uname = query.get("uname", [None])[0]
            status, html = tirna_pages.account_page(server.store.snapshot(), uname)
            return status, html.encode("utf-8"), "text/html; charset=utf-8"
        return 404, b"Not found\n", "text/plain"

    @staticmethod
    def _error_page(status):
        try:
            phrase = HTTPStatus(status).phrase
        except ValueError:
            phrase = "Error"
        return ("<html><head><title>%d %s</title></head><body><h1>%s</h1>"
                "<p>The server could not handle the request.</p></body></html>"
                % (status, phrase, phrase)).encode("ascii")

    def _finish(self, entry, status, data, content_type, close=False, announced=None):
        """Journals the outcome, then sends the reply (none when status is None) and logs.

        The entry is complete before the reply leaves, so a client that has its reply
        always finds the request journaled with it.
        """
        if close:
            self.close_connection = True
        outcome = {
            "status": status,
            "reply_b64": _b64(data) if data is not None else None,
            "reply_text": data.decode("latin-1") if data is not None else None,
        }
        if announced is not None:
            outcome["reply_announced_length"] = announced
        self.server.journal.finish(entry, **outcome)
        if status is not None:
            try:
                self._write_response(status, data, content_type, close=self.close_connection,
                                     announced=announced,
                                     head_only=entry["method"] == "HEAD")
            except OSError:
                self.close_connection = True
                self.server.journal.amend(
                    entry, error="the client went away before the reply was sent")
        self.server.log(_log_line(entry))

    def _write_response(self, status, data, content_type, close=False, announced=None,
                        head_only=False):
        try:
            phrase = HTTPStatus(status).phrase
        except ValueError:
            phrase = "Unknown"
        head = [
            "HTTP/1.1 %d %s" % (status, phrase),
            "Server: TirnaDevService",
            "Date: %s" % self.date_time_string(),
            "Content-Type: %s" % content_type,
            "Content-Length: %d" % (len(data) if announced is None else announced),
        ]
        if close:
            head.append("Connection: close")
        payload = ("\r\n".join(head) + "\r\n\r\n").encode("latin-1")
        if not head_only:
            payload += data
        self.wfile.write(payload)


def _short(text, limit=120):
    text = repr(text)
    return text if len(text) <= limit else text[:limit - 3] + "..."


def _log_line(entry):
    parts = ["#%d %s %s" % (entry["seq"], entry["method"] or "?", entry["target"] or "?")]
    if entry["action"]:
        parts.append("action=%s" % entry["action"])
    for name, value in entry["fields"].items():
        if name != "action":
            parts.append("%s=%s" % (name, _short(value, 60)))
    if not entry["fields"] and entry["body_length"]:
        parts.append("body=%s" % _short(entry["body_text"], 80))
    if entry["error"]:
        parts.append("error=%s" % _short(entry["error"]))
    if entry["status"] is None:
        parts.append("-> no reply")
    else:
        parts.append("-> %d %s" % (entry["status"], _short(entry["reply_text"])))
    if entry["fault"]:
        parts.append("[fault %s%s]" % (entry["fault"]["kind"],
                                       ", applied" if entry["fault"]["apply"] else ""))
    return " ".join(parts)


def make_server(host, port, store, journal, log=print):
    return DevServer((host, port), store, journal, log)
