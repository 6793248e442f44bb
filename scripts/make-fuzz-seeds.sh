#!/usr/bin/env bash
# Builds the fuzzers' seed inputs in OUTDIR/<target>/: archives written by real
# peers (zip, 7z, python's zipfile: comments, data descriptors, forced Zip64,
# stored and deflated), hand-built stores, masks and archive-name patterns.
# Usage: scripts/make-fuzz-seeds.sh OUTDIR
set -euo pipefail
out=${1:?usage: $0 OUTDIR}
mkdir -p "$out"
out=$(cd "$out" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

zips="$out/zip_reader"
mkdir -p "$zips" "$out/zip_update" "$out/tasks_store" "$out/history_store" "$out/options_store" \
    "$out/mask" "$out/archive_name" "$out/sfx_directory" "$out/sfx_extract"

# Source files for the peers: text that deflates, random bytes that do not, an empty file.
mkdir -p "$work/src/sub"
for i in 1 2 3; do for n in $(seq 40); do echo "line $n of text file $i"; done >"$work/src/text$i.txt"; done
head -c 700 /dev/urandom >"$work/src/sub/random.bin"
: >"$work/src/empty.dat"

cd "$work/src"
if command -v zip >/dev/null; then
    zip -q -X -r "$zips/zip_deflate.zip" .
    zip -q -X -0 -r "$zips/zip_stored.zip" .
    echo "archive comment from zip" | zip -q -X -z "$zips/zip_comment.zip" text1.txt
    zip -q -X -fz "$zips/zip_zip64.zip" text1.txt sub/random.bin
    # Written to a pipe, zip cannot seek back: every entry gets a data descriptor.
    cat text2.txt | zip -q -X - - >"$zips/zip_stream_descriptor.zip"
    zip -q -X -P secret "$zips/zip_encrypted.zip" text1.txt
    zip -q -X "$zips/zip_directories.zip" sub/ sub/random.bin
fi
if command -v 7z >/dev/null; then
    7z a -tzip -bd -bso0 "$zips/7z_deflate.zip" text1.txt sub >/dev/null
    7z a -tzip -mx=0 -bd -bso0 "$zips/7z_stored.zip" text2.txt >/dev/null
    7z a -tzip -mem=AES256 -psecret -bd -bso0 "$zips/7z_aes.zip" text3.txt >/dev/null
fi
python3 - "$zips" <<'PY'
import io, sys, zipfile
out = sys.argv[1]
text = b"python zipfile entry\n" * 30

with zipfile.ZipFile(f"{out}/py_comments.zip", "w", zipfile.ZIP_DEFLATED) as z:
    z.comment = b"an archive comment"
    i = zipfile.ZipInfo("commented.txt", (2020, 5, 17, 12, 30, 44))
    i.comment = b"an entry comment"
    i.compress_type = zipfile.ZIP_DEFLATED
    z.writestr(i, text)
    z.writestr("stored.txt", b"stored", compress_type=zipfile.ZIP_STORED)

with zipfile.ZipFile(f"{out}/py_zip64.zip", "w", zipfile.ZIP_DEFLATED, allowZip64=True) as z:
    with z.open("forced.txt", "w", force_zip64=True) as f:
        f.write(text)
    z.writestr("small.txt", b"small")

# A stream that cannot seek makes zipfile write data descriptors.
class NoSeek(io.RawIOBase):
    def __init__(self): self.buf = bytearray()
    def writable(self): return True
    def write(self, b): self.buf += b; return len(b)
s = NoSeek()
with zipfile.ZipFile(s, "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("described.txt", text)
    z.writestr("dir/", b"")
open(f"{out}/py_descriptor.zip", "wb").write(bytes(s.buf))

with zipfile.ZipFile(f"{out}/py_names.zip", "w") as z:
    z.writestr("Ünïcode näme.txt", b"utf-8 name")
    z.writestr("sub/dir/deep.txt", b"deep")
    z.writestr("alpha.txt", b"an older alpha")

with zipfile.ZipFile(f"{out}/py_empty.zip", "w") as z:
    pass
PY
# A self-extracting look: a stub of junk in front of an archive.
{ head -c 300 /dev/urandom; cat "$zips/py_names.zip"; } >"$zips/prefixed.zip"
: >"$zips/empty_file.zip"
cp "$zips"/* "$out/zip_update/"

# The self-extractor: the same archives (the stub finds them behind any prefix),
# and names and entries it must refuse: escaping paths, links, a link's target.
sfx="$out/sfx_extract"
cp "$zips"/* "$sfx/"
python3 - "$sfx" <<'PY'
import stat, sys, zipfile
out = sys.argv[1]
def link(z, name, target):
    i = zipfile.ZipInfo(name)
    i.create_system = 3
    i.external_attr = (stat.S_IFLNK | 0o777) << 16
    z.writestr(i, target)
with zipfile.ZipFile(f"{out}/py_escaping.zip", "w") as z:
    for name in ["../escape.txt", "/tmp/absolute.txt", "sub/../../up.txt", "C:/drive.txt", "a\\..\\..\\b.txt",
                 "planted/through-link.txt", "planted", "ok/kept.txt"]:
        z.writestr(name, b"payload\n")
with zipfile.ZipFile(f"{out}/py_links.zip", "w") as z:
    link(z, "out", "../outside")
    z.writestr("out/written.txt", b"through the archive's own link\n")
    link(z, "abs", "/tmp")
    z.writestr("abs/x.txt", b"x")
with zipfile.ZipFile(f"{out}/py_unix_modes.zip", "w", zipfile.ZIP_DEFLATED) as z:
    i = zipfile.ZipInfo("script.sh"); i.create_system = 3; i.external_attr = (stat.S_IFREG | 0o4755) << 16
    z.writestr(i, b"#!/bin/sh\necho hi\n")
    i = zipfile.ZipInfo("dir/"); i.create_system = 3; i.external_attr = (stat.S_IFDIR | 0o755) << 16 | 0x10
    z.writestr(i, b"")
PY
{ head -c 300 /dev/urandom; cat "$sfx/py_escaping.zip"; } >"$sfx/prefixed_escaping.exe"
cp "$sfx"/* "$out/sfx_directory/"

python3 - "$out" <<'PY'
import struct, sys
out = sys.argv[1]
i32 = lambda v: struct.pack("<i", v)
s = lambda t: i32(len(t)) + t
def task(name, parent=-1, dirs=(), ind=False, pairs=((b"*", b""),), task_id=1):
    r = i32(parent) + b"\0\0\0\0" + s(name)
    r += i32(len(dirs)) + b"".join(s(d) for d in dirs)
    r += b"\1" + (b"\1" if ind else b"\0")
    for inc, exc in (pairs if ind else pairs[:1]):
        r += s(inc) + s(exc)
    r += b"\0" + i32(1) + s(b"/tmp/skip/") + s(b"/backup/")
    r += b"\1\1" + s(b"mybackup_%yyyy_%mm_%dd.zip") + i32(9) + b"\0\0\1" + i32(10)
    r += b"\1" + s(b"secret") + b"\1" + i32(2) + struct.pack("<d", 45356.5) + i32(1)
    r += b"\1\0\1\0\1\0\0" + b"\0" * 30 + b"\1" + i32(0) + i32(0) + i32(task_id)
    return r
def store(tasks, last):
    return i32(len(tasks)) + b"".join(tasks) + i32(last)
open(f"{out}/tasks_store/empty.bin", "wb").write(store([], 5))
open(f"{out}/tasks_store/one.bin", "wb").write(store([task(b"Task 1")], 1))
open(f"{out}/tasks_store/tree.bin", "wb").write(store([
    task(b"Parent", dirs=(b"/home/a/", b"/home/b/"), ind=True, pairs=((b"*.doc", b"~*"), (b"*", b"*.tmp")), task_id=1),
    task(b"Child", parent=0, dirs=(b"/srv/",), task_id=2),
    task(b"Orphan", parent=7, task_id=4)], 4))

def run(name, tid, when):
    return s(name) + i32(tid) + struct.pack("<d", when)
def history(runs, jobs):
    return i32(len(runs)) + b"".join(runs) + i32(len(jobs)) + b"".join(s(n) + struct.pack("<I", j) for n, j in jobs)
open(f"{out}/history_store/empty.bin", "wb").write(history([], []))
open(f"{out}/history_store/some.bin", "wb").write(history(
    [run(b"Nightly", 1, 45356.75), run(b"Weekly", 2, 45357.1)], [(b"Nightly", 17), (b"Nightly", 18)]))
open(f"{out}/history_store/full.bin", "wb").write(history([run(b"r%d" % i, i, 45000 + i) for i in range(100)], []))

open(f"{out}/options_store/english.bin", "wb").write(b"\0")
open(f"{out}/options_store/russian.bin", "wb").write(b"\1")
open(f"{out}/options_store/empty.bin", "wb").write(b"")

masks = [b"*.doc\0report.DOC", b"[a-f]*\0beta", b"[!0-9]?.txt\0x1.txt", b"*\0",
         "[а-я]*.txt\0отчёт.txt".encode(), b"a*b*c*d\0aXbYcZd", b"*?\0x", b"[z-a]\0q", b"[\0[", b"???\0\xff\xfe\xfd"]
for i, m in enumerate(masks):
    open(f"{out}/mask/seed{i}", "wb").write(m)
patterns = [b"mybackup_%yyyy_%mm_%dd.zip", b"backup_%yyyy_%mm_%dd_%n.zip", b"a%nnn.zip", b"%n",
            b"B%YYYY.ZIP", b"bad %x.zip", b"%n%nn", b"x.zip", b"%yy%MM%Dd_%NNNN"]
for i, p in enumerate(patterns):
    open(f"{out}/archive_name/seed{i}", "wb").write(p)
PY
echo "seeds in $out: $(find "$out" -type f | wc -l) files"
