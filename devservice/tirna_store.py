"""SQLite state of the stand-in Tirna service: parent accounts, child profiles, devices."""

import hashlib
import os
import sqlite3
import threading
from datetime import datetime, timezone

# First ids handed out; distinct ranges make a user id mistaken for a profile id
# (or a list index mistaken for either) visible at once.
FIRST_USER_ID = 1001
FIRST_PROFILE_ID = 101

_SCHEMA = """
CREATE TABLE IF NOT EXISTS accounts (
    user_id  INTEGER PRIMARY KEY,
    uname    TEXT NOT NULL UNIQUE,
    pmd5     TEXT NOT NULL,
    email    TEXT,
    created  TEXT NOT NULL
);
CREATE TABLE IF NOT EXISTS profiles (
    profile_id INTEGER PRIMARY KEY,
    user_id    INTEGER NOT NULL REFERENCES accounts(user_id),
    name       TEXT NOT NULL,
    created    TEXT NOT NULL
);
CREATE TABLE IF NOT EXISTS devices (
    did        TEXT PRIMARY KEY,
    dtype      TEXT,
    dname      TEXT,
    dconfig    TEXT,
    osv        TEXT,
    product    TEXT,
    user_id    INTEGER REFERENCES accounts(user_id),
    profile_id INTEGER REFERENCES profiles(profile_id),
    installs   INTEGER NOT NULL DEFAULT 0,
    first_seen TEXT NOT NULL,
    last_seen  TEXT NOT NULL
);
"""


def password_digest(password):
    """MD5 in lowercase hex of the password's Windows-1252 bytes, as the program hashes it."""
    return hashlib.md5(password.encode("cp1252", errors="replace")).hexdigest()


def _now():
    return datetime.now(timezone.utc).isoformat(timespec="milliseconds")


class Store:
    """All access goes through one connection guarded by a lock: the server is threaded."""

    def __init__(self, path):
        directory = os.path.dirname(os.path.abspath(path))
        os.makedirs(directory, exist_ok=True)
        self._lock = threading.Lock()
        self._db = sqlite3.connect(path, check_same_thread=False, isolation_level=None)
        self._db.row_factory = sqlite3.Row
        self._db.executescript(_SCHEMA)

    def close(self):
        with self._lock:
            self._db.close()

    def _tx(self, fn):
        with self._lock:
            self._db.execute("BEGIN IMMEDIATE")
            try:
                result = fn(self._db)
            except BaseException:
                self._db.execute("ROLLBACK")
                raise
            self._db.execute("COMMIT")
            return result

    # Accounts

    def find_account(self, uname):
        with self._lock:
            row = self._db.execute("SELECT * FROM accounts WHERE uname = ?", (uname,)).fetchone()
        return dict(row) if row else None

    def check_credentials(self, uname, pmd5):
        """The account when the user name exists and the digest matches exactly, else None."""
        account = self.find_account(uname)
        if account is None or account["pmd5"] != pmd5:
            return None
        return account

    def create_account(self, uname, pmd5, email=None):
        """The new account, or None when the user name is taken."""
        def create(db):
            if db.execute("SELECT 1 FROM accounts WHERE uname = ?", (uname,)).fetchone():
                return None
            user_id = db.execute(
                "SELECT COALESCE(MAX(user_id) + 1, ?) FROM accounts", (FIRST_USER_ID,)
            ).fetchone()[0]
            db.execute(
                "INSERT INTO accounts (user_id, uname, pmd5, email, created) VALUES (?, ?, ?, ?, ?)",
                (user_id, uname, pmd5, email, _now()),
            )
            return user_id
        user_id = self._tx(create)
        return None if user_id is None else self.find_account(uname)

    def set_account_password(self, user_id, pmd5, email=None):
        def update(db):
            db.execute("UPDATE accounts SET pmd5 = ? WHERE user_id = ?", (pmd5, user_id))
            if email is not None:
                db.execute("UPDATE accounts SET email = ? WHERE user_id = ?", (email, user_id))
        self._tx(update)

    def seed_account(self, uname, pmd5, email=None, profile_names=()):
        """Creates the account, or gives an existing one this digest (and e-mail address
        when one is given), and adds the named profiles it lacks. Returns the account
        with its profiles."""
        account = self.find_account(uname)
        if account is None:
            account = self.create_account(uname, pmd5, email)
        else:
            self.set_account_password(account["user_id"], pmd5, email)
        existing = {p["name"] for p in self.profiles(account["user_id"])}
        for name in profile_names:
            if name not in existing:
                self.create_profile(account["user_id"], name)
                existing.add(name)
        result = self.find_account(uname)
        result["profiles"] = self.profiles(account["user_id"])
        return result

    def reset(self):
        """Forgets every account, profile and device."""
        def clear(db):
            for table in ("devices", "profiles", "accounts"):
                db.execute("DELETE FROM %s" % table)
        self._tx(clear)

    def accounts(self):
        with self._lock:
            rows = self._db.execute("SELECT * FROM accounts ORDER BY user_id").fetchall()
        return [dict(r) for r in rows]

    # Profiles

    def profiles(self, user_id):
        with self._lock:
            rows = self._db.execute(
                "SELECT * FROM profiles WHERE user_id = ? ORDER BY profile_id", (user_id,)
            ).fetchall()
        return [dict(r) for r in rows]

    def profile(self, profile_id):
        with self._lock:
            row = self._db.execute(
                "SELECT * FROM profiles WHERE profile_id = ?", (profile_id,)
            ).fetchone()
        return dict(row) if row else None

    def create_profile(self, user_id, name):
        def create(db):
            profile_id = db.execute(
                "SELECT COALESCE(MAX(profile_id) + 1, ?) FROM profiles", (FIRST_PROFILE_ID,)
            ).fetchone()[0]
            db.execute(
                "INSERT INTO profiles (profile_id, user_id, name, created) VALUES (?, ?, ?, ?)",
                (profile_id, user_id, name, _now()),
            )
            return profile_id
        return self._tx(create)

    # Devices

    def device(self, did):
        with self._lock:
            row = self._db.execute("SELECT * FROM devices WHERE did = ?", (did,)).fetchone()
        return dict(row) if row else None

    def devices(self, user_id=None):
        query = "SELECT * FROM devices"
        args = ()
        if user_id is not None:
            query += " WHERE user_id = ?"
            args = (user_id,)
        with self._lock:
            rows = self._db.execute(query + " ORDER BY first_seen, did", args).fetchall()
        return [dict(r) for r in rows]

    def install_device(self, did, description, user_id=None):
        """Creates or updates the device; with user_id it also moves it to that account.

        A device that changes account loses its profile binding, which belonged to the
        previous account.
        """
        now = _now()

        def upsert(db):
            current = db.execute("SELECT user_id FROM devices WHERE did = ?", (did,)).fetchone()
            if current is None:
                db.execute(
                    "INSERT INTO devices (did, first_seen, last_seen) VALUES (?, ?, ?)",
                    (did, now, now),
                )
            db.execute(
                "UPDATE devices SET dtype = ?, dname = ?, dconfig = ?, osv = ?, product = ?,"
                " installs = installs + 1, last_seen = ? WHERE did = ?",
                (description["dtype"], description["dname"], description["dconfig"],
                 description["osv"], description["product"], now, did),
            )
            if user_id is not None:
                if current is not None and current["user_id"] != user_id:
                    db.execute("UPDATE devices SET profile_id = NULL WHERE did = ?", (did,))
                db.execute("UPDATE devices SET user_id = ? WHERE did = ?", (user_id, did))
        self._tx(upsert)

    def bind_device(self, did, user_id, profile_id):
        now = _now()

        def bind(db):
            if db.execute("SELECT 1 FROM devices WHERE did = ?", (did,)).fetchone() is None:
                db.execute(
                    "INSERT INTO devices (did, first_seen, last_seen) VALUES (?, ?, ?)",
                    (did, now, now),
                )
            db.execute(
                "UPDATE devices SET user_id = ?, profile_id = ?, last_seen = ? WHERE did = ?",
                (user_id, profile_id, now, did),
            )
        self._tx(bind)

    def snapshot(self):
        """Everything as plain data, accounts with their profiles and devices nested."""
        result = []
        for account in self.accounts():
            entry = dict(account)
            entry["profiles"] = self.profiles(account["user_id"])
            entry["devices"] = self.devices(account["user_id"])
            result.append(entry)
        unattached = [d for d in self.devices() if d["user_id"] is None]
        return {"accounts": result, "unattached_devices": unattached}
