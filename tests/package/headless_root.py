#!/usr/bin/python3
"""Makes the package database of a scratch root that holds only what a
package needs: the packages its Depends and Pre-Depends pull in, found
among those installed here, and theirs, transitively (the first installed
choice of each alternative). Prints their names, one a line, and writes
ROOT/var/lib/dpkg/status with their entries, so that `dpkg --root=ROOT -i
PACKAGE` then proves the set is enough: dpkg refuses a package whose
dependencies are not all there. Offline: no package lists are read.

Usage: headless_root.py PACKAGE.deb ROOT
"""
import os
import re
import subprocess
import sys

deb, root = sys.argv[1], sys.argv[2]
native = subprocess.run(["dpkg", "--print-architecture"], capture_output=True,
                        text=True, check=True).stdout.strip()


def stanzas(text):
    for block in text.split("\n\n"):
        fields, name = {}, None
        for line in block.splitlines():
            if line[:1] in (" ", "\t") and name:
                fields[name] += "\n" + line
            elif ":" in line:
                name, value = line.split(":", 1)
                fields[name] = value.strip()
        if fields:
            yield block.strip("\n"), fields


# Installed packages by name (this machine's architecture, or all), and who
# provides each virtual name.
installed, providers = {}, {}
with open("/var/lib/dpkg/status", encoding="utf-8") as status:
    for block, fields in stanzas(status.read()):
        if fields.get("Status") != "install ok installed":
            continue
        if fields.get("Architecture") not in (native, "all"):
            continue
        installed[fields["Package"]] = (block, fields)
        for provided in fields.get("Provides", "").split(","):
            if provided.strip():
                providers.setdefault(re.split(r"[\s(:]", provided.strip())[0], []).append(fields["Package"])


def relations(text):
    """Yields each relation as a list of its alternatives' package names."""
    for relation in filter(None, (r.strip() for r in text.split(","))):
        yield [re.split(r"[\s(:]", alt.strip())[0] for alt in relation.split("|")]


def satisfy(alternatives):
    for name in alternatives:
        if name in installed:
            return name
        for provider in providers.get(name, []):
            return provider
    sys.exit(f"none of {' | '.join(alternatives)} is installed here")


control = subprocess.run(["dpkg-deb", "-f", deb, "Depends", "Pre-Depends"],
                         capture_output=True, text=True, check=True).stdout
wanted = [alts for _, fields in stanzas(control) for key in ("Depends", "Pre-Depends")
          for alts in relations(fields.get(key, ""))]
closure = set()
while wanted:
    name = satisfy(wanted.pop())
    if name in closure:
        continue
    closure.add(name)
    fields = installed[name][1]
    for key in ("Depends", "Pre-Depends"):
        wanted.extend(relations(fields.get(key, "")))

admin = os.path.join(root, "var/lib/dpkg")
for folder in ("info", "updates", "triggers"):
    os.makedirs(os.path.join(admin, folder), exist_ok=True)
with open(os.path.join(admin, "status"), "w", encoding="utf-8") as status:
    status.write("".join(installed[name][0] + "\n\n" for name in sorted(closure)))
open(os.path.join(admin, "available"), "w").close()
# Their files are not there, and dpkg need not be told so for each.
for name in closure:
    for entry in (name, f"{name}:{native}"):
        open(os.path.join(admin, "info", entry + ".list"), "w").close()
print("\n".join(sorted(closure)))
