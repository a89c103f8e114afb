#!/usr/bin/python3
"""Stand-in Tirna web service for development and the demo.

  serve  [--host H] [--port P] [--db PATH] [--journal PATH]
         [--background --pidfile PATH [--log PATH] [--replace]]
  stop   --pidfile PATH
  seed   [--db PATH] [--user NAME --password PW --email E --profile NAME ...]
  show   [--db PATH] [--json]

Control endpoints, for staging faults and reading what arrived (the smoke test uses them;
never journaled, never faulted): GET /__journal[?since=N],
POST /__journal/clear, GET|POST /__faults, POST /__faults/clear, GET /__state,
POST /__reset (forget accounts, devices, journal and faults) and POST /__seed
({"uname", "password" or "pmd5", "email", "profiles": [names]}).
"""

import argparse
import json
import os
import select
import signal
import socket
import subprocess
import sys
import time
from datetime import datetime

import tirna_http
import tirna_store

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_DB = os.path.join(HERE, "state", "tirna.sqlite3")
DEFAULT_PORT = 47110
DEMO_USER = "demo.parent"
DEMO_PASSWORD = "tirna-demo"
DEMO_EMAIL = "demo.parent@example.com"
DEMO_PROFILES = ("Alice", "Bob")
START_TIMEOUT = 15.0
STOP_TIMEOUT = 10.0


def _log(line):
    stamp = datetime.now().strftime("%H:%M:%S.%f")[:-3]
    print("[%s] %s" % (stamp, line), flush=True)


# serve


def _read_pidfile(path):
    try:
        with open(path) as f:
            return int(f.read().split()[0])
    except (OSError, ValueError, IndexError):
        return None


def _is_our_process(pid):
    """True when pid is alive (not a zombie) and runs this script."""
    try:
        with open("/proc/%d/cmdline" % pid, "rb") as f:
            cmdline = f.read()
        with open("/proc/%d/stat" % pid) as f:
            state = f.read().rsplit(")", 1)[1].split()[0]
    except OSError:
        return False
    return state != "Z" and os.path.basename(__file__).encode() in cmdline


def _serve_foreground(args):
    store = tirna_store.Store(args.db)
    journal = tirna_http.Journal(args.journal)
    try:
        server = tirna_http.make_server(args.host, args.port, store, journal, log=_log)
    except OSError as e:
        print("cannot listen on %s:%d: %s" % (args.host, args.port, e), file=sys.stderr)
        return 1
    if args.pidfile:
        with open(args.pidfile, "w") as f:
            f.write("%d\n" % os.getpid())
    # SIGTERM from "stop" ends serve_forever through the exception.
    signal.signal(signal.SIGTERM, lambda signum, frame: sys.exit(0))
    _log("listening on http://%s:%d (db %s%s)" % (
        args.host, server.port, args.db,
        ", journal %s" % args.journal if args.journal else ""))
    if args.ready_fd is not None:
        os.write(args.ready_fd, b"ready %d\n" % server.port)
        os.close(args.ready_fd)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.stopping.set()
        server.server_close()
        journal.close()
        store.close()
        if args.pidfile and _read_pidfile(args.pidfile) == os.getpid():
            os.remove(args.pidfile)
        _log("stopped")
    return 0


def _serve_background(args):
    if not args.pidfile:
        print("serve --background needs --pidfile", file=sys.stderr)
        return 2
    pidfile = os.path.abspath(args.pidfile)
    running = _read_pidfile(pidfile)
    if running is not None and _is_our_process(running):
        if not args.replace:
            print("already running with pid %d (%s)" % (running, pidfile), file=sys.stderr)
            return 1
        # A service left behind by an interrupted test run gives way to the new one.
        if not _stop_process(running):
            return 1
    command = [sys.executable, os.path.abspath(__file__), "serve",
               "--host", args.host, "--port", str(args.port),
               "--db", os.path.abspath(args.db), "--pidfile", pidfile]
    if args.journal:
        command += ["--journal", os.path.abspath(args.journal)]
    read_end, write_end = os.pipe()
    log = open(os.path.abspath(args.log), "ab") if args.log else subprocess.DEVNULL
    try:
        child = subprocess.Popen(
            command + ["--ready-fd", str(write_end)],
            stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT,
            start_new_session=True, pass_fds=(write_end,), cwd="/")
    finally:
        os.close(write_end)
        if args.log:
            log.close()
    # The child reports on the pipe once it listens; end of file without that
    # report means it failed to start.
    message = b""
    deadline = time.monotonic() + START_TIMEOUT
    with os.fdopen(read_end, "rb", buffering=0) as ready:
        while not message.endswith(b"\n"):
            remaining = deadline - time.monotonic()
            if remaining <= 0 or not select.select([ready], [], [], remaining)[0]:
                break
            chunk = ready.read(64)
            if not chunk:
                break
            message += chunk
    if not message.startswith(b"ready "):
        if child.poll() is None:
            child.kill()
        child.wait()
        print("the service did not start%s" % (
            "; see %s" % args.log if args.log else ""), file=sys.stderr)
        return 1
    port = int(message.split()[1])
    with socket.create_connection((args.host, port), timeout=5):
        pass
    print("pid=%d url=http://%s:%d" % (child.pid, args.host, port), flush=True)
    return 0


def cmd_serve(args):
    if args.background:
        return _serve_background(args)
    return _serve_foreground(args)


# stop


def _wait_gone(pid, timeout):
    """Waits until pid has ended; True when it did within timeout."""
    if hasattr(os, "pidfd_open"):
        try:
            fd = os.pidfd_open(pid)
        except OSError:
            return True
        try:
            # A pidfd becomes readable when the process ends.
            if not select.select([fd], [], [], timeout)[0]:
                return False
        finally:
            os.close(fd)
        return True
    deadline = time.monotonic() + timeout
    while _is_our_process(pid):
        if time.monotonic() > deadline:
            return False
        time.sleep(0.05)
    return True


def _stop_process(pid):
    """Ends a running service; True when it is gone."""
    os.kill(pid, signal.SIGTERM)
    if not _wait_gone(pid, STOP_TIMEOUT):
        os.kill(pid, signal.SIGKILL)
        if not _wait_gone(pid, STOP_TIMEOUT):
            print("pid %d did not end" % pid, file=sys.stderr)
            return False
    return True


def cmd_stop(args):
    pid = _read_pidfile(args.pidfile)
    if pid is None or not _is_our_process(pid):
        if os.path.exists(args.pidfile):
            os.remove(args.pidfile)
        print("not running")
        return 0
    if not _stop_process(pid):
        return 1
    if os.path.exists(args.pidfile):
        os.remove(args.pidfile)
    print("stopped pid %d" % pid)
    return 0


# seed


def cmd_seed(args):
    user = args.user or DEMO_USER
    password = args.password if args.password is not None else DEMO_PASSWORD
    email = args.email if args.email is not None else (None if args.user else DEMO_EMAIL)
    if args.profile is not None:
        profiles = args.profile
    else:
        profiles = [] if args.user else list(DEMO_PROFILES)
    digest = tirna_store.password_digest(password)
    store = tirna_store.Store(args.db)
    try:
        account = store.seed_account(user, digest, email, profiles)
    finally:
        store.close()
    listed = account["profiles"]
    print("user: %s" % user)
    print("password: %s" % password)
    print("pmd5: %s" % digest)
    print("user id: %d" % account["user_id"])
    print("profiles: %s" % (", ".join("%s (%d)" % (p["name"], p["profile_id"]) for p in listed)
                            or "none"))
    return 0


# show


def _device_text(device, profile_names):
    profile = device["profile_id"]
    bound = ("%s (%d)" % (profile_names.get(profile, "?"), profile)) if profile else "none"
    lines = ["    device %s" % device["did"]]
    for name in ("dtype", "dname", "dconfig", "osv", "product"):
        lines.append("      %-8s %s" % (name, device[name]))
    lines.append("      %-8s %s" % ("profile", bound))
    lines.append("      %-8s %d, first %s, last %s" % (
        "installs", device["installs"], device["first_seen"], device["last_seen"]))
    return lines


def cmd_show(args):
    if not os.path.exists(args.db):
        print("no database at %s" % args.db, file=sys.stderr)
        return 1
    store = tirna_store.Store(args.db)
    try:
        snapshot = store.snapshot()
    finally:
        store.close()
    if args.json:
        print(json.dumps(snapshot, ensure_ascii=False, indent=1))
        return 0
    lines = []
    for account in snapshot["accounts"]:
        lines.append("account %s (user id %d)" % (account["uname"], account["user_id"]))
        lines.append("  email  %s" % (account["email"] or "none"))
        lines.append("  pmd5   %s" % account["pmd5"])
        profile_names = {p["profile_id"]: p["name"] for p in account["profiles"]}
        lines.append("  profiles: %s" % (
            ", ".join("%s (%d)" % (p["name"], p["profile_id"]) for p in account["profiles"])
            or "none"))
        lines.append("  devices: %s" % (len(account["devices"]) or "none"))
        for device in account["devices"]:
            lines += _device_text(device, profile_names)
    if snapshot["unattached_devices"]:
        lines.append("devices without an account:")
        for device in snapshot["unattached_devices"]:
            lines += _device_text(device, {})
    if not lines:
        lines.append("nothing recorded")
    print("\n".join(lines))
    return 0


def build_parser():
    parser = argparse.ArgumentParser(description="Stand-in Tirna web service.")
    commands = parser.add_subparsers(dest="command", required=True)

    serve = commands.add_parser("serve", help="run the service")
    serve.add_argument("--host", default="127.0.0.1")
    serve.add_argument("--port", type=int, default=DEFAULT_PORT, help="0 picks a free port")
    serve.add_argument("--db", default=DEFAULT_DB)
    serve.add_argument("--journal", help="also append each journal entry to this JSON-lines file")
    serve.add_argument("--background", action="store_true",
                       help="detach and return once the port accepts connections")
    serve.add_argument("--pidfile")
    serve.add_argument("--replace", action="store_true",
                       help="stop a background service of the same pidfile first")
    serve.add_argument("--log", help="log file of a background service")
    serve.add_argument("--ready-fd", type=int, help=argparse.SUPPRESS)
    serve.set_defaults(run=cmd_serve)

    stop = commands.add_parser("stop", help="stop a background service")
    stop.add_argument("--pidfile", required=True)
    stop.set_defaults(run=cmd_stop)

    seed = commands.add_parser("seed", help="create or refresh a parent account")
    seed.add_argument("--db", default=DEFAULT_DB)
    seed.add_argument("--user", help="user name (default %s)" % DEMO_USER)
    seed.add_argument("--password", help="password (default %s)" % DEMO_PASSWORD)
    seed.add_argument("--email")
    seed.add_argument("--profile", action="append",
                      help="child profile name, repeatable (demo account: Alice and Bob)")
    seed.set_defaults(run=cmd_seed)

    show = commands.add_parser("show", help="print what the service recorded")
    show.add_argument("--db", default=DEFAULT_DB)
    show.add_argument("--json", action="store_true")
    show.set_defaults(run=cmd_show)
    return parser


def main(argv=None):
    args = build_parser().parse_args(argv)
    return args.run(args)


if __name__ == "__main__":
    sys.exit(main())
