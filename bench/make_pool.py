#!/usr/bin/env python3
"""Package pools for the benchmarks.

usage: make_pool.py [--packages N] [--seed S] [--from-apt [--keep NAME,...]] [--percent P]
                    [--repodata DIR] [--cache DIR] [--debian DIR] [--start-lists FILE]

Makes a list of package records and writes them out in the forms the benchmarks read. The
records come from one of two inputs:

  (default)        N synthetic records (default 60000) from a fixed seed, so every run writes
                   the same bytes.
  --from-apt       this machine's package index ("apt-cache dumpavail", about 63,700 records
                   after "apt-get update") as the offered pool, and this host's installed
                   packages ("dpkg-query") as the installed set. Depends and Pre-Depends become
                   requires (first alternative only), Provides provides, Conflicts and Breaks
                   conflicts; "<<" and ">>" read as "<" and ">", ":any" is dropped, and every
                   package provides its own name and version, as rpm packages do. Three Debian
                   rules have no rpm counterpart and are approximated. A version in a relation
                   other than "=" ends before its first "~" (Debian's "sorts before"; the rpm
                   rules would read "1.0~rc" as newer than "1.0"), except a last "~" in "<" and
                   "<=", which is only dropped ("<< 1.0-1~deb12u1.1~" keeps 1.0-1~deb12u1 in).
                   "<=" and ">" with a version without revision compare with revision "0"
                   (Debian's empty revision sorts first; the rpm rules would compare the
                   versions alone and find 1.2-3 equal to 1.2). A provide without a version
                   gets the epoch UNVERSIONED_EPOCH (a versioned relation never matches a
                   Debian provide without a version, while the rpm rules match it with any
                   version; with that epoch "<", "<=" and "=" never match it, and ">", ">="
                   always do).

With --from-apt, every dependency field is reduced to one alternative per item before anything
is written, so all outputs describe the same universe: the first alternative, or, for an
installed package, the first one the installed set has (by name or provide; the installed set
stays consistent). "--packages N" then keeps N offered records: the dependency closure of the
names of --keep and a sample (fixed seed) of the others, in index order.

  --percent P      only the first P percent of the records (either input), for figures at
                   several sizes of the same data.

and go to one or more outputs:

  --repodata DIR   a yum repository: DIR/repodata/repomd.xml, primary.xml.gz and
                   filelists.xml.gz (no package files). Each synthetic package has 2 or 3
                   documentation paths in the file list, one of type "dir".
  --debian DIR     (with --from-apt) the same universe in Debian form: DIR/repo/Packages, a
                   flat repository, and DIR/status, the installed set as a dpkg status file.
  --start-lists F  (with --from-apt) start lists, one a line ("label<TAB>name,name,..."):
                   texlive-full, gnome, kde-full, then 5 lists each of 1, 10, 50 and 200
                   offered names that are not installed, drawn with the seed.
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
    # The Debian fields of a --from-apt record, dependency fields reduced to one alternative.
    control: dict = None

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
            flags = APT_RELATIONS[relation]
            if flags in ("LT", "LE") and version.endswith("~") and len(version) > 1:
                # "<< 1.2-3~deb12u1.1~": below the next rebuild, so 1.2-3~deb12u1 is in.
                version = version[:-1]
            elif flags != "EQ":
                version = version.split("~")[0] or version
            epoch, ver, rel = split_version(version)
            if not rel and flags in ("LE", "GT"):
                # Debian's missing revision sorts below every revision; the rpm rules would
                # compare the versions alone and find 1.2-3 equal to 1.2.
                rel = "0"
            entries.append(Entry(name, flags, epoch, ver, rel))
        else:
            entries.append(Entry(name))
    return entries


DEPENDENCY_FIELDS = ("Pre-Depends", "Depends", "Provides", "Conflicts", "Breaks")


def alternative_text(m):
    name, relation, version = m.groups()
    return "%s (%s %s)" % (name, relation, version) if relation else name


def installed_versions(records):
    """Name -> versions that the installed set offers it in (None for a provide without one)."""
    out = {}
    for f in records:
        out.setdefault(f["Package"], []).append(f["Version"])
        for m in (APT_DEPENDENCY.match(p.strip()) for p in f.get("Provides", "").split(",")):
            if m:
                out.setdefault(m.group(1), []).append(m.group(3) if m.group(2) == "=" else None)
    return out


def satisfied(m, installed):
    name, relation, version = m.groups()
    offered = installed.get(name, [])
    if not relation:
        return bool(offered)
    import apt_pkg  # Debian's own version rules; only the installed set needs them
    apt_pkg.init_system()
    return any(v is not None and apt_pkg.check_dep(v, relation, version) for v in offered)


def reduce_alternatives(field, installed=None):
    """One alternative per item, written plainly (no architecture qualifier): the first, or the
    first that `installed` (installed_versions) satisfies."""
    items = []
    for item in field.split(","):
        alternatives = [m for m in (APT_DEPENDENCY.match(a.strip()) for a in item.split("|")) if m]
        if not alternatives:
            continue
        pick = alternatives[0]
        if installed is not None and len(alternatives) > 1:
            pick = next((m for m in alternatives if satisfied(m, installed)), pick)
        items.append(alternative_text(pick))
    return ", ".join(items)


def reduced(fields, installed=None):
    out = {key: fields[key] for key in ("Package", "Version", "Architecture") if key in fields}
    for key in DEPENDENCY_FIELDS:
        text = reduce_alternatives(fields.get(key, ""), installed)
        if text:
            out[key] = text
    return out


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
    r.control = fields
    return r


def from_apt():
    """The offered pool from the package index, and the installed set of this host."""
    listing = subprocess.run(["dpkg-query", "-W", "-f=" + INSTALLED_QUERY], check=True,
                             stdout=subprocess.PIPE, text=True).stdout
    present = [f for f in paragraphs(listing) if f.get("Status") == "installed"]
    names = installed_versions(present)
    installed = [apt_record(reduced(f, names), int(f.get("Installed-Size", "0") or 0) * 1024) for f in present]
    index = subprocess.run(["apt-cache", "dumpavail"], check=True, stdout=subprocess.PIPE, text=True).stdout
    pool = [apt_record(reduced(f), int(f.get("Size", "0") or 0)) for f in paragraphs(index) if "Version" in f]
    return pool, installed


def subset(pool, count, keep, seed):
    """`count` records of `pool` in its order: the closure of the names `keep` over requires
    (every record of a needed name or providing it), then a sample of the others."""
    providers = {}
    for r in pool:
        for e in r.provides:
            providers.setdefault(e.name, []).append(r)
    chosen = {}
    todo = list(keep)
    seen = set()
    while todo:
        name = todo.pop()
        if name in seen:
            continue
        seen.add(name)
        for r in providers.get(name, []):
            if id(r) not in chosen:
                chosen[id(r)] = r
                todo.extend(e.name for e in r.requires)
    others = [r for r in pool if id(r) not in chosen]
    random.Random(seed).shuffle(others)
    for r in others[:max(0, count - len(chosen))]:
        chosen[id(r)] = r
    return [r for r in pool if id(r) in chosen]


def control_text(fields, extra):
    lines = ["%s: %s" % (key, fields[key]) for key in ("Package",) if key in fields]
    lines += extra
    lines += ["%s: %s" % (key, fields[key]) for key in ("Version", "Architecture") + DEPENDENCY_FIELDS
              if key in fields]
    return "\n".join(lines) + "\n\n"


def write_debian(pool, installed, directory):
    os.makedirs(os.path.join(directory, "repo"), exist_ok=True)
    with open(os.path.join(directory, "repo", "Packages"), "w") as out:
        for r in pool:
            f = r.control
            version = f["Version"].split(":")[-1]
            out.write(control_text(f, ["Filename: pool/%s_%s_%s.deb" % (f["Package"], version, f["Architecture"]),
                                       "Size: %d" % max(r.size, 1)]))
    with open(os.path.join(directory, "status"), "w") as out:
        for r in installed:
            out.write(control_text(r.control, ["Status: install ok installed"]))


META_LISTS = ("texlive-full", "gnome", "kde-full")


def write_start_lists(pool, installed, path, seed):
    offered = {r.name for r in pool}
    candidates = sorted(offered - {r.name for r in installed})
    rnd = random.Random(seed)
    with open(path, "w") as out:
        for name in META_LISTS:
            if name in offered:
                out.write("%s\t%s\n" % (name, name))
        for size in (1, 10, 50, 200):
            for n in range(5):
                out.write("random-%d-%d\t%s\n" % (size, n + 1, ",".join(rnd.sample(candidates, size))))


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
    parser.add_argument("--packages", type=int)
    parser.add_argument("--seed", type=int, default=20240521)
    parser.add_argument("--from-apt", action="store_true")
    parser.add_argument("--percent", type=float, default=100.0)
    parser.add_argument("--repodata", metavar="DIR")
    parser.add_argument("--cache", metavar="DIR")
    parser.add_argument("--debian", metavar="DIR")
    parser.add_argument("--start-lists", metavar="FILE")
    parser.add_argument("--keep", default="", metavar="NAME,...")
    args = parser.parse_args()
    if not (args.repodata or args.cache or args.debian or args.start_lists):
        parser.error("no output: give --repodata DIR, --cache DIR, --debian DIR or --start-lists FILE")
    if (args.debian or args.start_lists or args.keep) and not args.from_apt:
        parser.error("--debian, --start-lists and --keep need --from-apt")
    if args.from_apt:
        records, installed = from_apt()
        if args.packages is not None:
            records = subset(records, args.packages, [n for n in args.keep.split(",") if n], args.seed)
    else:
        records, installed = generate(args.packages or 60000, args.seed), []
    if args.percent < 100.0:
        records = records[: int(len(records) * args.percent / 100.0)]
    if args.repodata:
        write_repodata(records, args.repodata)
    if args.cache:
        write_cache(records, installed, args.cache)
    if args.debian:
        write_debian(records, installed, args.debian)
    if args.start_lists:
        write_start_lists(records, installed, args.start_lists, args.seed)


if __name__ == "__main__":
    main()
