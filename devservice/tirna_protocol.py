"""The five actions of /device_point.php: body parsing and replies.

Bodies are 8-bit text whose values are raw UTF-8 and never percent-encoded, so a value
may itself hold "&" or "=". A piece only starts a new field when the text before its
first "=" is one of the protocol's field names; anything else belongs to the previous
value.
"""

import re

FIELD_NAMES = (
    "action", "did", "uname", "pmd5", "email", "product", "osv",
    "dtype", "dname", "dconfig", "profname", "profid",
)
_FIELD_NAMES_B = frozenset(name.encode("ascii") for name in FIELD_NAMES)

ACTIONS = ("authuser", "createuser", "getprofiles", "setprofile", "install")

# Service codes. Only -5 means something particular to the program.
OK = "0"
ERR_MALFORMED = "-1"       # unknown action, unparsable body, missing or repeated field
ERR_CREDENTIALS = "-2"     # unknown user name or wrong digest
ERR_PROFILE = "-3"         # profile id unknown or of another account
ERR_VALUE = "-4"           # a field present but unusable (empty name, bad digest, ...)
ERR_NAME_TAKEN = "-5"

_DIGEST = re.compile(r"[0-9a-f]{32}")
_INSTALL_FIELDS = ("product", "osv", "dtype", "dname", "dconfig")


class MalformedBody(ValueError):
    pass


def parse_body(body):
    """Splits a body into an ordered list of (name, value bytes).

    Raises MalformedBody when the body does not begin with a known field or when a
    field appears twice.
    """
    fields = []
    for piece in body.split(b"&"):
        name, sep, value = piece.partition(b"=")
        if sep and name in _FIELD_NAMES_B:
            fields.append([name.decode("ascii"), value])
        elif fields:
            fields[-1][1] += b"&" + piece
        else:
            raise MalformedBody("body does not begin with a field")
    names = [name for name, _ in fields]
    if len(set(names)) != len(names):
        raise MalformedBody("repeated field")
    return [(name, value) for name, value in fields]


def decode_value(value):
    return value.decode("utf-8", errors="replace")


def encode_reply(text):
    """Reply bytes in Windows-1252, which the program decodes replies with."""
    return text.encode("cp1252", errors="replace")


def read_request(body):
    """Parses a body without acting on it.

    Returns (action or None, fields as text, ok): ok is False when the body cannot be
    parsed or does not begin with a known action.
    """
    try:
        raw = parse_body(body)
    except MalformedBody:
        return None, {}, False
    fields = {name: decode_value(value) for name, value in raw}
    action = fields.get("action")
    return action, fields, raw[0][0] == "action" and action in _HANDLERS


def handle(store, body):
    """Runs one request body against the store.

    Returns (action or None, fields as text, reply text).
    """
    action, fields, ok = read_request(body)
    if not ok:
        return action, fields, ERR_MALFORMED
    return action, fields, _HANDLERS[action](store, fields)


def _require(fields, *names):
    return all(name in fields for name in names)


def _device_id(fields):
    did = fields.get("did", "")
    return did if did and did != "none" else None


def _authuser(store, fields):
    if not _require(fields, "did", "uname", "pmd5"):
        return ERR_MALFORMED
    account = store.check_credentials(fields["uname"], fields["pmd5"])
    if account is None:
        return ERR_CREDENTIALS
    return "0;%d" % account["user_id"]


def _createuser(store, fields):
    if not _require(fields, "uname", "pmd5", "did"):
        return ERR_MALFORMED
    if not fields["uname"] or not _DIGEST.fullmatch(fields["pmd5"]):
        return ERR_VALUE
    account = store.create_account(fields["uname"], fields["pmd5"], fields.get("email"))
    return OK if account is not None else ERR_NAME_TAKEN


def _getprofiles(store, fields):
    if not _require(fields, "did", "uname", "pmd5"):
        return ERR_MALFORMED
    account = store.check_credentials(fields["uname"], fields["pmd5"])
    if account is None:
        return ERR_CREDENTIALS
    profiles = store.profiles(account["user_id"])
    parts = ["0", str(len(profiles))]
    for profile in profiles:
        parts += [str(profile["profile_id"]), profile["name"]]
    return ";".join(parts)


def _setprofile(store, fields):
    if not _require(fields, "uname", "pmd5", "did"):
        return ERR_MALFORMED
    if ("profname" in fields) == ("profid" in fields):
        return ERR_MALFORMED
    account = store.check_credentials(fields["uname"], fields["pmd5"])
    if account is None:
        return ERR_CREDENTIALS
    did = _device_id(fields)
    if did is None:
        return ERR_VALUE
    if "profname" in fields:
        name = fields["profname"]
        # A ";" would break the list that getprofiles returns.
        if not name or ";" in name:
            return ERR_VALUE
        profile_id = store.create_profile(account["user_id"], name)
    else:
        if not re.fullmatch(r"-?\d+", fields["profid"]):
            return ERR_PROFILE
        profile = store.profile(int(fields["profid"]))
        if profile is None or profile["user_id"] != account["user_id"]:
            return ERR_PROFILE
        profile_id = profile["profile_id"]
    store.bind_device(did, account["user_id"], profile_id)
    return OK


def _install(store, fields):
    if not _require(fields, "did", *_INSTALL_FIELDS):
        return ERR_MALFORMED
    did = _device_id(fields)
    if did is None:
        return ERR_VALUE
    user_id = None
    if "uname" in fields or "pmd5" in fields:
        account = store.check_credentials(fields.get("uname"), fields.get("pmd5"))
        if account is None:
            return ERR_CREDENTIALS
        user_id = account["user_id"]
    store.install_device(did, {name: fields[name] for name in _INSTALL_FIELDS}, user_id)
    return OK


_HANDLERS = {
    "authuser": _authuser,
    "createuser": _createuser,
    "getprofiles": _getprofiles,
    "setprofile": _setprofile,
    "install": _install,
}
