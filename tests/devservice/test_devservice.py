"""Tests of the stand-in Tirna service, spoken to the way TirnaUIAuth.exe speaks to it."""

import base64
import hashlib
import http.client
import json
import os
import socket
import subprocess
import sys
import tempfile
import threading
import time
import unittest

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SERVICE_DIR = os.path.join(REPO, "devservice")
SCRIPT = os.path.join(SERVICE_DIR, "tirna_devservice.py")
sys.path.insert(0, SERVICE_DIR)

import tirna_http  # noqa: E402
import tirna_protocol  # noqa: E402
import tirna_store  # noqa: E402

DIGEST = hashlib.md5(b"secret").hexdigest()
OTHER_DIGEST = hashlib.md5(b"other").hexdigest()
DID = "CD-AB-34-12-A9060300-00081000-FFE3BA7F-FFFBEBBF"
DEVICE = b"&product=2_1.0&osv=Windows6.1&dtype=2&dname=HOME-PC&dconfig=Intel(R) Core"


def winhttp_request(port, body, content_length=None, cache_control=True):
    """A request as the program's client sends it: its header lines, then the body bytes."""
    length = str(len(body)) if content_length is None else content_length
    lines = [
        "POST /device_point.php HTTP/1.1",
        "Connection: Keep-Alive",
        "User-Agent: WinHttpClient",
        "Content-Length: %s" % length,
    ]
    if cache_control:
        lines.append("Cache-Control: no-cache")
    lines += ["Content-Type: application/x-www-form-urlencoded",
              "Host: 127.0.0.1:%d" % port]
    return ("\r\n".join(lines) + "\r\n\r\n").encode("latin-1") + body


def read_response(sock):
    response = http.client.HTTPResponse(sock)
    response.begin()
    return response.status, response.read(), response


def process_running(pid):
    """True while pid exists and has not ended (a zombie has ended)."""
    try:
        with open("/proc/%d/stat" % pid) as f:
            return f.read().rsplit(")", 1)[1].split()[0] != "Z"
    except OSError:
        return False


class ServiceCase(unittest.TestCase):
    """A service on a free loopback port with a fresh database, run in this process."""

    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.store = tirna_store.Store(os.path.join(self.tmp.name, "db.sqlite3"))
        self.journal_path = os.path.join(self.tmp.name, "journal.jsonl")
        self.log_lines = []
        self.server = tirna_http.make_server(
            "127.0.0.1", 0, self.store, tirna_http.Journal(self.journal_path),
            log=self.log_lines.append)
        self.port = self.server.port
        thread = threading.Thread(target=self.server.serve_forever, daemon=True)
        thread.start()
        self.addCleanup(self.tmp.cleanup)
        self.addCleanup(thread.join)
        self.addCleanup(self.server.close)

    def connect(self):
        sock = socket.create_connection(("127.0.0.1", self.port), timeout=5)
        self.addCleanup(sock.close)
        return sock

    def post(self, body, **kwargs):
        """Posts body; returns (HTTP status, reply bytes)."""
        sock = self.connect()
        sock.sendall(winhttp_request(self.port, body, **kwargs))
        status, data, _ = read_response(sock)
        return status, data

    def reply(self, body):
        status, data = self.post(body)
        self.assertEqual(status, 200)
        return data.decode("cp1252")

    def control(self, method, path, value=None):
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=5)
        self.addCleanup(conn.close)
        body = None if value is None else json.dumps(value).encode("utf-8")
        conn.request(method, path, body=body)
        response = conn.getresponse()
        return response.status, json.loads(response.read())

    def add_account(self, uname="parent", digest=DIGEST, profiles=()):
        account = self.store.create_account(uname, digest)
        ids = [self.store.create_profile(account["user_id"], name) for name in profiles]
        return account["user_id"], ids

    def auth_fields(self, uname=b"parent", digest=DIGEST):
        return b"&uname=" + uname + b"&pmd5=" + digest.encode()


class BodyParsingTest(unittest.TestCase):
    def test_fields_are_split_only_at_known_field_names(self):
        cases = [
            (b"action=authuser&did=X&uname=a&pmd5=d",
             [("action", b"authuser"), ("did", b"X"), ("uname", b"a"), ("pmd5", b"d")]),
            # "&" and "=" inside a user name, with pieces that are not field names.
            (b"action=authuser&uname=a&b=c&d&pmd5=d",
             [("action", b"authuser"), ("uname", b"a&b=c&d"), ("pmd5", b"d")]),
            # Nothing is unescaped: "+" stays, "%41" stays.
            (b"action=createuser&uname=a+b%41&pmd5=d",
             [("action", b"createuser"), ("uname", b"a+b%41"), ("pmd5", b"d")]),
            (b"action=install&dconfig=", [("action", b"install"), ("dconfig", b"")]),
            (b"action=getprofiles&uname=\xc3\xa9", [("action", b"getprofiles"),
                                                   ("uname", b"\xc3\xa9")]),
        ]
        for body, expected in cases:
            with self.subTest(body=body):
                self.assertEqual(tirna_protocol.parse_body(body), expected)

    def test_unparsable_bodies_are_refused(self):
        for body in (b"", b"hello", b"x=1&action=authuser", b"action=a&uname=x&uname=y"):
            with self.subTest(body=body):
                with self.assertRaises(tirna_protocol.MalformedBody):
                    tirna_protocol.parse_body(body)


class ActionTest(ServiceCase):
    def test_authuser(self):
        user_id, _ = self.add_account()
        cases = [
            (b"action=authuser&did=" + DID.encode() + self.auth_fields(), "0;%d" % user_id),
            (b"action=authuser&did=X" + self.auth_fields(digest=OTHER_DIGEST), "-2"),
            (b"action=authuser&did=X" + self.auth_fields(uname=b"nobody"), "-2"),
            (b"action=authuser&did=X" + self.auth_fields(digest=DIGEST.upper()), "-2"),
            (b"action=authuser&did=X&uname=parent", "-1"),
        ]
        for body, expected in cases:
            with self.subTest(body=body):
                self.assertEqual(self.reply(body), expected)
        self.assertGreater(user_id, 0)

    def test_createuser_then_sign_in_with_a_name_holding_separators(self):
        name = b"ann&co=x"
        create = (b"action=createuser&uname=" + name + b"&pmd5=" + DIGEST.encode()
                  + b"&did=none&email=ann@example.com")
        self.assertEqual(self.reply(create), "0")
        self.assertEqual(self.reply(create), "-5")
        account = self.store.find_account("ann&co=x")
        self.assertEqual((account["pmd5"], account["email"]), (DIGEST, "ann@example.com"))
        self.assertEqual(self.reply(b"action=authuser&did=X" + self.auth_fields(uname=name)),
                         "0;%d" % account["user_id"])

    def test_createuser_refuses_unusable_values(self):
        cases = [
            (b"action=createuser&uname=&pmd5=" + DIGEST.encode() + b"&did=none", "-4"),
            (b"action=createuser&uname=x&pmd5=&did=none", "-4"),
            (b"action=createuser&uname=x&pmd5=" + DIGEST.upper().encode() + b"&did=none", "-4"),
            (b"action=createuser&uname=x&pmd5=" + DIGEST.encode(), "-1"),
        ]
        for body, expected in cases:
            with self.subTest(body=body):
                self.assertEqual(self.reply(body), expected)
        self.assertEqual(self.store.accounts(), [])

    def test_getprofiles_lists_count_then_id_name_pairs(self):
        self.add_account()
        body = b"action=getprofiles&did=none" + self.auth_fields()
        self.assertEqual(self.reply(body), "0;0")
        _, (alpha, beta) = self.add_account("other", profiles=["Alpha", "Beta"])
        other = b"action=getprofiles&did=none" + self.auth_fields(uname=b"other")
        self.assertEqual(self.reply(other), "0;2;%d;Alpha;%d;Beta" % (alpha, beta))
        self.assertEqual(self.reply(b"action=getprofiles&did=none"
                                    + self.auth_fields(digest=OTHER_DIGEST)), "-2")

    def test_profile_names_are_sent_back_in_windows_1252(self):
        self.add_account()
        for name in ("Zoë".encode("utf-8"), "Ωmega".encode("utf-8")):
            body = (b"action=setprofile" + self.auth_fields() + b"&did=" + DID.encode()
                    + b"&profname=" + name)
            self.assertEqual(self.reply(body), "0")
        status, data = self.post(b"action=getprofiles&did=none" + self.auth_fields())
        self.assertEqual(status, 200)
        ids = [p["profile_id"] for p in self.store.profiles(self.store.find_account("parent")
                                                            ["user_id"])]
        self.assertEqual(data, b"0;2;%d;Zo\xeb;%d;?mega" % tuple(ids))

    def test_setprofile(self):
        user_id, (own,) = self.add_account(profiles=["Kid"])
        _, (foreign,) = self.add_account("other", profiles=["Theirs"])
        base = b"action=setprofile" + self.auth_fields() + b"&did=" + DID.encode()
        cases = [
            (base + b"&profid=%d" % foreign, "-3"),
            (base + b"&profid=99999", "-3"),
            (base + b"&profid=x", "-3"),
            (base + b"&profname=", "-4"),
            (base + b"&profname=a;b", "-4"),
            (base + b"&profid=%d&profname=New" % own, "-1"),
            (base, "-1"),
            (b"action=setprofile" + self.auth_fields(digest=OTHER_DIGEST) + b"&did="
             + DID.encode() + b"&profid=%d" % own, "-2"),
            (b"action=setprofile" + self.auth_fields() + b"&did=none&profid=%d" % own, "-4"),
        ]
        for body, expected in cases:
            with self.subTest(body=body):
                self.assertEqual(self.reply(body), expected)
        self.assertIsNone(self.store.device(DID))

        self.assertEqual(self.reply(base + b"&profid=%d" % own), "0")
        device = self.store.device(DID)
        self.assertEqual((device["user_id"], device["profile_id"]), (user_id, own))

        self.assertEqual(self.reply(base + b"&profname=Beta Two"), "0")
        created = self.store.profiles(user_id)[-1]
        self.assertEqual(created["name"], "Beta Two")
        self.assertEqual(self.store.device(DID)["profile_id"], created["profile_id"])

    def test_install(self):
        user_id, _ = self.add_account()
        anonymous = b"action=install&did=" + DID.encode() + DEVICE
        self.assertEqual(self.reply(anonymous), "0")
        device = self.store.device(DID)
        self.assertEqual(
            (device["product"], device["osv"], device["dtype"], device["dname"],
             device["dconfig"], device["user_id"]),
            ("2_1.0", "Windows6.1", "2", "HOME-PC", "Intel(R) Core", None))

        signed = b"action=install&did=" + DID.encode() + self.auth_fields() + DEVICE
        self.assertEqual(self.reply(signed), "0")
        self.assertEqual(self.store.device(DID)["user_id"], user_id)
        self.assertEqual(self.store.device(DID)["installs"], 2)

        cases = [
            (b"action=install&did=NEW" + self.auth_fields(digest=OTHER_DIGEST) + DEVICE, "-2"),
            (b"action=install&did=NEW&pmd5=" + DIGEST.encode() + DEVICE, "-2"),
            (b"action=install&did=NEW&product=2_1.0", "-1"),
            (b"action=install&did=none" + DEVICE, "-4"),
        ]
        for body, expected in cases:
            with self.subTest(body=body):
                self.assertEqual(self.reply(body), expected)
        self.assertIsNone(self.store.device("NEW"))

    def test_unknown_action_and_malformed_bodies(self):
        for body in (b"action=deleteuser&uname=x", b"", b"hello world", b"uname=x&action=authuser"):
            with self.subTest(body=body):
                self.assertEqual(self.reply(body), "-1")

    def test_replies_are_plain_text(self):
        sock = self.connect()
        sock.sendall(winhttp_request(self.port, b"action=nothing"))
        _, _, response = read_response(sock)
        self.assertTrue(response.getheader("Content-Type").startswith("text/plain"))


class FramingTest(ServiceCase):
    def test_repeated_content_length_and_keep_alive(self):
        user_id, _ = self.add_account()
        body = b"action=authuser&did=X" + self.auth_fields()
        sock = self.connect()
        # A retried request carries the re-added header coalesced as "57; 57"; the next
        # request on the same connection must still be read from the right byte.
        for header in ("%d; %d" % (len(body), len(body)), str(len(body))):
            with self.subTest(header=header):
                sock.sendall(winhttp_request(self.port, body, content_length=header))
                status, data, _ = read_response(sock)
                self.assertEqual((status, data), (200, b"0;%d" % user_id))
        entries = self.control("GET", "/__journal")[1]
        self.assertEqual([e["connection"] for e in entries], [entries[0]["connection"]] * 2)
        self.assertEqual([e["content_length"] for e in entries], [len(body)] * 2)

    def test_missing_content_length_takes_what_arrives(self):
        self.add_account()
        body = b"action=authuser&did=X" + self.auth_fields()
        sock = self.connect()
        sock.sendall(b"POST /device_point.php HTTP/1.1\r\nHost: x\r\n\r\n" + body)
        status, data, _ = read_response(sock)
        self.assertEqual(status, 200)
        self.assertTrue(data.startswith(b"0;"))

    def test_short_body_is_journaled_as_an_error(self):
        sock = self.connect()
        sock.sendall(winhttp_request(self.port, b"action=au", content_length="50"))
        sock.shutdown(socket.SHUT_WR)
        status, _, _ = read_response(sock)
        self.assertEqual(status, 400)
        (entry,) = self.control("GET", "/__journal")[1]
        self.assertEqual(base64.b64decode(entry["body_b64"]), b"action=au")
        self.assertIn("shorter", entry["error"])


class JournalTest(ServiceCase):
    def test_records_header_lines_body_bytes_and_reply(self):
        user_id, _ = self.add_account()
        body = b"action=authuser&did=X" + self.auth_fields() + b"\xff"
        sock = self.connect()
        sock.sendall(b"POST /device_point.php HTTP/1.1\r\n"
                     b"Content-Length: %d;  %d\r\n" % (len(body), len(body))
                     + b"X-Odd:   spaced value \r\n"
                     b"Content-Type: application/x-www-form-urlencoded\r\n"
                     b"Host: h\r\n\r\n" + body)
        read_response(sock)
        self.post(b"action=authuser&did=X" + self.auth_fields(), cache_control=False)
        self.control("GET", "/__faults")

        status, entries = self.control("GET", "/__journal")
        self.assertEqual(status, 200)
        self.assertEqual(len(entries), 2, "control requests must not be journaled")
        first, second = entries
        self.assertEqual(first["request_line"], "POST /device_point.php HTTP/1.1")
        self.assertEqual(first["header_lines"], [
            "Content-Length: %d;  %d" % (len(body), len(body)),
            "X-Odd:   spaced value ",
            "Content-Type: application/x-www-form-urlencoded",
            "Host: h",
        ])
        self.assertEqual(base64.b64decode(first["body_b64"]), body)
        self.assertEqual(first["body_text"], body.decode("latin-1"))
        self.assertEqual(first["action"], "authuser")
        self.assertEqual(first["fields"]["pmd5"], DIGEST + "\ufffd")
        self.assertEqual((first["status"], base64.b64decode(first["reply_b64"])), (200, b"-2"))
        self.assertEqual(base64.b64decode(second["reply_b64"]), b"0;%d" % user_id)
        self.assertNotIn("Cache-Control: no-cache", second["header_lines"])
        self.assertLess(first["seq"], second["seq"])

        self.assertEqual(self.control("GET", "/__journal?since=%d" % first["seq"])[1],
                         [second])
        with open(self.journal_path, encoding="utf-8") as f:
            self.assertEqual([json.loads(line) for line in f], entries)

        self.control("POST", "/__journal/clear")
        self.assertEqual(self.control("GET", "/__journal")[1], [])

    def test_other_paths_are_journaled_too(self):
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=5)
        self.addCleanup(conn.close)
        conn.request("GET", "/nowhere?x=1")
        self.assertEqual(conn.getresponse().status, 404)
        (entry,) = self.control("GET", "/__journal")[1]
        self.assertEqual((entry["method"], entry["target"], entry["status"]),
                         ("GET", "/nowhere?x=1", 404))


class AccountPageTest(ServiceCase):
    def get(self, target):
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=5)
        self.addCleanup(conn.close)
        conn.request("GET", target)
        response = conn.getresponse()
        return response.status, response.read().decode("utf-8")

    def test_lists_accounts_with_escaped_names(self):
        user_id, (kid,) = self.add_account("<b>&co", profiles=["<i>Kid"])
        self.add_account("someone else")
        self.store.bind_device("DEV-1", user_id, kid)
        status, page = self.get("/account.php?uname=%3Cb%3E%26co")
        self.assertEqual(status, 200)
        self.assertIn("&lt;b&gt;&amp;co", page)
        self.assertIn("&lt;i&gt;Kid", page)
        self.assertIn("DEV-1", page)
        self.assertNotIn("<b>", page)
        self.assertNotIn("someone else", page)
        self.assertIn("someone else", self.get("/account.php")[1])
        self.assertEqual(self.get("/account.php?uname=nobody")[0], 404)


class FaultTest(ServiceCase):
    def queue(self, *faults):
        status, queued = self.control("POST", "/__faults", list(faults))
        self.assertEqual(status, 200, queued)
        return queued

    def authuser(self):
        return b"action=authuser&did=X" + self.auth_fields()

    def test_drop_sends_nothing_and_does_not_act(self):
        self.queue({"action": "createuser", "kind": "drop"})
        sock = self.connect()
        sock.sendall(winhttp_request(self.port, b"action=createuser&uname=n&pmd5="
                                     + DIGEST.encode() + b"&did=none"))
        self.assertEqual(sock.recv(100), b"")
        self.assertIsNone(self.store.find_account("n"))
        (entry,) = self.control("GET", "/__journal")[1]
        self.assertEqual((entry["fault"]["kind"], entry["status"], entry["action"]),
                         ("drop", None, "createuser"))

    def test_applied_drop_acts_but_loses_the_reply(self):
        self.queue({"action": "createuser", "kind": "drop", "apply": True})
        create = b"action=createuser&uname=n&pmd5=" + DIGEST.encode() + b"&did=none"
        sock = self.connect()
        sock.sendall(winhttp_request(self.port, create))
        self.assertEqual(sock.recv(100), b"")
        self.assertEqual(self.reply(create), "-5")

    def test_reset_drop(self):
        self.queue({"kind": "drop", "reset": True})
        sock = self.connect()
        sock.sendall(winhttp_request(self.port, self.authuser()))
        with self.assertRaises(ConnectionResetError):
            sock.recv(100)

    def test_replies_replaced_by_the_fault(self):
        self.add_account()
        cases = [
            ({"kind": "status", "status": 503}, 503, None),
            ({"kind": "status", "status": 500, "body": "0;1"}, 500, b"0;1"),
            ({"kind": "garbage", "body_b64": base64.b64encode(b"O\x00K\xe9").decode()},
             200, b"O\x00K\xe9"),
            ({"kind": "garbage", "body": ""}, 200, b""),
            ({"kind": "garbage"}, 200, b"OK"),
        ]
        for fault, status, body in cases:
            with self.subTest(fault=fault):
                self.queue(dict(fault, action="authuser"))
                got_status, got_body = self.post(self.authuser())
                self.assertEqual(got_status, status)
                if body is None:
                    self.assertIn(b"<html>", got_body)
                else:
                    self.assertEqual(got_body, body)
        self.assertTrue(self.reply(self.authuser()).startswith("0;"))

    def test_count_is_used_up_and_action_must_match(self):
        self.add_account()
        self.queue({"action": "getprofiles", "kind": "status", "status": 500, "count": 2})
        profiles = b"action=getprofiles&did=none" + self.auth_fields()
        self.assertEqual(self.post(self.authuser())[0], 200)
        self.assertEqual(self.control("GET", "/__faults")[1][0]["count"], 2)
        self.assertEqual([self.post(profiles)[0] for _ in range(3)], [500, 500, 200])
        self.assertEqual(self.control("GET", "/__faults")[1], [])

    def test_queue_order_and_clear(self):
        self.queue({"kind": "status", "status": 502}, {"kind": "status", "status": 504})
        self.assertEqual(self.post(self.authuser())[0], 502)
        self.control("POST", "/__faults/clear")
        self.assertEqual(self.post(self.authuser())[0], 200)

    def test_delay_answers_normally_after_the_wait(self):
        user_id, _ = self.add_account()
        self.queue({"kind": "delay", "ms": 300})
        started = time.monotonic()
        status, data = self.post(self.authuser())
        self.assertGreaterEqual(time.monotonic() - started, 0.3)
        self.assertEqual((status, data), (200, b"0;%d" % user_id))

    def test_hang_closes_without_reply_after_the_wait(self):
        self.queue({"kind": "hang", "ms": 300})
        sock = self.connect()
        started = time.monotonic()
        sock.sendall(winhttp_request(self.port, self.authuser()))
        self.assertEqual(sock.recv(100), b"")
        self.assertGreaterEqual(time.monotonic() - started, 0.3)

    def test_truncate_announces_more_than_it_sends(self):
        user_id, _ = self.add_account()
        self.queue({"kind": "truncate"}, {"kind": "truncate", "body": "0;123456", "sent": 3})
        for expected in (b"0;%d" % user_id, b"0;1"):
            with self.subTest(expected=expected):
                sock = self.connect()
                sock.sendall(winhttp_request(self.port, self.authuser()))
                received = b""
                while True:
                    chunk = sock.recv(4096)
                    if not chunk:
                        break
                    received += chunk
                head, _, body = received.partition(b"\r\n\r\n")
                length = int(head.lower().split(b"content-length:")[1].split(b"\r\n")[0])
                self.assertEqual(body, expected)
                self.assertGreater(length, len(body))

    def test_invalid_faults_are_refused(self):
        for fault in ({"kind": "explode"}, {"kind": "delay", "ms": -1},
                      {"kind": "drop", "count": 0}, {"kind": "status", "status": 700},
                      {"kind": "garbage", "body_b64": "***"}, "drop"):
            with self.subTest(fault=fault):
                status, _ = self.control("POST", "/__faults", [fault])
                self.assertEqual(status, 400)
        self.assertEqual(self.control("GET", "/__faults")[1], [])


class ResetAndSeedTest(ServiceCase):
    def test_seed_creates_an_account_with_profiles_and_refreshes_it(self):
        status, seeded = self.control("POST", "/__seed", {
            "uname": "zoë", "password": "pässwörd", "email": "z@example.com",
            "profiles": ["Kid", "Teen"]})
        self.assertEqual(status, 200, seeded)
        self.assertEqual(seeded["pmd5"], hashlib.md5(b"p\xe4ssw\xf6rd").hexdigest())
        self.assertEqual(seeded["email"], "z@example.com")
        self.assertEqual([p["name"] for p in seeded["profiles"]], ["Kid", "Teen"])
        body = ("action=getprofiles&did=none&uname=zoë&pmd5=" + seeded["pmd5"]).encode()
        self.assertEqual(self.reply(body), "0;2;%d;Kid;%d;Teen" % tuple(
            p["profile_id"] for p in seeded["profiles"]))

        # Seeding again keeps the account and its profiles, adds what is missing and
        # takes the new digest.
        status, again = self.control("POST", "/__seed", {
            "uname": "zoë", "pmd5": DIGEST, "profiles": ["Teen", "Baby"]})
        self.assertEqual(status, 200, again)
        self.assertEqual(again["user_id"], seeded["user_id"])
        self.assertEqual(again["pmd5"], DIGEST)
        self.assertEqual(again["email"], "z@example.com")
        self.assertEqual([p["name"] for p in again["profiles"]], ["Kid", "Teen", "Baby"])

    def test_seed_refuses_unusable_accounts(self):
        for spec in ({"password": "x"}, {"uname": "", "password": "x"}, {"uname": "a"},
                     {"uname": "a", "password": "x", "pmd5": DIGEST},
                     {"uname": "a", "password": 5}, {"uname": "a", "pmd5": DIGEST, "email": 1},
                     {"uname": "a", "pmd5": DIGEST, "profiles": ["a;b"]},
                     {"uname": "a", "pmd5": DIGEST, "profiles": [""]},
                     {"uname": "a", "pmd5": DIGEST, "profiles": "Kid"}, ["a"]):
            with self.subTest(spec=spec):
                status, reply = self.control("POST", "/__seed", spec)
                self.assertEqual(status, 400)
                self.assertIn("error", reply)
        self.assertEqual(self.store.accounts(), [])

    def test_reset_forgets_accounts_devices_journal_and_faults(self):
        user_id, (kid,) = self.add_account(profiles=["Kid"])
        self.store.bind_device(DID, user_id, kid)
        self.assertEqual(self.reply(b"action=authuser&did=X" + self.auth_fields()),
                         "0;%d" % user_id)
        self.control("POST", "/__faults", {"kind": "drop"})

        status, state = self.control("POST", "/__reset")
        self.assertEqual(status, 200)
        self.assertEqual(state, {"accounts": [], "unattached_devices": []})
        self.assertEqual(self.control("GET", "/__journal")[1], [])
        self.assertEqual(self.control("GET", "/__faults")[1], [])
        self.assertIsNone(self.store.device(DID))
        self.assertEqual(self.reply(b"action=authuser&did=X" + self.auth_fields()), "-2")
        # Ids start again where a fresh database starts them.
        self.assertEqual(self.add_account(profiles=["Kid"]), (user_id, [kid]))


class CommandLineTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.addCleanup(self.tmp.cleanup)
        self.db = os.path.join(self.tmp.name, "db.sqlite3")
        self.pidfile = os.path.join(self.tmp.name, "service.pid")
        self.log = os.path.join(self.tmp.name, "service.log")

    def run_cli(self, *args):
        return subprocess.run([sys.executable, SCRIPT] + list(args), capture_output=True,
                              text=True, timeout=30, stdin=subprocess.DEVNULL)

    def start(self, port="0"):
        result = self.run_cli("serve", "--background", "--port", port, "--db", self.db,
                              "--pidfile", self.pidfile, "--log", self.log)
        if result.returncode == 0:
            self.addCleanup(self.run_cli, "stop", "--pidfile", self.pidfile)
        return result

    def test_seed_serve_in_background_stop_and_show(self):
        seeded = self.run_cli("seed", "--db", self.db)
        self.assertEqual(seeded.returncode, 0, seeded.stderr)
        self.assertIn("demo.parent", seeded.stdout)
        self.assertIn("tirna-demo", seeded.stdout)

        started = self.start()
        self.assertEqual(started.returncode, 0, started.stderr)
        fields = dict(part.split("=", 1) for part in started.stdout.split())
        port = int(fields["url"].rsplit(":", 1)[1])
        with open(self.pidfile) as f:
            pid = int(f.read())
        self.assertEqual(pid, int(fields["pid"]))
        self.assertNotEqual(self.start(str(port)).returncode, 0, "a second start must fail")

        digest = hashlib.md5(b"tirna-demo").hexdigest().encode()
        auth = b"&uname=demo.parent&pmd5=" + digest

        def post(body):
            with socket.create_connection(("127.0.0.1", port), timeout=5) as sock:
                sock.sendall(winhttp_request(port, body))
                return read_response(sock)[1]

        listed = post(b"action=getprofiles&did=none" + auth).decode("cp1252").split(";")
        self.assertEqual((listed[:2], listed[3], listed[5]), (["0", "2"], "Alice", "Bob"))
        self.assertEqual(post(b"action=install&did=" + DID.encode() + auth + DEVICE), b"0")
        self.assertEqual(post(b"action=setprofile" + auth + b"&did=" + DID.encode()
                              + b"&profid=" + listed[4].encode()), b"0")

        stopped = self.run_cli("stop", "--pidfile", self.pidfile)
        self.assertEqual(stopped.returncode, 0, stopped.stderr)
        self.assertFalse(os.path.exists(self.pidfile))
        self.assertFalse(process_running(pid))
        with self.assertRaises(OSError):
            socket.create_connection(("127.0.0.1", port), timeout=2).close()
        with open(self.log) as f:
            log = f.read()
        self.assertIn("action=setprofile", log)
        self.assertIn(digest.decode(), log)

        shown = self.run_cli("show", "--db", self.db)
        self.assertEqual(shown.returncode, 0, shown.stderr)
        for text in ("demo.parent", DID, "HOME-PC", "Intel(R) Core", "Windows6.1", "2_1.0",
                     "Bob (%s)" % listed[4]):
            self.assertIn(text, shown.stdout)

    def test_seed_hashes_the_windows_1252_bytes_of_the_password(self):
        result = self.run_cli("seed", "--db", self.db, "--user", "zoë", "--password", "pässwörd",
                              "--profile", "Kid")
        self.assertEqual(result.returncode, 0, result.stderr)
        store = tirna_store.Store(self.db)
        self.addCleanup(store.close)
        account = store.find_account("zoë")
        self.assertEqual(account["pmd5"], hashlib.md5(b"p\xe4ssw\xf6rd").hexdigest())
        self.assertEqual([p["name"] for p in store.profiles(account["user_id"])], ["Kid"])

    def test_replace_stops_the_running_service_first(self):
        started = self.start()
        self.assertEqual(started.returncode, 0, started.stderr)
        with open(self.pidfile) as f:
            first = int(f.read())
        port = started.stdout.split("url=")[1].split(":")[2].strip()
        replaced = self.run_cli("serve", "--background", "--replace", "--port", port,
                                "--db", self.db, "--pidfile", self.pidfile, "--log", self.log)
        self.assertEqual(replaced.returncode, 0, replaced.stderr)
        with open(self.pidfile) as f:
            second = int(f.read())
        self.assertNotEqual(second, first)
        self.assertFalse(process_running(first))
        self.assertTrue(process_running(second))

    def test_background_start_fails_when_the_port_is_taken(self):
        with socket.socket() as busy:
            busy.bind(("127.0.0.1", 0))
            busy.listen()
            result = self.start(str(busy.getsockname()[1]))
        self.assertNotEqual(result.returncode, 0)
        self.assertFalse(os.path.exists(self.pidfile))


if __name__ == "__main__":
    unittest.main()
