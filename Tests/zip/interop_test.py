#!/usr/bin/env python3
"""Interop between the zip engine (through ziptool) and other archivers.

One case per run: `interop_test.py ZIPTOOL CASE`. Archives are made at test time by the tool
under test; a case whose tool is missing exits 77, which CTest reports as skipped.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import zipfile

SKIP = 77
PASSWORD = "pä55 word"
ASCII_PASSWORD = "pa55 word"


def run(args, cwd=None, check=True, input_text=None):
    proc = subprocess.run(args, cwd=cwd, input=input_text, capture_output=True, text=True)
    if check and proc.returncode != 0:
        raise AssertionError(f"{args} exited {proc.returncode}\n{proc.stdout}\n{proc.stderr}")
    return proc


def need(tool):
    if shutil.which(tool) is None:
        print(f"skipped: {tool} is not installed")
        sys.exit(SKIP)


def make_corpus(root, ascii_only):
    """Text, binary, empty and nested files; a non-ASCII name unless the archive cannot mark it."""
    os.makedirs(os.path.join(root, "nested", "deeper"))
    os.makedirs(os.path.join(root, "empty_folder"))
    with open(os.path.join(root, "text.txt"), "w") as f:
        for i in range(6000):
            f.write(f"line {i}: the quick brown fox jumps over the lazy dog\n")
    with open(os.path.join(root, "random.bin"), "wb") as f:
        f.write(os.urandom(150000))
    open(os.path.join(root, "empty.txt"), "wb").close()
    with open(os.path.join(root, "nested", "deeper", "inner.dat"), "wb") as f:
        f.write(bytes(range(256)) * 300)
    with open(os.path.join(root, "already.gz"), "wb") as f:
        f.write(os.urandom(5000))
    if not ascii_only:
        with open(os.path.join(root, "nested", "ünïcödé.txt"), "w") as f:
            f.write("größe\n" * 100)


def corpus_items(root):
    """ziptool ITEM arguments for every file and folder under root, folders first."""
    items = []
    for folder, dirs, files in sorted(os.walk(root)):
        dirs.sort()
        rel = os.path.relpath(folder, root)
        if rel != ".":
            items.append(rel.replace(os.sep, "/") + "/")
        for name in sorted(files):
            path = os.path.join(folder, name)
            items.append(os.path.relpath(path, root).replace(os.sep, "/") + "=" + path)
    return items


def compare_trees(expected, actual):
    for folder, dirs, files in os.walk(expected):
        rel = os.path.relpath(folder, expected)
        other = os.path.normpath(os.path.join(actual, rel))
        assert os.path.isdir(other), f"missing folder {other}"
        for name in files:
            with open(os.path.join(folder, name), "rb") as a, open(os.path.join(other, name), "rb") as b:
                assert a.read() == b.read(), f"{rel}/{name} differs"
    for folder, dirs, files in os.walk(actual):
        rel = os.path.relpath(folder, actual)
        for name in files:
            assert os.path.isfile(os.path.join(expected, rel, name)), f"unexpected {rel}/{name}"


def add_large_files(root):
    """Items large enough to be deflated in blocks, ending on and off a block boundary."""
    block = 128 * 1024
    with open(os.path.join(root, "large.txt"), "w") as f:
        for i in range(70000):
            f.write(f"entry {i}: translated text number {i * 7919 % 100003}\n")
    with open(os.path.join(root, "large_random.bin"), "wb") as f:
        f.write(os.urandom(8 * block + 1))
    with open(os.path.join(root, "large_even.dat"), "wb") as f:
        f.write(bytes(range(256)) * (12 * block // 256))


def engine_archive(ziptool, work, password, threads="4"):
    src = os.path.join(work, "src")
    make_corpus(src, ascii_only=True)  # the writer leaves the UTF-8 name flag clear
    add_large_files(src)
    archive = os.path.join(work, "engine.zip")
    args = [ziptool, "create", archive] + corpus_items(src)
    if password:
        args += ["--password", PASSWORD]
    env = dict(os.environ, LIRNO_ZIP_THREADS=threads)
    proc = subprocess.run(args, capture_output=True, text=True, env=env)
    assert proc.returncode == 0, proc.stderr
    return src, archive


def engine_to_unzip(ziptool, work, password, threads="4"):
    need("unzip")
    src, archive = engine_archive(ziptool, work, password, threads)
    pw = ["-P", PASSWORD] if password else []
    run(["unzip", "-t"] + pw + [archive])
    run(["unzip", "-q"] + pw + [archive, "-d", os.path.join(work, "out")])
    compare_trees(src, os.path.join(work, "out"))


def engine_to_7z(ziptool, work, password, threads="4"):
    need("7z")
    src, archive = engine_archive(ziptool, work, password, threads)
    pw = ["-p" + PASSWORD] if password else []
    run(["7z", "t"] + pw + [archive])
    run(["7z", "x", "-y"] + pw + ["-o" + os.path.join(work, "out"), archive])
    compare_trees(src, os.path.join(work, "out"))


def engine_to_python(ziptool, work, password, threads="4"):
    src, archive = engine_archive(ziptool, work, password, threads)
    with zipfile.ZipFile(archive) as z:
        pwd = PASSWORD.encode() if password else None
        if pwd:
            z.setpassword(pwd)
        assert z.testzip() is None
        z.extractall(os.path.join(work, "out"))
    compare_trees(src, os.path.join(work, "out"))


def extract_with_engine(ziptool, work, src, archive, password=None):
    out = os.path.join(work, "out")
    args = [ziptool, "extract", archive, out]
    if password:
        args += ["--password", password]
    run(args)
    compare_trees(src, out)


def infozip_archive(work, options, comment=None):
    need("zip")
    src = os.path.join(work, "src")
    make_corpus(src, ascii_only=False)
    archive = os.path.join(work, "tool.zip")
    run(["zip", "-q", "-r"] + options + [archive, "."], cwd=src)
    if comment is not None:
        run(["zip", "-q", "-z", archive], input_text=comment)
    return src, archive


def sevenzip_archive(work, options):
    need("7z")
    src = os.path.join(work, "src")
    make_corpus(src, ascii_only=False)
    archive = os.path.join(work, "tool.zip")
    run(["7z", "a", "-tzip"] + options + [archive, "."], cwd=src)
    return src, archive


def python_archive(work, method, comment=b""):
    src = os.path.join(work, "src")
    make_corpus(src, ascii_only=False)
    archive = os.path.join(work, "tool.zip")
    with zipfile.ZipFile(archive, "w", compression=method) as z:
        for folder, dirs, files in os.walk(src):
            for name in dirs + files:
                path = os.path.join(folder, name)
                z.write(path, os.path.relpath(path, src))
        z.comment = comment
    return src, archive


def ziptool_contract(ziptool, work):
    """The command-line contract outside scripts rely on: output lines and exit codes."""
    src = os.path.join(work, "t.txt")
    with open(src, "w") as f:
        f.write("hello\n" * 100)
    os.utime(src, (1500000000, 1614834367))
    archive = os.path.join(work, "a.zip")
    for usage in ([], ["bogus"], ["create", archive, "noequals"], ["create", archive], ["list"]):
        assert run([ziptool] + usage, check=False).returncode == 2, usage

    proc = run([ziptool, "create", archive, "d/", "t.txt=" + src, "gone.txt=" + src + ".missing"], check=False)
    assert proc.returncode == 1, proc
    assert proc.stderr == "gone.txt: Couldn't create/open file (0x200)\n", proc.stderr
    bad = os.path.join(work, "no", "such.zip")
    proc = run([ziptool, "create", bad, "t.txt=" + src], check=False)
    assert proc.returncode == 1 and proc.stderr == f"{bad}: Couldn't create/open file (0x200)\n", proc.stderr

    proc = run([ziptool, "list", archive])
    lines = proc.stdout.splitlines()
    assert lines[0] == "items: 2", lines
    assert lines[1].split("\t") == ["0", "0x00000010", "0", "0", lines[1].split("\t")[4], "d/"], lines
    index, attributes, packed, size, written, name = lines[2].split("\t")
    assert (index, attributes, size, written, name) == ("1", "0x00000020", "600", "1614834367", "t.txt"), lines
    assert 0 < int(packed) < 600

    proc = run([ziptool, "list", src], check=False)
    assert proc.returncode == 1 and proc.stderr == f"{src}: Couldn't create/open file (0x200)\n", proc.stderr

    run([ziptool, "create", archive, "--password", "right", "t.txt=" + src])
    proc = run([ziptool, "extract", archive, os.path.join(work, "out"), "--password", "wrong"], check=False)
    assert proc.returncode == 1 and proc.stderr == "t.txt: Correct password required (0x1000)\n", proc.stderr
    run([ziptool, "extract", archive, os.path.join(work, "out"), "--password", "right"])
    with open(os.path.join(work, "out", "t.txt")) as f:
        assert f.read() == "hello\n" * 100


def main():
    ziptool, case = sys.argv[1], sys.argv[2]
    work = tempfile.mkdtemp(prefix=f"zip_interop_{case}_")
    try:
        if case == "ziptool_contract":
            ziptool_contract(ziptool, work)
        elif case == "engine_plain_unzip":
            engine_to_unzip(ziptool, work, False)
        elif case == "engine_password_unzip":
            engine_to_unzip(ziptool, work, True)
        elif case == "engine_plain_7z":
            engine_to_7z(ziptool, work, False)
        elif case == "engine_password_7z":
            engine_to_7z(ziptool, work, True)
        elif case == "engine_plain_python":
            engine_to_python(ziptool, work, False)
        elif case == "engine_password_python":
            engine_to_python(ziptool, work, True)
        elif case == "engine_serial_unzip":
            engine_to_unzip(ziptool, work, False, threads="1")
        elif case == "engine_serial_7z":
            engine_to_7z(ziptool, work, True, threads="1")
        elif case == "engine_serial_python":
            engine_to_python(ziptool, work, False, threads="1")
        elif case == "infozip_stored":
            extract_with_engine(ziptool, work, *infozip_archive(work, ["-0"]))
        elif case == "infozip_deflated":
            extract_with_engine(ziptool, work, *infozip_archive(work, ["-9"]))
        elif case == "infozip_encrypted":
            extract_with_engine(ziptool, work, *infozip_archive(work, ["-P", PASSWORD]), password=PASSWORD)
        elif case == "infozip_long_comment":
            extract_with_engine(ziptool, work, *infozip_archive(work, [], comment="c" * 40000 + "\n"))
        elif case == "infozip_stub":
            src, archive = infozip_archive(work, ["-6"])
            with open(archive, "rb") as f:
                data = f.read()
            with open(archive, "wb") as f:
                f.write(b"#!/bin/sh\necho stub\nexit 0\n" + os.urandom(3000) + data)
            extract_with_engine(ziptool, work, src, archive)
        elif case == "7z_deflated":
            extract_with_engine(ziptool, work, *sevenzip_archive(work, ["-mx=7"]))
        elif case == "7z_stored":
            extract_with_engine(ziptool, work, *sevenzip_archive(work, ["-mx=0"]))
        elif case == "7z_zipcrypto":
            # ZipCrypto is the zip default; 7z takes only ASCII passwords for it.
            src, archive = sevenzip_archive(work, ["-p" + ASCII_PASSWORD])
            extract_with_engine(ziptool, work, src, archive, password=ASCII_PASSWORD)
        elif case == "python_stored":
            extract_with_engine(ziptool, work, *python_archive(work, zipfile.ZIP_STORED))
        elif case == "python_deflated":
            extract_with_engine(ziptool, work, *python_archive(work, zipfile.ZIP_DEFLATED, b"x" * 65535))
        else:
            print(f"unknown case {case}")
            return 2
        print(f"{case}: passed")
        return 0
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
