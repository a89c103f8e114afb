#!/usr/bin/env python3
"""The notices of what the linker took into one or more exes, and their bill of materials.

    python3 scripts/notices.py --map LINKMAP [--map LINKMAP2 ...] --out NOTICES.txt
        [--spdx BOM.spdx.json --exe EXE --version VERSION --commit COMMIT --epoch SECONDS
         [--uncommitted]]

A LINKMAP is the map that GNU ld writes with -Wl,-Map=EXE.map (tirna_link_map() in
CMakeLists.txt); the exe's name is the map's without ".map". The files the linker took are
the archive members it included and the object files it loaded. Those the map names by a
relative path (built with the program) or outside /usr are the program's own, except
GoogleTest's archives (built from Debian's googletest sources). Each other file belongs to
the Debian package that dpkg names as its owner, and to a component of COMPONENTS; a file
that no component claims is refused, so that no library is linked in without its notice.

NOTICES.txt names, for each component, its package and version, the files it was linked
from and its license, then the notice: the parts of the package's own copyright file
(/usr/share/doc/PACKAGE/copyright) that cover it, or one line where the license asks for
nothing in a binary (the GCC Runtime Library Exception).

With --spdx, also writes an SPDX 2.3 JSON document: the program (name, VERSION, COMMIT and
the SHA-256 of EXE as shipped; its license NOASSERTION, the product's owner decides it) and
each component, which the program links statically. Its creation time is SECONDS (the
commit's time) and its namespace is made of the commit and the exe's checksum, so the same
inputs give the same bytes.
"""
import argparse
import hashlib
import json
import os
import re
import subprocess
import sys
import time

GCC_EXCEPTION = "GPL-3.0-or-later WITH GCC-exception-3.1"

# name, SPDX id part, the Debian package it comes from and its files (regexes on the
# package's and the file's names), and its notice: "gcc-exception" with the library's name in
# the copyright file's list of runtime libraries under the exception, or the path prefixes of
# the copyright file's "Files:" stanzas that cover the component (and prefixes left out).
GCC = r"g(cc|\+\+)-mingw-w64-x86-64-(posix|win32)"
MINGW = r"mingw-w64-x86-64-dev"
COMPONENTS = [
    ("GoogleTest", "googletest", r"googletest|libgtest-dev", r"lib(gtest|gmock)(_main)?\.a",
     ("stanzas", ["*"], [])),
    ("libstdc++", "libstdcxx", GCC, r"libstdc\+\+\.a", ("gcc-exception", "libstdc++-v3")),
    ("libgcc", "libgcc", GCC, r"libgcc(_eh)?\.a|crtbegin\.o|crtend\.o", ("gcc-exception", "libgcc")),
    ("libssp", "libssp", GCC, r"libssp(_nonshared)?\.a", ("gcc-exception", "libssp")),
    ("winpthreads", "winpthreads", MINGW, r"lib(win)?pthread\.a",
     ("stanzas", ["mingw-w64-libraries/winpthreads/"], ["mingw-w64-libraries/winpthreads/tests"])),
    # The C runtime, its start-up code and the import libraries of the Windows DLLs.
    ("mingw-w64 runtime", "mingw-w64-crt", MINGW, r"crt2u?\.o|lib[a-z0-9_]+\.a",
     ("stanzas", ["*", "mingw-w64-crt/"], ["mingw-w64-crt/testcases/"])),
]
# GoogleTest's archives are built with the program, from the sources of this package.
GOOGLETEST_PACKAGE = "googletest"

# Debian's short license names as SPDX identifiers; any other becomes a LicenseRef whose
# text the bill carries.
SPDX_IDS = {"ZPL-2.1": "ZPL-2.1", "BSD-3-clause": "BSD-3-Clause", "BSD-C3": "BSD-3-Clause",
            "expat": "MIT", "ISC": "ISC", "BSD-2-clause-NetBSD": "BSD-2-Clause"}


def fail(message):
    sys.exit(f"notices.py: {message}")


def linked_files(map_path):
    """The files the linker took, as it names them in the map, in order."""
    files = []
    with open(map_path, encoding="utf-8", errors="replace") as lines:
        section = None
        for line in lines:
            if line.startswith("Archive member included"):
                section = "archives"
            elif line.startswith("Linker script and memory map"):
                section = "loads"
            elif line.startswith(("Discarded input sections", "Memory Configuration")):
                section = None
            elif section == "archives" and line[:1] not in ("", " ", "\n"):
                files.append(line.split("(", 1)[0].strip())
            elif section == "loads" and re.fullmatch(r"LOAD (.+\.(o|obj|res))\n", line):
                files.append(line[5:].strip())
    if not files:
        fail(f"{map_path} names no linked file: not a map of GNU ld")
    return files


def owners(paths):
    """Each path's Debian package, from dpkg."""
    if not paths:
        return {}
    run = subprocess.run(["dpkg-query", "-S", *paths], capture_output=True, text=True)
    found = {}
    for line in run.stdout.splitlines():
        package, _, path = line.partition(": ")
        if not package.startswith("diversion by"):
            found[path] = package.split(",")[0].split(":")[0]
    missing = [p for p in paths if p not in found]
    if missing:
        fail("no Debian package owns " + ", ".join(missing))
    return found


def package_info(package):
    fields = subprocess.run(["dpkg-query", "-W", "-f", "${Version} ${Architecture}", package],
                            capture_output=True, text=True, check=True).stdout.split()
    copyright_file = f"/usr/share/doc/{package}/copyright"
    with open(copyright_file, encoding="utf-8") as text:
        return {"name": package, "version": fields[0], "arch": fields[1],
                "copyright_file": copyright_file, "copyright": text.read()}


def components_of(maps):
    """The components linked into the exes of MAPS: name -> component, in COMPONENTS' order."""
    taken = {}  # the real path of a file the map names absolutely, else its name -> its name
    for map_path in maps:
        for name in linked_files(map_path):
            taken.setdefault(os.path.realpath(name) if os.path.isabs(name) else name, name)
    system = sorted(p for p in taken if p.startswith("/usr/"))
    package_of = owners(system)
    found = {}
    for path in sorted(taken):
        file = os.path.basename(path)
        if path.startswith("/usr/"):
            package = package_of[path]
        elif re.fullmatch(COMPONENTS[0][3], file):
            package = GOOGLETEST_PACKAGE
        else:
            continue  # the program's own code
        for name, ident, packages, pattern, notice in COMPONENTS:
            if re.fullmatch(packages, package) and re.fullmatch(pattern, file):
                break
        else:
            fail(f"{taken[path]} (package {package}) is linked in and belongs to no component: "
                 "add it to COMPONENTS in scripts/notices.py with its notice")
        component = found.setdefault(name, {"name": name, "id": ident, "notice": notice,
                                            "package": package, "files": []})
        if component["package"] != package:
            fail(f"{name} comes from two packages, {component['package']} and {package}")
        if file not in component["files"]:
            component["files"].append(file)
    order = [c[0] for c in COMPONENTS]
    return [found[name] for name in sorted(found, key=order.index)]


def stanzas(copyright_text):
    """The paragraphs of a machine-readable Debian copyright file, as {field: value}."""
    paragraphs = []
    for block in re.split(r"\n[ \t]*\n", copyright_text.strip()):
        fields, key = {}, None
        for line in block.splitlines():
            if line[:1] in (" ", "\t") and key:
                fields[key] += "\n" + line
            elif ":" in line:
                key, _, value = line.partition(":")
                fields[key] = value.strip()
        paragraphs.append((block, fields))
    return paragraphs


def license_text(field):
    """The text of a License field, without its first line and with its "." lines empty."""
    lines = field.split("\n")[1:]
    return "\n".join("" if l.strip() == "." else l[1:] for l in lines).strip()


def spdx_id(name):
    return SPDX_IDS.get(name) or "LicenseRef-" + re.sub(r"[^A-Za-z0-9.-]", "-", name)


def notice_of(component, package):
    """The component's license expression, its notice, its copyright lines and the texts of
    its licenses that have no SPDX identifier."""
    kind, *rest = component["notice"]
    text = package["copyright"]
    if kind == "gcc-exception":
        listed = re.search(r"Runtime Library Exception \(included in this file\):\n\n((?: .*\n)+)", text)
        if not listed or not re.search(rf"^ - {re.escape(rest[0])}\b", listed.group(1), re.M):
            fail(f"{package['copyright_file']} does not list {rest[0]} under the GCC Runtime Library Exception")
        line = ("Notice: none needed. The GCC Runtime Library Exception 3.1 lets a program compiled "
                "with GCC carry this library under terms of its own choice, without its notice.")
        return GCC_EXCEPTION, line, "NOASSERTION", {}
    include, exclude = rest
    paragraphs = stanzas(text)
    standalone = {f["License"].split("\n", 1)[0]: (block, f["License"])
                  for block, f in paragraphs if "License" in f and "Files" not in f}
    chosen, licenses, texts, copyrights = [], [], {}, []
    for block, fields in paragraphs:
        patterns = [p for p in fields.get("Files", "").split() if not any(p.startswith(e) for e in exclude)]
        if not any(p == i or (i != "*" and p.startswith(i)) for p in patterns for i in include):
            continue
        chosen.append(block)
        copyrights.append(" ".join(fields.get("Copyright", "").split()))
        alternatives = []
        for alternative in fields["License"].split("\n", 1)[0].split(" and "):
            names = [n.strip() for n in alternative.split(" or ")]
            for name in names:
                body = fields["License"]
                if "\n" not in body:
                    if name not in standalone:
                        fail(f"{package['copyright_file']} has no text of the license {name}")
                    chosen.append(standalone[name][0])
                    body = standalone[name][1]
                if spdx_id(name).startswith("LicenseRef-"):
                    texts[spdx_id(name)] = license_text(body)
            ids = [spdx_id(n) for n in names]
            alternatives.append(ids[0] if len(ids) == 1 else "(" + " OR ".join(ids) + ")")
        licenses += [a for a in alternatives if a not in licenses]
    if not chosen:
        fail(f"no stanza of {package['copyright_file']} covers {component['name']}")
    notice = "\n\n".join(dict.fromkeys(block.strip("\n") for block in chosen))
    return " AND ".join(licenses), notice, "\n".join(dict.fromkeys(copyrights)), texts


def write_notices(path, exes, components):
    rule = "=" * 78
    out = [f"Notices of the components linked into {', '.join(exes)}", "",
           "Each of these components is linked in statically. The list is made from the linker's",
           "map; each notice is taken from the copyright file of the Debian package that the",
           "component came from, the parts of it that cover the component.", ""]
    for c in components:
        out.append(f"  {c['name']:<20} {c['package']['name']} {c['package']['version']}")
    for c in components:
        out += ["", rule, c["name"], rule,
                f"Package: {c['package']['name']} {c['package']['version']} "
                f"({c['package']['copyright_file']})",
                f"Linked from: {', '.join(sorted(c['files']))}",
                f"License: {c['license']}", "", c["notice_text"]]
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(out).rstrip() + "\n")


def write_spdx(path, args, components):
    with open(args.exe, "rb") as exe:
        checksum = hashlib.sha256(exe.read()).hexdigest()
    exe_name = os.path.basename(args.exe)
    program = exe_name.rsplit(".", 1)[0]
    commit = args.commit + ("-uncommitted" if args.uncommitted else "")
    program_id = f"SPDXRef-Package-{program}"
    packages = [{
        "SPDXID": program_id, "name": program, "versionInfo": args.version,
        "packageFileName": exe_name, "primaryPackagePurpose": "APPLICATION",
        "checksums": [{"algorithm": "SHA256", "checksumValue": checksum}],
        "downloadLocation": "NOASSERTION", "filesAnalyzed": False,
        "sourceInfo": f"built from commit {args.commit}"
                      + (" with uncommitted changes" if args.uncommitted else ""),
        "licenseConcluded": "NOASSERTION", "licenseDeclared": "NOASSERTION",
        "copyrightText": "NOASSERTION",
        "comment": "The repository has no license of its own; the product's owner decides it.",
    }]
    relationships = [{"spdxElementId": "SPDXRef-DOCUMENT", "relationshipType": "DESCRIBES",
                      "relatedSpdxElement": program_id}]
    extracted = {}
    for c in components:
        package = c["package"]
        ident = f"SPDXRef-Package-{c['id']}"
        purl = f"pkg:deb/debian/{package['name']}@{package['version']}?arch={package['arch']}"
        packages.append({
            "SPDXID": ident, "name": c["name"], "versionInfo": package["version"],
            "downloadLocation": "NOASSERTION", "filesAnalyzed": False,
            "sourceInfo": f"Debian package {package['name']} {package['version']}, "
                          f"linked from {', '.join(sorted(c['files']))}",
            "licenseConcluded": "NOASSERTION", "licenseDeclared": c["license"],
            "copyrightText": c["copyrights"] or "NOASSERTION",
            "externalRefs": [{"referenceCategory": "PACKAGE-MANAGER", "referenceType": "purl",
                              "referenceLocator": purl.replace("+", "%2B")}],
        })
        relationships.append({"spdxElementId": program_id, "relationshipType": "STATIC_LINK",
                              "relatedSpdxElement": ident})
        extracted.update(c["license_texts"])
    document = {
        "spdxVersion": "SPDX-2.3", "dataLicense": "CC0-1.0", "SPDXID": "SPDXRef-DOCUMENT",
        "name": f"{program}-{args.version}",
        "documentNamespace": f"https://spdx.tirna.example/{program}-{args.version}/{commit}/{checksum}",
        "creationInfo": {
            "created": time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime(args.epoch)),
            "creators": ["Tool: TirnaUIAuth-scripts/notices.py"],
        },
        "documentDescribes": [program_id],
        "packages": packages,
        "hasExtractedLicensingInfos": [{"licenseId": k, "extractedText": v}
                                       for k, v in sorted(extracted.items())],
        "relationships": relationships,
    }
    with open(path, "w", encoding="utf-8") as f:
        json.dump(document, f, indent=2, ensure_ascii=False)
        f.write("\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--map", action="append", required=True, help="a link map (repeatable)")
    parser.add_argument("--out", required=True, help="the NOTICES.txt to write")
    parser.add_argument("--spdx", help="the SPDX 2.3 JSON document to write")
    parser.add_argument("--exe", help="the exe as shipped, whose SHA-256 the document names")
    parser.add_argument("--version", help="the program's version")
    parser.add_argument("--commit", help="the commit the program is built from")
    parser.add_argument("--epoch", type=int, help="the commit's time, seconds since 1970")
    parser.add_argument("--uncommitted", action="store_true", help="uncommitted changes were built too")
    args = parser.parse_args()
    if args.spdx and None in (args.exe, args.version, args.commit, args.epoch):
        parser.error("--spdx needs --exe, --version, --commit and --epoch")

    components = components_of(args.map)
    packages = {}
    for c in components:
        name = c["package"]
        c["package"] = packages.setdefault(name, package_info(name))
        c["license"], c["notice_text"], c["copyrights"], c["license_texts"] = notice_of(c, c["package"])
    exes = [os.path.basename(m)[: -len(".map")] if m.endswith(".map") else os.path.basename(m)
            for m in args.map]
    write_notices(args.out, exes, components)
    if args.spdx:
        write_spdx(args.spdx, args, components)


if __name__ == "__main__":
    main()
