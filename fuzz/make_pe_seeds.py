#!/usr/bin/env python3
"""Writes small 32-bit DLLs as seed inputs of the pe_loader fuzz target.

Each is a complete image the loader accepts: DllMain and cnt1entd at export
ordinal 10 in .text, and optionally an import directory (qvd.dll by name,
zentrix.dll by ordinal) and a base relocation block. The real ZRX.dll joins
them in the working corpus when the fuzz target is built.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def put(buf, at, data):
    buf[at:at + len(data)] = data


def text_section():
    s = bytearray(0x200)
    put(s, 0x00, bytes.fromhex("b801000000c20c00"))  # DllMain: mov eax,1; ret 12
    put(s, 0x10, bytes.fromhex("31c0c3"))            # cnt1entd: xor eax,eax; ret
    # Export directory at 0x1100: name, base 10, one function, one name.
    put(s, 0x100, struct.pack("<IIHHIIIIIII", 0, 0, 0, 0, 0x1180, 10, 1, 1, 0x1140, 0x1150, 0x1160))
    put(s, 0x140, struct.pack("<I", 0x1010))
    put(s, 0x150, struct.pack("<I", 0x1170))
    put(s, 0x160, struct.pack("<H", 0))
    put(s, 0x170, b"cnt1entd\0")
    put(s, 0x180, b"seed.dll\0")
    return s


def idata_section():
    s = bytearray(0x200)
    put(s, 0x00, struct.pack("<IIIII", 0x2040, 0, 0, 0x2080, 0x2060))  # qvd.dll
    put(s, 0x14, struct.pack("<IIIII", 0x2048, 0, 0, 0x20A0, 0x2068))  # zentrix.dll
    for table in (0x40, 0x60):
        put(s, table, struct.pack("<II", 0x2090, 0))
        put(s, table + 8, struct.pack("<II", 0x80000036, 0))
    put(s, 0x80, b"qvd.dll\0")
    put(s, 0x90, struct.pack("<H", 0) + b"TRX5_Sync\0")
    put(s, 0xA0, b"zentrix.dll\0")
    return s


def reloc_section():
    s = bytearray(0x200)
    put(s, 0, struct.pack("<IIHH", 0x1000, 12, 0x3000 | 0x20, 0))
    return s


def dll(with_imports, with_relocs):
    sections = [(b".text", 0x1000, text_section(), 0x60000020)]
    if with_imports:
        sections.append((b".idata", 0x2000, idata_section(), 0xC0000040))
    if with_relocs:
        sections.append((b".reloc", 0x3000, reloc_section(), 0x42000040))
    image = bytearray(0x200)
    put(image, 0, b"MZ")
    put(image, 0x3C, struct.pack("<I", 0x40))
    put(image, 0x40, b"PE\0\0")
    put(image, 0x44, struct.pack("<HHIIIHH", 0x14C, len(sections), 0, 0, 0, 224, 0x2102))
    dirs = [(0x1100, 0x90)] + [(0, 0)] * 15
    if with_imports:
        dirs[1] = (0x2000, 0x3C)
    if with_relocs:
        dirs[5] = (0x3000, 12)
    opt = struct.pack("<HBBIIIIIIIIIHHHHHHIIIIHHIIIIII", 0x10B, 2, 40, 0x200, 0x200, 0, 0x1000, 0x1000,
                      0x2000, 0x10000000, 0x1000, 0x200, 4, 0, 0, 0, 4, 0, 0, 0x4000, 0x200, 0, 3, 0,
                      0x200000, 0x1000, 0x100000, 0x1000, 0, 16)
    opt += b"".join(struct.pack("<II", rva, size) for rva, size in dirs)
    put(image, 0x58, opt)
    for i, (name, rva, data, flags) in enumerate(sections):
        raw = 0x200 * (i + 1)
        header = struct.pack("<8sIIIIIIHHI", name, len(data), rva, len(data), raw, 0, 0, 0, 0, flags)
        put(image, 0x138 + 40 * i, header)
        image += data
    return bytes(image)


def main():
    out = os.path.join(HERE, "corpus", "pe_loader")
    os.makedirs(out, exist_ok=True)
    for name, imports, relocs in (("minimal", False, False), ("imports", True, False), ("full", True, True)):
        with open(os.path.join(out, name), "wb") as f:
            f.write(dll(imports, relocs))


if __name__ == "__main__":
    main()
