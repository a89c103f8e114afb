"""The account page that the wizard's Finish button opens in a browser."""

from html import escape


def _cell(value):
    return "<td>%s</td>" % ("&mdash;" if value is None else escape(str(value)))


def _device_rows(devices, profile_names):
    rows = []
    for d in devices:
        profile = d["profile_id"]
        bound = "%s (%s)" % (profile_names.get(profile, "?"), profile) if profile else None
        rows.append("<tr>" + "".join(_cell(v) for v in (
            d["did"], d["dtype"], d["dname"], d["dconfig"], d["osv"], d["product"],
            bound, d["installs"], d["last_seen"])) + "</tr>")
    return rows


def _account_section(account):
    profile_names = {p["profile_id"]: p["name"] for p in account["profiles"]}
    parts = [
        "<section><h2>%s</h2>" % escape(account["uname"]),
        "<p>User id %d" % account["user_id"],
    ]
    if account["email"]:
        parts.append(", e-mail %s" % escape(account["email"]))
    parts.append("</p><h3>Child profiles</h3>")
    if account["profiles"]:
        parts.append("<ul>")
        parts += ["<li>%s (id %d)</li>" % (escape(p["name"]), p["profile_id"])
                  for p in account["profiles"]]
        parts.append("</ul>")
    else:
        parts.append("<p>None yet.</p>")
    parts.append("<h3>Devices</h3>")
    if account["devices"]:
        parts.append(
            "<table><tr><th>Identifier</th><th>Type</th><th>Name</th><th>Configuration</th>"
            "<th>OS</th><th>Product</th><th>Profile</th><th>Installs</th><th>Last seen</th></tr>")
        parts += _device_rows(account["devices"], profile_names)
        parts.append("</table>")
    else:
        parts.append("<p>None yet.</p>")
    parts.append("</section>")
    return "".join(parts)


def account_page(snapshot, uname=None):
    """(HTTP status, HTML text) for all accounts, or for the one named uname."""
    accounts = snapshot["accounts"]
    if uname is not None:
        accounts = [a for a in accounts if a["uname"] == uname]
    status = 404 if uname is not None and not accounts else 200
    title = "Tirna account" if uname is not None else "Tirna accounts"
    body = [
        "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>%s</title>" % title,
        "<style>body{font-family:sans-serif}table{border-collapse:collapse}"
        "td,th{border:1px solid #999;padding:2px 6px}</style></head><body>",
        "<h1>%s</h1>" % title,
    ]
    if not accounts:
        body.append("<p>No such account.</p>" if uname is not None else "<p>No accounts.</p>")
    body += [_account_section(a) for a in accounts]
    body.append("</body></html>")
    return status, "\n".join(body)
