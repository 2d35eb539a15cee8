#!/usr/bin/env python3
"""Checks a release zip as a person downloading it would rely on it: both executables of the
right kind, version and size, checksums that match, and a readme that Windows' Notepad shows right.

    check_release.py ZIP VERSION

Prints one line per check and "release: N passed, N failed" last; exits 1 on any failure."""
import hashlib
import struct
import sys
import unicodedata
import zipfile

results = []


def check(name, ok, detail=""):
    results.append(ok)
    print(f"{'ok  ' if ok else 'FAIL'} {name}{': ' + detail if detail and not ok else ''}")


def pe_kind(data):
    """('PE32' or 'PE32+', machine) from the PE headers, or None."""
    if data[:2] != b"MZ" or len(data) < 0x40:
        return None
    at = struct.unpack_from("<I", data, 0x3C)[0]
    if data[at:at + 4] != b"PE\0\0":
        return None
    machine = struct.unpack_from("<H", data, at + 4)[0]
    magic = struct.unpack_from("<H", data, at + 24)[0]
    return {0x10B: "PE32", 0x20B: "PE32+"}.get(magic), machine


def sections(data):
    at = struct.unpack_from("<I", data, 0x3C)[0]
    count = struct.unpack_from("<H", data, at + 6)[0]
    optional = struct.unpack_from("<H", data, at + 20)[0]
    table = at + 24 + optional
    for i in range(count):
        name, vsize, vaddr, rawsize, rawptr = struct.unpack_from("<8sIIII", data, table + 40 * i)
        yield name.rstrip(b"\0"), vaddr, rawsize, rawptr


def resource_data(data, type_id):
    """The first resource of a numeric type, as bytes (walks the .rsrc directory)."""
    rsrc = next((s for s in sections(data) if s[0] == b".rsrc"), None)
    if not rsrc:
        return None
    _, vaddr, _, raw = rsrc

    def entries(offset):
        named, numbered = struct.unpack_from("<HH", data, raw + offset + 12)
        for i in range(named + numbered):
            ident, target = struct.unpack_from("<II", data, raw + offset + 16 + 8 * i)
            yield ident, target

    def first_leaf(target):
        while target & 0x80000000:
            target = next(entries(target & 0x7FFFFFFF))[1]
        rva, size = struct.unpack_from("<II", data, raw + target)
        return data[raw + rva - vaddr: raw + rva - vaddr + size]

    for ident, target in entries(0):
        if ident == type_id:
            return first_leaf(target)
    return None


def file_version(data):
    """The fixed file version of the version resource (RT_VERSION), as "a.b.c.d"."""
    block = resource_data(data, 16)
    if not block:
        return None
    at = block.find(struct.pack("<I", 0xFEEF04BD))
    if at < 0:
        return None
    ms, ls = struct.unpack_from("<II", block, at + 8)
    return f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}"


# What the executables may import: Windows' known DLLs, which it takes from System32 alone, and
# comctl32, which the manifest sends to the side-by-side store. Any other DLL Windows looks for in
# the program's own folder first.
# A small clock stays small: neither executable may pass half a megabyte.
MAX_EXECUTABLE_BYTES = 512 * 1024

ALLOWED_IMPORTS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "ole32.dll",
                   "oleaut32.dll", "ws2_32.dll", "msvcrt.dll", "shlwapi.dll", "imm32.dll", "comdlg32.dll",
                   "shcore.dll", "rpcrt4.dll", "combase.dll", "sechost.dll", "ntdll.dll", "comctl32.dll"}


# Functions of those DLLs that Windows forwards to a DLL outside that list (advapi32's
# SystemFunction036, RtlGenRandom, goes to cryptbase.dll): the loader resolves a static import of
# one at the process's start, before the program has restricted the search.
FORWARDED_OUT = {("advapi32.dll", "systemfunction036"), ("advapi32.dll", "systemfunction040"),
                 ("advapi32.dll", "systemfunction041")}


def imports(data):
    """The import directory (data directory 1): each DLL's name with the names of its imported
    functions (ordinals as '#N'), all lower case."""
    at = struct.unpack_from("<I", data, 0x3C)[0]
    optional = at + 24
    pe32 = struct.unpack_from("<H", data, optional)[0] == 0x10B
    directories = optional + (96 if pe32 else 112)
    rva = struct.unpack_from("<I", data, directories + 8)[0]

    def offset(address):
        for _, vaddr, rawsize, raw in sections(data):
            if vaddr <= address < vaddr + rawsize:
                return raw + address - vaddr
        raise ValueError(f"RVA {address:#x} is in no section")

    def text(address):
        start = offset(address)
        return data[start:data.index(b"\0", start)].decode("ascii").lower()

    found, entry = {}, offset(rva) if rva else None
    while entry is not None:
        lookup, name_rva, thunks = struct.unpack_from("<III", data, entry)[0], *struct.unpack_from("<II", data, entry + 12)
        if not name_rva:
            break
        names, at_thunk = [], offset(lookup or thunks)
        while True:
            thunk = struct.unpack_from("<I" if pe32 else "<Q", data, at_thunk)[0]
            if not thunk:
                break
            ordinal = thunk >> (31 if pe32 else 63)
            names.append(f"#{thunk & 0xFFFF}" if ordinal else text((thunk & 0x7FFFFFFF) + 2))
            at_thunk += 4 if pe32 else 8
        found[text(name_rva)] = names
        entry += 20
    return found


def product_version_text(data):
    block = resource_data(data, 16) or b""
    key = "ProductVersion".encode("utf-16-le") + b"\0\0"
    at = block.find(key)
    if at < 0:
        return None
    at += len(key)
    at += -at % 4
    end = block.find(b"\0\0", at)
    while end >= 0 and (end - at) % 2:
        end = block.find(b"\0\0", end + 1)
    return block[at:end].decode("utf-16-le")


def columns(line):
    return sum(2 if unicodedata.east_asian_width(c) in "WF" else 1 for c in line)


def main(path, version):
    with zipfile.ZipFile(path) as z:
        names = z.namelist()
        files = {n: z.read(n) for n in names}
    expected = ["x86/Velkaro.exe", "x64/Velkaro.exe", "readme-ja.txt", "readme-en.txt", "SHA256SUMS"]
    check("the zip holds " + ", ".join(expected), sorted(names) == sorted(expected), f"holds {names}")

    for name, kind, machine in (("x86/Velkaro.exe", "PE32", 0x14C), ("x64/Velkaro.exe", "PE32+", 0x8664)):
        data = files.get(name, b"")
        check(f"{name} is {kind}", pe_kind(data) == (kind, machine), str(pe_kind(data)))
        check(f"{name} is at most {MAX_EXECUTABLE_BYTES} bytes", 0 < len(data) <= MAX_EXECUTABLE_BYTES,
              f"{len(data)} bytes")
        check(f"{name} has version {version}", file_version(data) == version, str(file_version(data)))
        check(f"{name} names version {version}", product_version_text(data) == version,
              str(product_version_text(data)))
        manifest = resource_data(data, 24) or b""
        check(f"{name} has a manifest of version {version}", f'version="{version}"'.encode() in manifest)
        check(f"{name} is per-monitor DPI aware", b">PerMonitorV2, PerMonitor</dpiAwareness>" in manifest)
        imported = imports(data) if data else {}
        check(f"{name} imports only DLLs that Windows takes from System32", imported and
              set(imported) <= ALLOWED_IMPORTS, str(sorted(set(imported) - ALLOWED_IMPORTS) or imported))
        forwarded = sorted(f"{dll}!{f}" for dll, functions in imported.items() for f in functions
                           if (dll, f) in FORWARDED_OUT)
        check(f"{name} imports no function forwarded out of those DLLs", not forwarded, str(forwarded))

    sums = files.get("SHA256SUMS", b"").decode("ascii", "replace").splitlines()
    listed = {}
    for line in sums:
        digest, _, name = line.partition("  ")
        listed[name] = digest
    want = {n: hashlib.sha256(files.get(n, b"")).hexdigest()
            for n in ("x86/Velkaro.exe", "x64/Velkaro.exe", "readme-ja.txt", "readme-en.txt")}
    check("SHA256SUMS matches the executables and the readmes", listed == want, f"{listed} != {want}")

    for guide in ("readme-ja.txt", "readme-en.txt"):
        readme = files.get(guide, b"")
        check(f"{guide} starts with a UTF-8 byte-order mark", readme.startswith(b"\xef\xbb\xbf"))
        try:
            text = readme[3:].decode("utf-8")
            check(f"{guide} is valid UTF-8", True)
        except UnicodeDecodeError as e:
            check(f"{guide} is valid UTF-8", False, str(e))
            text = ""
        bare = text.replace("\r\n", "")
        check(f"{guide} ends its lines with CR LF only", "\n" not in bare and "\r" not in bare and
              text.endswith("\r\n"))
        wide = [i + 1 for i, line in enumerate(text.split("\r\n")) if columns(line) > 80]
        check(f"{guide} lines are at most 80 columns", not wide, f"lines {wide}")

    failed = results.count(False)
    print(f"release: {len(results) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2]))
