#!/usr/bin/env python3
"""Checks the release artefacts that tools/release wrote into a folder.

    release_check.py DIST VERSION

For each artefact there: its layout (the library beside its two tables, the program, the
documents and notices), for the Windows zips the machine type of the DLL and the program and
their version resource, for the tarball and the package the files a user's system receives; and
that SHA256SUMS lists each artefact with its digest. Prints one line per problem and exits 1 when
there is any.
"""

import hashlib
import io
import os
import re
import struct
import subprocess
import sys
import tarfile
import zipfile

DOCUMENTS = ("README.md", "CHANGELOG.md", "LICENSE", "THIRD-PARTY-NOTICES.md")
MACHINES = {"x64": 0x8664, "x86": 0x14C}

problems = []


def problem(artefact, text):
    problems.append("%s: %s" % (artefact, text))


def pe_machine(data):
    """The COFF machine field of a PE image, or None when the bytes are no PE image."""
    if len(data) < 0x40 or data[:2] != b"MZ":
        return None
    offset = struct.unpack_from("<I", data, 0x3C)[0]
    if data[offset:offset + 4] != b"PE\0\0":
        return None
    return struct.unpack_from("<H", data, offset + 4)[0]


def check_version_resource(artefact, name, data, version):
    """The fixed part (VS_FIXEDFILEINFO) holds the version's numbers, the strings the version."""
    signature = data.find(struct.pack("<I", 0xFEEF04BD))
    if signature < 0:
        return problem(artefact, "%s has no version resource" % name)
    file_ms, file_ls = struct.unpack_from("<II", data, signature + 8)
    numbers = [int(n) for n in re.match(r"(\d+)\.(\d+)\.(\d+)", version).groups()]
    distance = re.search(r"\+(\d+)\.g", version)
    numbers.append(int(distance.group(1)) if distance else 0)
    found = [file_ms >> 16, file_ms & 0xFFFF, file_ls >> 16, file_ls & 0xFFFF]
    if found != numbers:
        problem(artefact, "%s: FILEVERSION %s, expected %s" % (name, found, numbers))
    for key in ("FileVersion", "ProductVersion"):
        text = (key + "\0").encode("utf-16-le")
        at = data.find(text)
        if at < 0:
            problem(artefact, "%s: no %s string" % (name, key))
            continue
        value_at = at + len(text)
        value_at += value_at % 4  # string values start on a 32-bit boundary
        if not data[value_at:].startswith((version + "\0").encode("utf-16-le")):
            problem(artefact, "%s: %s is not %s" % (name, key, version))


def check_zip(path, arch, version):
    artefact = os.path.basename(path)
    top = "namefold-%s-windows-%s/" % (version, arch)
    with zipfile.ZipFile(path) as archive:
        names = set(archive.namelist())
        for name in ("namefold.dll", "namefold.exe", "namefold1.tbl", "namefold2.tbl",
                     "INSTALL.txt") + DOCUMENTS:
            if top + name not in names:
                problem(artefact, "lacks %s%s" % (top, name))
        overlays = {n.split("/")[2] for n in names if n.startswith(top + "overlays/")}
        if not overlays:
            problem(artefact, "holds no overlays")
        for overlay in sorted(overlays):
            for table in ("namefold1.tbl", "namefold2.tbl"):
                if "%soverlays/%s/%s" % (top, overlay, table) not in names:
                    problem(artefact, "overlay %s lacks %s" % (overlay, table))
        for binary in ("namefold.dll", "namefold.exe"):
            if top + binary not in names:
                continue
            data = archive.read(top + binary)
            machine = pe_machine(data)
            if machine != MACHINES[arch]:
                problem(artefact, "%s has machine %s, expected %#x" %
                        (binary, machine if machine is None else hex(machine), MACHINES[arch]))
            check_version_resource(artefact, binary, data, version)


def check_tarball(path, version):
    artefact = os.path.basename(path)
    top = "namefold-%s-linux-x86_64/" % version
    with tarfile.open(path) as archive:
        members = archive.getmembers()
        names = {m.name for m in members}
        for name in ("bin/namefold", "lib/namefold/namefold.so", "lib/namefold/namefold1.tbl",
                     "lib/namefold/namefold2.tbl", "share/man/man1/namefold.1.gz",
                     "share/bash-completion/completions/namefold",
                     "share/doc/namefold/LICENSE", "share/doc/namefold/THIRD-PARTY-NOTICES.md.gz"):
            if top + name not in names:
                problem(artefact, "lacks %s%s" % (top, name))
        if {(m.uid, m.gid, m.uname, m.gname) for m in members} != {(0, 0, "", "")}:
            problem(artefact, "entries not all owned by 0:0 without names")
        if len({m.mtime for m in members}) != 1:
            problem(artefact, "entries with different times")


def check_deb(path, version):
    artefact = os.path.basename(path)
    fields = subprocess.run(["dpkg-deb", "-f", path], check=True, capture_output=True,
                            text=True).stdout
    for field, expected in (("Package", "namefold"), ("Version", version),
                            ("Architecture", "amd64")):
        if not re.search(r"^%s: %s$" % (field, re.escape(expected)), fields, re.M):
            problem(artefact, "%s is not %s" % (field, expected))
    if not re.search(r"^Depends: .*libc6", fields, re.M):
        problem(artefact, "Depends does not name libc6")
    listing = subprocess.run(["dpkg-deb", "-c", path], check=True, capture_output=True,
                             text=True).stdout
    for name in ("./usr/bin/namefold", "./usr/lib/namefold/namefold.so",
                 "./usr/lib/namefold/namefold1.tbl", "./usr/lib/namefold/namefold2.tbl",
                 "./usr/share/man/man1/namefold.1.gz",
                 "./usr/share/bash-completion/completions/namefold",
                 "./usr/share/doc/namefold/copyright", "./usr/share/doc/namefold/changelog.gz",
                 "./usr/share/doc/namefold/THIRD-PARTY-NOTICES.md.gz"):
        if not re.search(r" %s$" % re.escape(name), listing, re.M):
            problem(artefact, "lacks %s" % name)


def check_sums(dist, artefacts):
    listed = {}
    with open(os.path.join(dist, "SHA256SUMS")) as sums:
        for line in sums:
            digest, name = line.split()
            listed[name] = digest
    if set(listed) != set(artefacts):
        problem("SHA256SUMS", "lists %s, the folder holds %s" % (sorted(listed), sorted(artefacts)))
    for name in artefacts:
        with open(os.path.join(dist, name), "rb") as artefact:
            if listed.get(name) != hashlib.sha256(artefact.read()).hexdigest():
                problem("SHA256SUMS", "wrong or no digest for %s" % name)


def main():
    dist, version = sys.argv[1], sys.argv[2]
    expected = {
        "namefold-%s-windows-x64.zip" % version: lambda p: check_zip(p, "x64", version),
        "namefold-%s-windows-x86.zip" % version: lambda p: check_zip(p, "x86", version),
        "namefold-%s-linux-x86_64.tar.gz" % version: lambda p: check_tarball(p, version),
        "namefold_%s_amd64.deb" % version: lambda p: check_deb(p, version),
    }
    artefacts = [name for name in sorted(expected) if os.path.exists(os.path.join(dist, name))]
    if not artefacts:
        problem(dist, "no artefacts of version %s" % version)
    for name in artefacts:
        expected[name](os.path.join(dist, name))
    check_sums(dist, artefacts)
    for line in problems:
        print("release check: " + line)
    if not problems:
        print("release check: %s: all as expected" % ", ".join(artefacts))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
