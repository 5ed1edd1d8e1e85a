#!/usr/bin/env python3
"""Checks a Windows executable as it is shipped.

  check_exe.py EXE [--objdump PROG] [--imports] [--version X.Y.Z] [--manifest] [--stripped]
               [--size-goal KIB]

--imports      every DLL in the import table (objdump -p, "DLL Name:") ships with Windows;
               the DLL forms of the C++ runtime (libstdc++, libgcc, winpthread) or any other
               DLL fail the check
--version      a version resource whose fixed file and product versions are X.Y.Z.0, with a
               Chinese (080403a8) and an English (040904b0) string table, each naming the
               product "Horvane", the file and product versions X.Y.Z and a description
--manifest     an application manifest (RT_MANIFEST, ID 1)
--stripped     no symbol table and no debug sections
--size-goal    prints the file size against a goal in KiB (a report, not a check)

Prints one "PASS name: ..." or "FAIL name: ..." line per check; exits 1 if any check failed.
The resource directory is read from the file itself (PE32+), without Windows.
"""

import argparse
import os
import struct
import subprocess
import sys

# DLLs that every Windows from 7 on has in its system folder. msvcrt.dll is the C runtime
# mingw-w64 links against by default; it has shipped with Windows since 2000.
SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "ws2_32.dll", "wsock32.dll", "ole32.dll",
    "oleaut32.dll", "shell32.dll", "advapi32.dll", "comctl32.dll", "msvcrt.dll",
}
# Named in the message, since they are the usual way a mingw build stops being self-contained.
RUNTIME_DLL_PREFIXES = ("libstdc++", "libgcc", "libwinpthread")

RT_VERSION = 16
RT_MANIFEST = 24


class PeFile:
    """The headers, sections and resource tree of a PE32+ file."""

    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        d = self.data
        if d[:2] != b"MZ":
            raise ValueError("not an MZ executable")
        pe = struct.unpack_from("<I", d, 0x3C)[0]
        if d[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        (_, self.section_count, _, self.symbol_table, self.symbol_count, optional_size,
         _) = struct.unpack_from("<HHIIIHH", d, pe + 4)
        optional = pe + 24
        magic = struct.unpack_from("<H", d, optional)[0]
        if magic != 0x20B:
            raise ValueError("not PE32+ (optional header magic 0x%x)" % magic)
        directory_count = struct.unpack_from("<I", d, optional + 108)[0]
        self.directories = [struct.unpack_from("<II", d, optional + 112 + 8 * i)
                            for i in range(directory_count)]
        self.sections = []
        table = optional + optional_size
        strings = self.symbol_table + 18 * self.symbol_count
        for i in range(self.section_count):
            raw_name, vsize, rva, raw_size, raw_offset = struct.unpack_from(
                "<8sIIII", d, table + 40 * i)
            name = raw_name.rstrip(b"\0").decode("latin-1")
            if name.startswith("/") and name[1:].isdigit() and self.symbol_table:
                # A long name, kept in the string table after the symbols.
                start = strings + int(name[1:])
                name = d[start:d.index(b"\0", start)].decode("latin-1")
            self.sections.append((name, rva, max(vsize, raw_size), raw_offset))

    def offset_of(self, rva):
        for _, start, size, raw in self.sections:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError("RVA 0x%x is in no section" % rva)

    def resource(self, type_id, name_id=None):
        """The bytes of the first resource of a type (and ID), any language, or None."""
        if len(self.directories) <= 2 or self.directories[2][0] == 0:
            return None
        root = self.offset_of(self.directories[2][0])

        def entries(directory):
            named, numbered = struct.unpack_from("<HH", self.data, root + directory + 12)
            for i in range(named + numbered):
                key, target = struct.unpack_from("<II", self.data, root + directory + 16 + 8 * i)
                yield (None if key & 0x80000000 else key), target

        def first_leaf(target):
            while target & 0x80000000:
                subdirectory = list(entries(target & 0x7FFFFFFF))
                if not subdirectory:
                    return None
                target = subdirectory[0][1]
            rva, size = struct.unpack_from("<II", self.data, root + target)
            start = self.offset_of(rva)
            return self.data[start:start + size]

        for key, target in entries(0):
            if key != type_id:
                continue
            for name, leaf in entries(target & 0x7FFFFFFF):
                if name_id is None or name == name_id:
                    return first_leaf(leaf)
        return None


def version_blocks(data, offset=0, end=None):
    """The VS_VERSIONINFO block tree: yields (key, value bytes, is_text, children)."""
    end = len(data) if end is None else end
    while offset + 6 <= end:
        length, value_length, value_type = struct.unpack_from("<HHH", data, offset)
        if length == 0:
            break
        block_end = offset + length
        key_end = offset + 6
        while data[key_end:key_end + 2] != b"\0\0":
            key_end += 2
        key = data[offset + 6:key_end].decode("utf-16-le")
        value_start = (key_end + 2 + 3) & ~3
        value_size = value_length * 2 if value_type == 1 else value_length
        value = data[value_start:value_start + value_size]
        children_start = (value_start + value_size + 3) & ~3
        children = list(version_blocks(data, children_start, block_end))
        yield key, value, value_type == 1, children
        offset = (block_end + 3) & ~3


def check_imports(path, objdump):
    out = subprocess.run([objdump, "-p", path], check=True, stdout=subprocess.PIPE,
                         universal_newlines=True).stdout
    dlls = [line.split("DLL Name:", 1)[1].strip() for line in out.splitlines()
            if "DLL Name:" in line]
    if not dlls:
        return False, "no import table found by %s" % objdump
    problems = []
    for dll in dlls:
        lower = dll.lower()
        if lower.startswith(RUNTIME_DLL_PREFIXES):
            problems.append("%s is the DLL form of the compiler's runtime" % dll)
        elif lower not in SYSTEM_DLLS:
            problems.append("%s is not a DLL that ships with Windows" % dll)
    if problems:
        return False, "; ".join(problems)
    return True, "imports only %s" % ", ".join(dlls)


def check_version(pe, version):
    data = pe.resource(RT_VERSION)
    if data is None:
        return False, "no version resource"
    blocks = list(version_blocks(data))
    if not blocks or blocks[0][0] != "VS_VERSION_INFO":
        return False, "the version resource is not a VS_VERSION_INFO block"
    _, fixed, _, children = blocks[0]
    if len(fixed) < 52 or struct.unpack_from("<I", fixed, 0)[0] != 0xFEEF04BD:
        return False, "no VS_FIXEDFILEINFO"
    numbers = [int(n) for n in version.split(".")] + [0]
    expected = ((numbers[0] << 16 | numbers[1]), (numbers[2] << 16 | numbers[3]))
    file_version = struct.unpack_from("<II", fixed, 8)
    product_version = struct.unpack_from("<II", fixed, 16)
    problems = []
    if file_version != expected or product_version != expected:
        problems.append("fixed versions %s / %s, expected %s" % (
            fixed_text(file_version), fixed_text(product_version), fixed_text(expected)))
    tables = {}
    for key, _, _, string_tables in children:
        if key == "StringFileInfo":
            for table, _, _, strings in string_tables:
                tables[table.lower()] = {
                    name: value.decode("utf-16-le").rstrip("\0")
                    for name, value, _, _ in strings}
    for table in ("080403a8", "040904b0"):
        strings = tables.get(table)
        if strings is None:
            problems.append("no string table %s" % table)
            continue
        wanted = {"ProductName": "Horvane", "FileVersion": version, "ProductVersion": version}
        for name, value in wanted.items():
            if strings.get(name) != value:
                problems.append("%s %s is %r, expected %r" % (table, name, strings.get(name),
                                                              value))
        if not strings.get("FileDescription"):
            problems.append("%s has no FileDescription" % table)
    if problems:
        return False, "; ".join(problems)
    return True, "version %s, product Horvane, string tables %s" % (
        fixed_text(file_version), ", ".join(sorted(tables)))


def fixed_text(pair):
    return "%d.%d.%d.%d" % (pair[0] >> 16, pair[0] & 0xFFFF, pair[1] >> 16, pair[1] & 0xFFFF)


def check_manifest(pe):
    data = pe.resource(RT_MANIFEST, 1)
    if data is None:
        return False, "no manifest resource with ID 1"
    if b"<assembly" not in data:
        return False, "the manifest resource is not an assembly manifest"
    return True, "manifest of %d bytes" % len(data)


def check_stripped(pe):
    debug = [name for name, _, _, _ in pe.sections if name.startswith((".debug", "/"))]
    problems = []
    if pe.symbol_table or pe.symbol_count:
        problems.append("a symbol table of %d entries" % pe.symbol_count)
    if debug:
        problems.append("debug sections %s" % ", ".join(debug))
    if problems:
        return False, "; ".join(problems)
    return True, "no symbols, no debug sections"


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("exe")
    parser.add_argument("--objdump", default="x86_64-w64-mingw32-objdump")
    parser.add_argument("--imports", action="store_true")
    parser.add_argument("--version")
    parser.add_argument("--manifest", action="store_true")
    parser.add_argument("--stripped", action="store_true")
    parser.add_argument("--size-goal", type=float, metavar="KIB")
    args = parser.parse_args(argv)

    try:
        pe = PeFile(args.exe)
    except (OSError, ValueError, struct.error) as error:
        print("FAIL pe: %s: %s" % (args.exe, error))
        return 1
    results = []
    if args.imports:
        results.append(("imports",) + check_imports(args.exe, args.objdump))
    if args.version:
        results.append(("version",) + check_version(pe, args.version))
    if args.manifest:
        results.append(("manifest",) + check_manifest(pe))
    if args.stripped:
        results.append(("stripped",) + check_stripped(pe))
    for name, ok, message in results:
        print("%s %s: %s" % ("PASS" if ok else "FAIL", name, message))
    if args.size_goal:
        size = os.path.getsize(args.exe)
        print("size: %s is %d bytes (%.1f KiB); goal < %.0f KiB: %s" % (
            os.path.basename(args.exe), size, size / 1024, args.size_goal,
            "met" if size < args.size_goal * 1024 else "NOT met"))
    return 0 if all(ok for _, ok, _ in results) else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
