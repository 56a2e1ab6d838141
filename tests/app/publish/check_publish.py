#!/usr/bin/env python3
"""Runs kestrow-publish on a generated client and checks its output with an
independent reader: zlib.crc32 and lzma's FORMAT_ALONE decoder."""

import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile
import urllib.parse
import xml.etree.ElementTree as ET
import lzma
import zlib

TOOL = sys.argv[1]
PROJECT_VERSION = sys.argv[2]
BASE = "http://127.0.0.1:8080/game files"
failures = []


def check(cond, what):
    if not cond:
        failures.append(what)
        print("FAIL:", what)


def run(*args):
    return subprocess.run([TOOL, *args], capture_output=True, text=True)


def make_tree(root, files):
    for rel, data in files.items():
        path = os.path.join(root, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)


def url_to_path(out, url):
    base = BASE.replace(" ", "%20")
    check(url.startswith(base + "/"), "address under the base URL: " + url)
    return os.path.join(out, urllib.parse.unquote(url[len(base) + 1:]))


def children(root):
    return {c.tag: (c.text or "") for c in root}


def verify_catalogue(out, catalogue_url, folder_url, files, kind):
    doc = ET.parse(url_to_path(out, catalogue_url)).getroot()
    seen = {}
    for node in doc.iter("archive"):
        name = node.get("filename")
        check("/" not in name, kind + ": backslashes only in " + name)
        rel = name.replace("\\", "/")
        check(rel in files, kind + ": listed file exists in source: " + name)
        if rel not in files:
            continue
        data = files[rel]
        seen[rel] = True
        check(node.get("size") == str(len(data)), kind + ": size of " + name)
        check(node.get("original") == "%08X" % zlib.crc32(data), kind + ": CRC of " + name)
        # The launcher's address rule: folder + name, "\" to "/", space to %20.
        url = (folder_url + name + ".lzma").replace("\\", "/").replace(" ", "%20")
        with open(url_to_path(out, url), "rb") as f:
            archive = f.read()
        check(len(archive) >= 13, kind + ": header of " + name)
        declared = struct.unpack("<q", archive[5:13])[0]
        check(declared == len(data), kind + ": real unpacked size in the header of " + name)
        check(archive[0] <= 224, kind + ": properties byte of " + name)
        decoded = lzma.LZMADecompressor(format=lzma.FORMAT_ALONE).decompress(archive)
        check(decoded == data, kind + ": archive decodes to the file bytes of " + name)
    check(sorted(seen) == sorted(files), kind + ": every file listed once")
    return doc


def main():
    work = tempfile.mkdtemp(prefix="publish-test-")
    try:
        rnd = random.Random(5)
        client = {
            "system/A B.ini": b"[Engine]\r\nValue=1\r\n",
            "system/deep/er/nested.dat": bytes(rnd.getrandbits(8) for _ in range(70000)),
            "empty.dat": b"",
            "Папка/файл данных.txt": "привет, мир\n".encode("utf-8") * 500,
            "big.bin": (b"0123456789abcdef" * 65536) + bytes(rnd.getrandbits(8) for _ in range(3 << 20)),
            "a&b 'q'.txt": b"xml special characters in a name",
        }
        patch = {"system/l2.ini": b"patched\n", "l2.exe": b"MZ" + b"\0" * 100}
        make_tree(os.path.join(work, "client"), client)
        make_tree(os.path.join(work, "patch"), patch)
        with open(os.path.join(work, "Change Log.txt"), "wb") as f:
            f.write("Изменения\n".encode("cp1251"))
        out = os.path.join(work, "out")

        r = run("--client", os.path.join(work, "client"), "--patch", os.path.join(work, "patch"),
                "--out", out, "--base-url", BASE + "/", "--preset", "1", "--jobs", "3",
                "--crit", "system/l2.ini", "--crit", "Папка\\x.dat", "--version", "1.2.3.4",
                "--critical-version", "7", "--block-update", "--changelog",
                os.path.join(work, "Change Log.txt"), "--site", "http://site/?a=1&b=2",
                "--forum", "http://forum/", "--info", "http://info/", "--register", "http://reg/")
        check(r.returncode == 0, "publish succeeds: " + r.stderr)

        options = ET.parse(os.path.join(out, "_files", "options.xml")).getroot()
        o = children(options)
        expected_keys = ["patchlist_new", "clientlist_new", "updater_new", "site", "forum", "info",
                         "register", "version", "critical_version", "changelogs", "block_update",
                         "patchlist_new_folder", "clientlist_new_folder"]
        check(list(o) == expected_keys, "options elements: %s" % list(o))
        check(o["version"] == "1.2.3.4", "version")
        check(o["critical_version"] == "7", "critical_version")
        check(o["block_update"] == "true", "block_update")
        check(o["site"] == "http://site/?a=1&b=2", "site escaped and read back")
        check(o["updater_new"] == "", "no updater given")
        with open(url_to_path(out, o["changelogs"]), "rb") as f:
            check(f.read() == "Изменения\n".encode("cp1251"), "change log copied byte for byte")

        verify_catalogue(out, o["clientlist_new"], o["clientlist_new_folder"], client, "client")
        pdoc = verify_catalogue(out, o["patchlist_new"], o["patchlist_new_folder"], patch, "patch")
        crit = [n.get("filename") for n in pdoc.iter("CritFiles")]
        check(crit == ["system\\l2.ini", "Папка\\x.dat"], "CritFiles: %s" % crit)
        leftovers = [f for _, _, fs in os.walk(out) for f in fs if f.endswith(".part")]
        check(not leftovers, "no partial files left: %s" % leftovers)

        # Without --patch the patch catalogue is valid and empty. The updater (here
        # a copy of the tool, carrying the project's version record) gives the version.
        out2 = os.path.join(work, "out2")
        updater = os.path.join(work, "Game Updater.exe")
        shutil.copyfile(TOOL, updater)
        r = run("--client", os.path.join(work, "client"), "--out", out2, "--base-url", BASE,
                "--preset", "0", "--updater", updater)
        check(r.returncode == 0, "publish without patch: " + r.stderr)
        o2 = children(ET.parse(os.path.join(out2, "_files", "options.xml")).getroot())
        empty = ET.parse(url_to_path(out2, o2["patchlist_new"])).getroot()
        check(len(list(empty.iter("archive"))) == 0, "empty patch catalogue")
        check(o2["version"] == PROJECT_VERSION, "version from the updater: " + o2["version"])
        check(o2["updater_new"].endswith("/_files/Game%20Updater.exe"), o2["updater_new"])
        with open(url_to_path(out2, o2["updater_new"]), "rb") as f:
            check(f.read() == open(updater, "rb").read(), "updater copied byte for byte")

        # crc subcommand against zlib.
        names = [os.path.join(work, "client", n) for n in ("big.bin", "empty.dat")]
        r = run("crc", *names)
        want = "".join("%08X %d %s\n" % (zlib.crc32(open(n, "rb").read()), os.path.getsize(n), n)
                       for n in names)
        check(r.returncode == 0 and r.stdout == want, "crc lines: " + r.stdout)
        r = run("crc", os.path.join(work, "missing"))
        check(r.returncode == 1, "crc of a missing file fails")

        # Usage errors exit with 2, failures with 1.
        cdir = os.path.join(work, "client")
        usage = [
            [],
            ["--bogus"],
            ["--client", os.path.join(work, "nope"), "--out", out, "--base-url", BASE],
            ["--client", cdir, "--out", out],
            ["--client", cdir, "--out", out, "--base-url", "ftp://x"],
            ["--client", cdir, "--out", out, "--base-url", BASE, "--preset", "10"],
            ["--client", cdir, "--out", out, "--base-url", BASE, "--jobs", "0"],
            ["--client", cdir, "--out", os.path.join(cdir, "out"), "--base-url", BASE],
            ["--client", cdir, "--out", out, "--base-url", BASE, "--updater", "/nonexistent"],
            ["crc"],
        ]
        for args in usage:
            r = run(*args)
            check(r.returncode == 2 and r.stderr, "usage error exit 2 for %s (got %d)" % (args, r.returncode))
        blocker = os.path.join(work, "blocker")
        open(blocker, "w").close()
        r = run("--client", cdir, "--out", os.path.join(blocker, "out"), "--base-url", BASE)
        check(r.returncode == 1 and "error" in r.stderr, "unwritable output exits with 1")
        # Names a Windows client or the archive address cannot carry.
        for n, bad in enumerate([{"what?.txt": b"x"}, {"dir./f": b"x"}, {"NUL.txt": b"x"},
                                 {"sys/A.txt": b"x", "sys/a.TXT": b"y"},
                                 {"sys/l2.ini": b"x", "sys/L2.INI.lzma": b"y"}]):
            bad_tree = os.path.join(work, "bad%d" % n)
            make_tree(bad_tree, bad)
            r = run("--client", bad_tree, "--out", os.path.join(work, "out3"), "--base-url", BASE)
            check(r.returncode == 1 and sorted(bad)[0] in r.stderr,
                  "name refused: %s (%s)" % (sorted(bad), r.stderr.strip()))
        r = run("--help")
        check(r.returncode == 0 and "--base-url" in r.stdout, "--help")
    finally:
        shutil.rmtree(work, ignore_errors=True)
    if failures:
        print("%d check(s) failed" % len(failures))
        return 1
    print("all publish checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
