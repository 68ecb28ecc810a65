#!/usr/bin/env python3
"""Synthetic package pool for the benchmarks.

usage: make_pool.py [--packages N] [--seed S] --repodata DIR

Makes N package records (default 60000) from a fixed seed, so every run writes the same bytes,
and writes them out in the forms the benchmarks read:

  --repodata DIR   a yum repository: DIR/repodata/repomd.xml, primary.xml.gz and
                   filelists.xml.gz (no package files). Each package has 2 or 3 documentation
                   paths in the file list, one of type "dir".

The records are plain data (`Record`), made by `generate`; a new output form is one more
writer over the same list.
"""

import argparse
import gzip
import hashlib
import os
import random
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
    parser.add_argument("--repodata", metavar="DIR", required=True)
    args = parser.parse_args()
    records = generate(args.packages, args.seed)
    write_repodata(records, args.repodata)


if __name__ == "__main__":
    main()
