#!/usr/bin/env python3
"""Writes the seed executables of fuzz_exe_version: tiny PE and ELF images
that carry a version record, so the fuzzer starts past every header check.
  fuzz/platform/make_exe_seeds.py   (rewrites corpus/fuzz_exe_version/*)"""
import os
import struct

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "fuzz_exe_version")


def record(endian):
    # Signature, structure version, file 1.0.1.0, product 1.0.1.0, the rest zero.
    return struct.pack(endian + "13I", 0xFEEF04BD, 0x10000, 0x10000, 0x10000, 0x10000, 0x10000,
                       0x3F, 0, 0x40004, 1, 0, 0, 0)


def version_info():
    key = "VS_VERSION_INFO\0".encode("utf-16-le")
    head = struct.pack("<HHH", 92, 52, 0) + key
    head += b"\0" * (-len(head) % 4)
    return head + record("<")


def pe(plus):
    rsrc_rva, rsrc_raw = 0x1000, 0x200
    res = bytearray(0x58)
    # Type directory: one id entry, RT_VERSION, pointing to a subdirectory.
    struct.pack_into("<IIHHHH", res, 0x00, 0, 0, 0, 0, 0, 1)
    struct.pack_into("<II", res, 0x10, 16, 0x80000000 | 0x18)
    struct.pack_into("<IIHHHH", res, 0x18, 0, 0, 0, 0, 0, 1)
    struct.pack_into("<II", res, 0x28, 1, 0x80000000 | 0x30)
    struct.pack_into("<IIHHHH", res, 0x30, 0, 0, 0, 0, 0, 1)
    struct.pack_into("<II", res, 0x40, 0x409, 0x48)
    info = version_info()
    struct.pack_into("<IIII", res, 0x48, rsrc_rva + 0x58, len(info), 0, 0)
    res += info

    count_offset = 108 if plus else 92
    optional_size = count_offset + 4 + 16 * 8
    optional = bytearray(optional_size)
    struct.pack_into("<H", optional, 0, 0x20B if plus else 0x10B)
    struct.pack_into("<I", optional, count_offset, 16)
    struct.pack_into("<II", optional, count_offset + 4 + 2 * 8, rsrc_rva, len(res))

    image = bytearray(0x40)
    image[0:2] = b"MZ"
    struct.pack_into("<I", image, 0x3C, 0x40)
    image += b"PE\0\0" + struct.pack("<HHIIIHH", 0x8664 if plus else 0x14C, 1, 0, 0, 0,
                                     optional_size, 0x102)
    image += optional
    image += struct.pack("<8sIIIIIIHHI", b".rsrc", len(res), rsrc_rva, len(res), rsrc_raw, 0, 0,
                         0, 0, 0x40000040)
    image += b"\0" * (rsrc_raw - len(image))
    return bytes(image + res)


def elf(is64, big):
    e = ">" if big else "<"
    names = b"\0.kestrow_version\0.shstrtab\0"
    ehsize, shentsize = (64, 64) if is64 else (52, 40)
    rec = record(e)
    rec_off = ehsize
    str_off = rec_off + len(rec)
    shoff = str_off + len(names)
    shoff += -shoff % 8

    def section(name, kind, offset, size):
        if is64:
            return struct.pack(e + "IIQQQQIIQQ", name, kind, 0, 0, offset, size, 0, 0, 1, 0)
        return struct.pack(e + "IIIIIIIIII", name, kind, 0, 0, offset, size, 0, 0, 1, 0)

    ident = b"\x7fELF" + bytes([2 if is64 else 1, 2 if big else 1, 1]) + b"\0" * 9
    if is64:
        head = ident + struct.pack(e + "HHIQQQIHHHHHH", 2, 62, 1, 0, 0, shoff, 0, ehsize, 0, 0,
                                   shentsize, 3, 2)
    else:
        head = ident + struct.pack(e + "HHIIIIIHHHHHH", 2, 3, 1, 0, 0, shoff, 0, ehsize, 0, 0,
                                   shentsize, 3, 2)
    body = head + rec + names
    body += b"\0" * (shoff - len(body))
    body += section(0, 0, 0, 0)
    body += section(1, 1, rec_off, len(rec))
    body += section(names.index(b".shstrtab"), 3, str_off, len(names))
    return body


def elf_extended_count():
    # e_shnum 0 and e_shstrndx 0xFFFF: both taken from section 0.
    image = bytearray(elf(True, False))
    shoff = struct.unpack_from("<Q", image, 0x28)[0]
    struct.pack_into("<HH", image, 0x3C, 0, 0xFFFF)
    struct.pack_into("<Q", image, shoff + 32, 3)
    struct.pack_into("<I", image, shoff + 40, 2)
    return bytes(image)


def main():
    os.makedirs(OUT, exist_ok=True)
    seeds = {
        "pe32": pe(False),
        "pe32plus": pe(True),
        "elf64le": elf(True, False),
        "elf32be": elf(False, True),
        "elf64le-extended-count": elf_extended_count(),
    }
    for name, data in seeds.items():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
