#!/usr/bin/env python3
"""Package pools for the benchmarks.

usage: make_pool.py [--packages N] [--seed S] [--from-apt] [--repodata DIR] [--cache DIR]

Makes a list of package records and writes them out in the forms the benchmarks read. The
records come from one of two inputs:

  (default)        N synthetic records (default 60000) from a fixed seed, so every run writes
                   the same bytes.
  --from-apt       this machine's package index ("apt-cache dumpavail", about 63,700 records
                   after "apt-get update") as the offered pool, and this host's installed
                   packages ("dpkg-query") as the installed set. Depends and Pre-Depends become
                   requires (first alternative only), Provides provides, Conflicts and Breaks
                   conflicts; "<<" and ">>" read as "<" and ">", ":any" is dropped, and every
                   package provides its own name and version, as rpm packages do. Two Debian
                   rules have no rpm counterpart and are approximated: a version in a relation
                   other than "=" ends before its first "~" (Debian's "sorts before"; the rpm
                   rules would read "1.0~rc" as newer than "1.0"), and a provide without a
                   version gets the epoch UNVERSIONED_EPOCH (a versioned relation never matches
                   a Debian provide without a version, while the rpm rules match it with any
                   version; with that epoch "<", "<=" and "=" never match it, and ">", ">="
                   always do).

and go to one or more outputs:

  --repodata DIR   a yum repository: DIR/repodata/repomd.xml, primary.xml.gz and
                   filelists.xml.gz (no package files). Each synthetic package has 2 or 3
                   documentation paths in the file list, one of type "dir".
  --cache DIR      package cache text: DIR/pool.cache (the offered packages) and
                   DIR/installed.cache (the installed set; empty for synthetic records), with
                   ".rpm" file names, so the rpm rules apply.

The records are plain data (`Record`), made by `generate` or `from_apt`; a new output form is
one more writer over the same lists.
"""

import argparse
import gzip
import hashlib
import os
import random
import re
import subprocess
from dataclasses import dataclass, field
from xml.sax.saxutils import escape, quoteattr

ARCHES = ["x86_64", "x86_64", "x86_64", "noarch", "i686"]
FLAGS = ["EQ", "LT", "LE", "GE", "GT"]


@dataclass
class Entry:
    name: str
    flags: str = ""
    epoch: str = ""
    ver: str = ""
    rel: str = ""


@dataclass
class Record:
    name: str
    epoch: str
    ver: str
    rel: str
    arch: str
    build_time: int
    file_time: int
    size: int
    provides: list = field(default_factory=list)
    requires: list = field(default_factory=list)
    conflicts: list = field(default_factory=list)
    obsoletes: list = field(default_factory=list)
    # (path, type) with type "" for a plain file, "dir" or "ghost"
    files: list = field(default_factory=list)

    @property
    def file_name(self):
        if not self.rel:
            return "%s-%s.%s.rpm" % (self.name, self.ver, self.arch)
        return "%s-%s-%s.%s.rpm" % (self.name, self.ver, self.rel, self.arch)

    @property
    def pkgid(self):
        return hashlib.sha256(("%s-%s:%s-%s.%s" % (self.name, self.epoch, self.ver, self.rel, self.arch)).encode()).hexdigest()


def generate(count, seed):
    rnd = random.Random(seed)
    records = []
    for i in range(count):
        name = "vnbench-%05d" % i
        ver = "%d.%d.%d" % (rnd.randint(0, 9), rnd.randint(0, 30), rnd.randint(0, 99))
        rel = "%d.el%d" % (rnd.randint(1, 20), rnd.choice([5, 6, 7]))
        epoch = rnd.choice(["0", "0", "0", "1", "2"])
        r = Record(name, epoch, ver, rel, rnd.choice(ARCHES), 1600000000 + rnd.randint(0, 10 ** 8),
                   1700000000 + rnd.randint(0, 10 ** 7), rnd.randint(2000, 50 * 10 ** 6))
        r.provides.append(Entry(name, "EQ", epoch, ver, rel))
        r.provides.append(Entry("%s(%s)" % (name, r.arch), "EQ", epoch, ver, rel))
        r.provides.append(Entry("libvnb%05d.so.1()(64bit)" % i))
        if rnd.random() < 0.5:
            r.provides.append(Entry("vnbench-cap-%d" % rnd.randint(0, count // 10), "EQ", "0", str(rnd.randint(1, 5))))
        for _ in range(rnd.randint(3, 8)):
            j = rnd.randrange(count)
            choice = rnd.random()
            if choice < 0.4:
                r.requires.append(Entry("libvnb%05d.so.1()(64bit)" % j))
            elif choice < 0.8:
                r.requires.append(Entry("vnbench-%05d" % j, rnd.choice(FLAGS), "0", "%d.%d" % (rnd.randint(0, 9), rnd.randint(0, 30))))
            else:
                r.requires.append(Entry("/usr/bin/vnb%05d" % j))
        r.requires.append(Entry("rpmlib(CompressedFileNames)", "LE", "0", "3.0.4", "1"))
        if rnd.random() < 0.05:
            r.conflicts.append(Entry("vnbench-%05d" % rnd.randrange(count), "LT", "0", "1.0"))
        if rnd.random() < 0.05:
            r.obsoletes.append(Entry("vnbench-old-%05d" % i, "LT", epoch, ver))
        r.files.append(("/usr/bin/vnb%05d" % i, ""))
        r.files.append(("/usr/lib64/libvnb%05d.so.1" % i, ""))
        doc = "/usr/share/doc/%s" % name
        r.files.append((doc, "dir"))
        r.files.append((doc + "/README", ""))
        if rnd.random() < 0.5:
            r.files.append((doc + "/NEWS", ""))
        if rnd.random() < 0.1:
            r.files.append(("/var/log/vnb%05d.log" % i, "ghost"))
        records.append(r)
    return records


# Debian architectures by their rpm names; the resolver compares architecture texts.
APT_ARCHES = {"amd64": "x86_64", "i386": "i686", "all": "noarch"}
UNVERSIONED_EPOCH = "99999"
APT_RELATIONS = {"<<": "LT", "<=": "LE", "=": "EQ", ">=": "GE", ">>": "GT", "<": "LE", ">": "GE"}
APT_DEPENDENCY = re.compile(r"^([^\s(:]+)(?::\S+)?\s*(?:\(\s*(<<|<=|>=|>>|=|<|>)\s*([^)\s]+)\s*\))?")
# dpkg-query turns each backslash-n into a line end.
INSTALLED_QUERY = ("Package: ${Package}\\nVersion: ${Version}\\nArchitecture: ${Architecture}\\n"
                   "Status: ${db:Status-Status}\\nInstalled-Size: ${Installed-Size}\\nDepends: ${Depends}\\n"
                   "Pre-Depends: ${Pre-Depends}\\nProvides: ${Provides}\\nConflicts: ${Conflicts}\\n"
                   "Breaks: ${Breaks}\\n\\n")


def paragraphs(text):
    """The fields of each paragraph of a Debian control text; continuation lines are joined."""
    fields = {}
    last = None
    for line in text.splitlines():
        if not line.strip():
            if fields:
                yield fields
            fields, last = {}, None
        elif line[0] in " \t":
            if last:
                fields[last] += " " + line.strip()
        elif ":" in line:
            last, value = line.split(":", 1)
            fields[last] = value.strip()
    if fields:
        yield fields


def split_version(text):
    """[epoch:]upstream[-revision] as (epoch, version, release)."""
    epoch, _, rest = text.rpartition(":") if re.match(r"^\d+:", text) else ("", "", text)
    ver, dash, rel = rest.rpartition("-")
    return (epoch, ver, rel) if dash else (epoch, rest, "")


def apt_entries(field):
    entries = []
    for item in field.split(","):
        first = item.split("|")[0].strip()
        m = APT_DEPENDENCY.match(first)
        if not m:
            continue
        name, relation, version = m.groups()
        if relation:
            if relation != "=":
                version = version.split("~")[0] or version
            entries.append(Entry(name, APT_RELATIONS[relation], *split_version(version)))
        else:
            entries.append(Entry(name))
    return entries


def apt_record(fields, size):
    name = fields["Package"]
    epoch, ver, rel = split_version(fields["Version"])
    arch = fields.get("Architecture", "")
    r = Record(name, epoch, ver, rel, APT_ARCHES.get(arch, arch), 0, 0, size)
    r.provides.append(Entry(name, "EQ", epoch, ver, rel))
    for e in apt_entries(fields.get("Provides", "")):
        r.provides.append(e if e.flags else Entry(e.name, "EQ", UNVERSIONED_EPOCH, "0"))
    r.requires.extend(apt_entries(fields.get("Pre-Depends", "")) + apt_entries(fields.get("Depends", "")))
    r.conflicts.extend(apt_entries(fields.get("Conflicts", "")) + apt_entries(fields.get("Breaks", "")))
    return r


def from_apt():
    """The offered pool from the package index, and the installed set of this host."""
    index = subprocess.run(["apt-cache", "dumpavail"], check=True, stdout=subprocess.PIPE, text=True).stdout
    pool = [apt_record(f, int(f.get("Size", "0") or 0)) for f in paragraphs(index) if "Version" in f]
    listing = subprocess.run(["dpkg-query", "-W", "-f=" + INSTALLED_QUERY], check=True,
                             stdout=subprocess.PIPE, text=True).stdout
    installed = [apt_record(f, int(f.get("Installed-Size", "0") or 0) * 1024)
                 for f in paragraphs(listing) if f.get("Status") == "installed"]
    return pool, installed


def evr_text(epoch, ver, rel):
    return "%s%s%s" % (epoch + ":" if epoch else "", ver, "-" + rel if rel else "")


CACHE_RELATIONS = {"EQ": "=", "LT": "<", "LE": "<=", "GE": ">=", "GT": ">"}


def entry_cache(e):
    if not e.flags:
        return e.name
    return "%s %s %s" % (e.name, CACHE_RELATIONS[e.flags], evr_text(e.epoch, e.ver, e.rel))


def cache_record(r):
    lines = ["F:" + r.file_name, "N:" + r.name]
    if r.epoch:
        lines.append("E:" + r.epoch)
    lines += ["V:" + r.ver]
    if r.rel:
        lines.append("L:" + r.rel)
    lines += ["A:" + r.arch, "s:%d" % r.size]
    for tag, entries in (("R", r.requires), ("P", r.provides), ("C", r.conflicts), ("O", r.obsoletes)):
        lines.extend("%s:%s" % (tag, entry_cache(e)) for e in entries)
    lines.append("X:")
    return "\n".join(lines) + "\n"


def write_cache(pool, installed, directory):
    os.makedirs(directory, exist_ok=True)
    for name, records in (("pool.cache", pool), ("installed.cache", installed)):
        with open(os.path.join(directory, name), "w") as out:
            for r in records:
                out.write(cache_record(r))


def entry_xml(e):
    out = '<rpm:entry name=%s' % quoteattr(e.name)
    if e.flags:
        out += ' flags="%s"' % e.flags
        if e.epoch:
            out += ' epoch="%s"' % e.epoch
        if e.ver:
            out += ' ver=%s' % quoteattr(e.ver)
        if e.rel:
            out += ' rel=%s' % quoteattr(e.rel)
    return out + '/>'


def primary_package(r):
    parts = ['<package type="rpm">\n  <name>%s</name>\n  <arch>%s</arch>\n' % (r.name, r.arch),
             '  <version epoch="%s" ver="%s" rel="%s"/>\n' % (r.epoch, r.ver, r.rel),
             '  <checksum type="sha256" pkgid="YES">%s</checksum>\n' % r.pkgid,
             '  <summary>Synthetic benchmark package %s</summary>\n' % r.name,
             '  <description>%s</description>\n' % escape(
                 "A package of the synthetic benchmark pool. It has no content; its metadata has the "
                 "shape and size of a distribution's packages, so that reading it costs what reading "
                 "a real repository of the same size costs."),
             '  <packager>Benchmark</packager>\n  <url>https://vnbench.invalid/%s</url>\n' % r.name,
             '  <time file="%d" build="%d"/>\n' % (r.file_time, r.build_time),
             '  <size package="%d" installed="%d" archive="%d"/>\n' % (r.size, r.size * 3, r.size * 3 + 512),
             '  <location href="Packages/%s"/>\n' % r.file_name,
             '  <format>\n    <rpm:license>none</rpm:license>\n    <rpm:vendor>Benchmark</rpm:vendor>\n'
             '    <rpm:group>Unspecified</rpm:group>\n    <rpm:buildhost>bench.invalid</rpm:buildhost>\n',
             '    <rpm:sourcerpm>%s-%s-%s.src.rpm</rpm:sourcerpm>\n' % (r.name, r.ver, r.rel),
             '    <rpm:header-range start="4504" end="%d"/>\n' % (4504 + len(r.files) * 200)]
    for tag, entries in (("provides", r.provides), ("requires", r.requires), ("conflicts", r.conflicts),
                         ("obsoletes", r.obsoletes)):
        if entries:
            parts.append('    <rpm:%s>\n' % tag)
            parts.extend('      %s\n' % entry_xml(e) for e in entries)
            parts.append('    </rpm:%s>\n' % tag)
    for path, kind in r.files:
        if path.startswith("/usr/bin/"):
            parts.append('    <file>%s</file>\n' % path)
    parts.append('  </format>\n</package>\n')
    return "".join(parts)


def filelists_package(r):
    parts = ['<package pkgid="%s" name="%s" arch="%s">\n' % (r.pkgid, r.name, r.arch),
             '  <version epoch="%s" ver="%s" rel="%s"/>\n' % (r.epoch, r.ver, r.rel)]
    for path, kind in r.files:
        parts.append('  <file type="%s">%s</file>\n' % (kind, path) if kind else '  <file>%s</file>\n' % path)
    parts.append('</package>\n')
    return "".join(parts)


def write_gz(path, head, body, tail):
    # A fixed mtime keeps the bytes of every run the same.
    with open(path, "wb") as raw, gzip.GzipFile(fileobj=raw, mode="wb", mtime=0, compresslevel=6) as out:
        out.write(head.encode())
        for chunk in body:
            out.write(chunk.encode())
        out.write(tail.encode())


def write_repodata(records, directory):
    repodata = os.path.join(directory, "repodata")
    os.makedirs(repodata, exist_ok=True)
    n = len(records)
    write_gz(os.path.join(repodata, "primary.xml.gz"),
             '<?xml version="1.0" encoding="UTF-8"?>\n<metadata xmlns="http://linux.duke.edu/metadata/common" '
             'xmlns:rpm="http://linux.duke.edu/metadata/rpm" packages="%d">\n' % n,
             (primary_package(r) for r in records), "</metadata>\n")
    write_gz(os.path.join(repodata, "filelists.xml.gz"),
             '<?xml version="1.0" encoding="UTF-8"?>\n<filelists xmlns="http://linux.duke.edu/metadata/filelists" '
             'packages="%d">\n' % n,
             (filelists_package(r) for r in records), "</filelists>\n")
    with open(os.path.join(repodata, "repomd.xml"), "w") as out:
        out.write('<?xml version="1.0" encoding="UTF-8"?>\n'
                  '<repomd xmlns="http://linux.duke.edu/metadata/repo" xmlns:rpm="http://linux.duke.edu/metadata/rpm">\n'
                  '  <revision>1</revision>\n'
                  '  <data type="primary">\n    <location href="repodata/primary.xml.gz"/>\n  </data>\n'
                  '  <data type="filelists">\n    <location href="repodata/filelists.xml.gz"/>\n  </data>\n'
                  '</repomd>\n')


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--packages", type=int, default=60000)
    parser.add_argument("--seed", type=int, default=20240521)
    parser.add_argument("--from-apt", action="store_true")
    parser.add_argument("--repodata", metavar="DIR")
    parser.add_argument("--cache", metavar="DIR")
    args = parser.parse_args()
    if not args.repodata and not args.cache:
        parser.error("no output: give --repodata DIR, --cache DIR or both")
    if args.from_apt:
        records, installed = from_apt()
    else:
        records, installed = generate(args.packages, args.seed), []
    if args.repodata:
        write_repodata(records, args.repodata)
    if args.cache:
        write_cache(records, installed, args.cache)


if __name__ == "__main__":
    main()
