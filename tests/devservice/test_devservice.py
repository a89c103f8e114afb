"""Smoke test of the stand-in Tirna service: seeded, started in the background, spoken to over
loopback the way TirnaUIAuth.exe speaks to it, then stopped."""

import hashlib
import http.client
import json
import os
import subprocess
import sys
import tempfile
import unittest

SCRIPT = os.path.join(os.path.dirname(__file__), "..", "..", "devservice", "tirna_devservice.py")
DID = b"CD-AB-34-12-A9060300-00081000-FFE3BA7F-FFFBEBBF"
AUTH = b"&uname=demo.parent&pmd5=" + hashlib.md5(b"tirna-demo").hexdigest().encode()
NEW_USER = b"&uname=ann&co=x&pmd5=" + hashlib.md5(b"x").hexdigest().encode() + b"&did=none"
LISTING = b"action=getprofiles&did=none" + AUTH

# Request body, reply bytes; later rows depend on the earlier ones.
EXCHANGES = [
    (b"action=authuser&did=" + DID + AUTH, b"0;1001"),
    (b"action=authuser&did=" + DID + AUTH.replace(b"&pmd5=", b"&pmd5=0"), b"-2"),
    (b"action=createuser" + NEW_USER + b"&email=ann@example.com", b"0"),
    (b"action=createuser" + NEW_USER, b"-5"),
    (LISTING, b"0;2;101;Alice;102;Bob"),
    (b"action=install&did=" + DID + AUTH + b"&product=2_1.0&osv=Windows6.1&dtype=2&dname=PC&dconfig=none", b"0"),
    (b"action=setprofile" + AUTH + b"&did=" + DID + "&profname=Zoë".encode(), b"0"),
    (LISTING, b"0;3;101;Alice;102;Bob;103;Zo\xeb"),
]


class DevServiceSmokeTest(unittest.TestCase):
    def cli(self, *args):
        done = subprocess.run([sys.executable, SCRIPT, *args], capture_output=True, text=True,
                              timeout=60, stdin=subprocess.DEVNULL)
        self.assertEqual(done.returncode, 0, done.stderr)
        return done.stdout

    def call(self, method, path, body=None, headers=None):
        self.conn.request(method, path, body, headers or {})
        response = self.conn.getresponse()
        return response.status, response.read()

    def post(self, body):
        # A retried WinHTTP request repeats its Content-Length line as "n; n".
        return self.call("POST", "/device_point.php", body,
                         {"Content-Length": "%d; %d" % (len(body), len(body))})

    def test_seeded_service_answers_the_five_actions_and_journals_them(self):
        tmp = tempfile.TemporaryDirectory()
        self.addCleanup(tmp.cleanup)
        db, pidfile = os.path.join(tmp.name, "db.sqlite3"), os.path.join(tmp.name, "pid")
        self.assertIn("profiles: Alice (101), Bob (102)", self.cli("seed", "--db", db))
        started = self.cli("serve", "--background", "--port", "0", "--db", db, "--pidfile", pidfile)
        self.addCleanup(self.cli, "stop", "--pidfile", pidfile)
        self.conn = http.client.HTTPConnection("127.0.0.1", int(started.rsplit(":", 1)[1]), timeout=10)
        self.addCleanup(self.conn.close)
        for body, reply in EXCHANGES:
            self.assertEqual(self.post(body), (200, reply), body)
        (device,) = json.loads(self.call("GET", "/__state")[1])["accounts"][0]["devices"]
        self.assertEqual((device["did"], device["profile_id"]), (DID.decode(), 103))
        # A failure queued for getprofiles spares authuser and is used up by one getprofiles.
        fault = json.dumps({"action": "getprofiles", "kind": "status", "status": 503})
        self.assertEqual(self.call("POST", "/__faults", fault)[0], 200)
        self.assertEqual([self.post(body)[0] for body in (EXCHANGES[0][0], LISTING, LISTING)], [200, 503, 200])
        entries = json.loads(self.call("GET", "/__journal")[1])
        self.assertEqual([e["status"] for e in entries[-3:]], [200, 503, 200])
        self.assertEqual((entries[-2]["action"], entries[-2]["fault"]["kind"]), ("getprofiles", "status"))
        self.assertIn("Content-Length: %d; %d" % (len(LISTING), len(LISTING)), entries[-2]["header_lines"])
        self.assertEqual(entries[2]["fields"]["uname"], "ann&co=x")
