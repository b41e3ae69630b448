#!/usr/bin/python3
"""Checks the resources built into CorvaneUpdateChecker.exe, byte for byte where it matters, and
the DLLs it imports.

usage: resources_test.py path/to/CorvaneUpdateChecker.exe [unittest options]
"""
import struct
import sys
import unittest
import xml.etree.ElementTree as ET

import pefile

EXE = None
ENGLISH_US = 0x0409

RT_ICON, RT_BITMAP, RT_MENU, RT_DIALOG, RT_STRING = 3, 2, 4, 5, 6
RT_ACCELERATOR, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 9, 14, 16, 24

BUTTON, STATIC = 0x0080, 0x0082
PUSH_BUTTON = 0x50010000   # WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON
TEXT = 0x50020000          # WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT
WS_VISIBLE = 0x10000000
NO_ID = 0xFFFFFFFF         # IDC_STATIC as the template's DWORD


class Ordinal(int):
    """A resource named by number inside a template (0xFFFF prefix)."""


# --- reading the executable ---------------------------------------------------------

def load_resources(path):
    """{(type, name): {language: bytes}} for every resource in the file."""
    pe = pefile.PE(path, fast_load=True)
    pe.parse_data_directories(
        directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
    found = {}
    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        type_key = kind.id if kind.id is not None else str(kind.name)
        for name in kind.directory.entries:
            name_key = name.id if name.id is not None else str(name.name)
            for lang in name.directory.entries:
                rva, size = lang.data.struct.OffsetToData, lang.data.struct.Size
                found.setdefault((type_key, name_key), {})[lang.id] = pe.get_data(rva, size)
    return found


class Reader:
    """Little-endian cursor over a resource's bytes."""

    def __init__(self, data, pos=0):
        self.data, self.pos = data, pos

    def take(self, fmt):
        values = struct.unpack_from("<" + fmt, self.data, self.pos)
        self.pos += struct.calcsize("<" + fmt)
        return values if len(values) > 1 else values[0]

    def text(self):
        end = self.pos
        while self.data[end:end + 2] != b"\0\0":
            end += 2
            if end >= len(self.data):
                raise ValueError("unterminated text at %d" % self.pos)
        value = self.data[self.pos:end].decode("utf-16-le")
        self.pos = end + 2
        return value

    def name_or_ordinal(self):
        first = self.take("H")
        if first == 0xFFFF:
            return Ordinal(self.take("H"))
        self.pos -= 2
        return self.text()

    def align(self, base=0):
        """Skips zero padding up to the next DWORD boundary relative to base."""
        pad = (-(self.pos - base)) % 4
        if self.data[self.pos:self.pos + pad] != b"\0" * pad:
            raise ValueError("non-zero padding at %d" % self.pos)
        self.pos += pad


def parse_dialog(data):
    """DLGTEMPLATEEX and its DLGITEMTEMPLATEEX items as plain dicts."""
    r = Reader(data)
    d = {}
    (d["version"], d["signature"], d["help"], d["exstyle"], d["style"], count,
     x, y, cx, cy) = r.take("HHIIIHhhhh")
    d["rect"] = (x, y, cx, cy)
    d["menu"], d["class"], d["caption"] = r.name_or_ordinal(), r.name_or_ordinal(), r.text()
    size, weight, italic, charset = r.take("HHBB")
    d["font"] = (size, weight, italic, charset, r.text())
    d["items"] = []
    for _ in range(count):
        r.align()
        item = {}
        help_id, exstyle, style, x, y, cx, cy, ident = r.take("IIIhhhhI")
        item.update(help=help_id, exstyle=exstyle, style=style, rect=(x, y, cx, cy), id=ident)
        item["class"], item["text"] = r.name_or_ordinal(), r.name_or_ordinal()
        item["extra"] = r.take("H")
        d["items"].append(item)
    d["trailing"] = data[r.pos:]
    return d


def parse_menu(data):
    """Standard menu template as [(flags, text, id or sub-list)]."""
    r = Reader(data)
    header = r.take("HH")

    def items():
        out = []
        while True:
            flags = r.take("H")
            if flags & 0x10:  # MF_POPUP
                text = r.text()
                out.append((flags, text, items()))
            else:
                ident = r.take("H")
                out.append((flags, r.text(), ident))
            if flags & 0x80:  # MF_END
                return out

    return header, items(), data[r.pos:]


def parse_version_node(data, pos):
    """One VS_VERSIONINFO node: (key, value type, value bytes, children, end)."""
    r = Reader(data, pos)
    length, value_length, value_type = r.take("HHH")
    end = pos + length
    key = r.text()
    r.align()
    value_bytes = value_length * 2 if value_type == 1 else value_length
    value = data[r.pos:r.pos + value_bytes]
    r.pos += value_bytes
    children = []
    while True:
        if r.pos < end:
            r.align()
        if r.pos >= end:
            break
        child = parse_version_node(data, r.pos)
        children.append(child)
        r.pos = child[4]
    return key, value_type, value, children, end


def bitmap_header(data):
    keys = ("size", "width", "height", "planes", "bits", "compression", "image_size",
            "xppm", "yppm", "used", "important")
    return dict(zip(keys, struct.unpack_from("<IiiHHIIiiII", data)))


# --- what the program file must hold ------------------------------------------------

MAIN_DIALOG = {
    "id": 130, "style": 0x80C808C9, "rect": (0, 0, 309, 183), "caption": "Update Available!",
    "font": (8, 400, 0, 1, "MS Shell Dlg"),
    "items": [
        (2, BUTTON, PUSH_BUTTON, (56, 162, 184, 14), "Not now. Remind me later."),
        (1003, STATIC, TEXT, (7, 7, 295, 8), "A FREE update for your software is now available!"),
        (1004, STATIC, TEXT, (25, 20, 145, 8), "Your current version: 0.0.0"),
        (1005, STATIC, TEXT, (25, 33, 149, 8), "New version available: 0.0.0"),
        (1000, BUTTON, PUSH_BUTTON, (7, 46, 295, 14), "Download the FREE update now!"),
        (1006, STATIC, TEXT, (25, 65, 200, 25),
         "After starting the download, be sure to save your work and quit your audio host "
         "before installing the new version."),
        (1007, STATIC, TEXT, (7, 100, 295, 8), "An UPGRADE for your software is available!"),
        (1001, BUTTON, PUSH_BUTTON, (7, 113, 295, 14), "Upgrade now!"),
        (1002, BUTTON, PUSH_BUTTON, (56, 143, 184, 14), "Don't remind me again about updates."),
    ],
}

ABOUT_BOX = {
    "id": 103, "style": 0x80C800C8, "rect": (0, 0, 213, 77),
    "caption": "About Corvane Update Checker", "font": (8, 0, 0, 1, "MS Shell Dlg"),
    "items": [
        (NO_ID, STATIC, 0x5000000E, (7, 7, 67, 62), Ordinal(129)),
        (NO_ID, STATIC, 0x50020080, (85, 7, 111, 21), "Corvane Update Checker\nVersion 1.0.0"),
        (NO_ID, STATIC, TEXT, (85, 27, 115, 25), "Copyright (C) 2026\nCorvane\nAll rights reserved."),
        (1, BUTTON, 0x50030001, (156, 56, 50, 14), "OK"),
    ],
}

VERSION_STRINGS = {
    "CompanyName": "Corvane",
    "FileDescription": "Corvane Update Checker Application",
    "FileVersion": "1.1.0.0",
    "InternalName": "CorvaneUpdateChecker.exe",
    "LegalCopyright": "Copyright (C) 2026 Corvane",
    "OriginalFilename": "CorvaneUpdateChecker.exe",
    "ProductName": "Corvane Update Checker",
    "ProductVersion": "1.1.0.0",
}

# Signature, structure version, file and product version (MS, LS), flags mask, flags,
# OS, type, subtype, date (MS, LS).
FIXED_FILE_INFO = (0xFEEF04BD, 0x00010000, 0x00010001, 0, 0x00010001, 0,
                   0x3F, 0, 0x40004, 1, 0, 0, 0)

ICON_SIZES = (256, 128, 64, 48, 32, 16)

EXPECTED_RESOURCES = {
    (RT_DIALOG, 130), (RT_DIALOG, 103), (RT_MENU, 109), (RT_ACCELERATOR, 109),
    (RT_STRING, 7), (RT_GROUP_ICON, 133), (RT_BITMAP, 129), (RT_VERSION, 1), (RT_MANIFEST, 1),
} | {(RT_ICON, n) for n in range(1, len(ICON_SIZES) + 1)}


class ResourcesTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.resources = load_resources(EXE)

    def resource(self, kind, name):
        langs = self.resources.get((kind, name))
        self.assertIsNotNone(langs, "no resource type %s name %s" % (kind, name))
        self.assertEqual(list(langs), [ENGLISH_US], "languages of %s/%s" % (kind, name))
        return langs[ENGLISH_US]

    # The set of resources and their language.

    def test_every_resource_is_english_us(self):
        for key, langs in self.resources.items():
            with self.subTest(resource=key):
                self.assertEqual(list(langs), [ENGLISH_US])

    def test_nothing_more_nothing_less(self):
        # The icon images may be numbered differently by another resource compiler.
        named = {k for k in self.resources if k[0] != RT_ICON}
        self.assertEqual(named, {k for k in EXPECTED_RESOURCES if k[0] != RT_ICON})
        icons = [k for k in self.resources if k[0] == RT_ICON]
        self.assertEqual(len(icons), len(ICON_SIZES))

    # Dialogs.

    def check_dialog(self, expected):
        d = parse_dialog(self.resource(RT_DIALOG, expected["id"]))
        header = {k: d[k] for k in ("version", "signature", "help", "exstyle", "style", "rect",
                                    "menu", "class", "caption", "font")}
        self.assertEqual(header, {
            "version": 1, "signature": 0xFFFF, "help": 0, "exstyle": 0,
            "style": expected["style"], "rect": expected["rect"], "menu": "", "class": "",
            "caption": expected["caption"], "font": expected["font"]})
        self.assertEqual(len(d["items"]), len(expected["items"]))
        for n, (item, want) in enumerate(zip(d["items"], expected["items"]), 1):
            ident, cls, style, rect, text = want
            with self.subTest(control=n):
                self.assertEqual(item, {"help": 0, "exstyle": 0, "style": style, "rect": rect,
                                        "id": ident, "class": cls, "text": text, "extra": 0})
                self.assertIsInstance(item["class"], Ordinal, "class must be an atom")
                self.assertEqual(isinstance(item["text"], Ordinal), isinstance(text, Ordinal))
        self.assertLess(len(d["trailing"]), 4)
        self.assertEqual(d["trailing"].strip(b"\0"), b"")
        return d

    def test_main_dialog(self):
        self.check_dialog(MAIN_DIALOG)

    def test_main_dialog_starts_hidden_without_default_button(self):
        d = parse_dialog(self.resource(RT_DIALOG, 130))
        self.assertFalse(d["style"] & WS_VISIBLE)
        for item in d["items"]:
            if item["class"] == BUTTON:
                self.assertEqual(item["style"] & 0xF, 0, "BS_DEFPUSHBUTTON on %d" % item["id"])

    def test_about_box(self):
        self.check_dialog(ABOUT_BOX)

    # Menu, accelerators and strings.

    def test_menu(self):
        header, items, rest = parse_menu(self.resource(RT_MENU, 109))
        self.assertEqual(header, (0, 0))  # standard template, not MENUEX
        self.assertEqual(items, [
            (0x10, "&File", [(0x80, "E&xit", 105)]),
            (0x90, "&Help", [(0x80, "&About ...", 104)]),
        ])
        self.assertEqual(rest.strip(b"\0"), b"")

    def test_accelerators(self):
        data = self.resource(RT_ACCELERATOR, 109)
        self.assertEqual(len(data) % 8, 0)
        entries = [struct.unpack_from("<HHHH", data, off) for off in range(0, len(data), 8)]
        FALT, FVIRTKEY, LAST = 0x10, 0x01, 0x80
        self.assertEqual(entries, [(FALT, ord("?"), 104, 0), (FALT | LAST, ord("/"), 104, 0)])
        for flags, _, _, _ in entries:
            self.assertFalse(flags & FVIRTKEY, "character keys, not virtual keys")

    def test_string_table(self):
        data = self.resource(RT_STRING, 7)  # block 7 holds ids 96..111
        r = Reader(data)
        strings = {}
        for ident in range(96, 112):
            count = r.take("H")
            if count:
                strings[ident] = data[r.pos:r.pos + 2 * count].decode("utf-16-le")
                r.pos += 2 * count
        self.assertEqual(r.pos, len(data))
        self.assertEqual(strings, {103: "CorvaneUpdateChecker", 109: "CORVANEUPDATECHECKER"})

    # Version block and manifest.

    def test_version_block(self):
        data = self.resource(RT_VERSION, 1)
        key, _, fixed, children, end = parse_version_node(data, 0)
        self.assertEqual(key, "VS_VERSION_INFO")
        self.assertEqual(end, len(data))
        self.assertEqual(struct.unpack("<13I", fixed), FIXED_FILE_INFO)
        blocks = {child[0]: child for child in children}
        self.assertEqual(sorted(blocks), ["StringFileInfo", "VarFileInfo"])

        tables = blocks["StringFileInfo"][3]
        self.assertEqual([t[0] for t in tables], ["040904b0"])
        strings = {}
        for name, value_type, value, _, _ in tables[0][3]:
            self.assertEqual(value_type, 1, name)
            text = value.decode("utf-16-le")
            self.assertTrue(text.endswith("\0"), name)
            strings[name] = text[:-1]
        self.assertEqual(strings, VERSION_STRINGS)

        variables = blocks["VarFileInfo"][3]
        self.assertEqual([(v[0], v[1], v[2]) for v in variables],
                         [("Translation", 0, struct.pack("<HH", 0x0409, 1200))])

    def test_manifest(self):
        data = self.resource(RT_MANIFEST, 1)
        self.assertTrue(data.startswith(
            b'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'), data[:60])
        data.decode("utf-8")
        root = ET.fromstring(data)
        asm1, asm3 = "{urn:schemas-microsoft-com:asm.v1}", "{urn:schemas-microsoft-com:asm.v3}"
        self.assertEqual(root.tag, asm1 + "assembly")
        self.assertEqual(root.attrib, {"manifestVersion": "1.0"})
        self.assertEqual([child.tag for child in root], [asm3 + "trustInfo"])
        path = [asm3 + "security", asm3 + "requestedPrivileges", asm3 + "requestedExecutionLevel"]
        node = root[0]
        for tag in path:
            self.assertEqual([child.tag for child in node], [tag])
            node = node[0]
        self.assertEqual(node.attrib, {"level": "asInvoker", "uiAccess": "false"})
        self.assertEqual(len(node), 0)
        # Nothing beyond the execution level: no common controls, DPI or OS list.
        everything = [element.tag.split("}")[-1] for element in root.iter()]
        self.assertEqual(everything, ["assembly", "trustInfo", "security",
                                      "requestedPrivileges", "requestedExecutionLevel"])

    # Pictures.

    def test_icon_group(self):
        data = self.resource(RT_GROUP_ICON, 133)
        reserved, kind, count = struct.unpack_from("<HHH", data)
        self.assertEqual((reserved, kind, count), (0, 1, len(ICON_SIZES)))
        self.assertEqual(len(data), 6 + 14 * count)
        for n, size in enumerate(ICON_SIZES):
            width, height, colours, zero, planes, bits, length, ident = struct.unpack_from(
                "<BBBBHHIH", data, 6 + 14 * n)
            with self.subTest(size=size):
                edge = 0 if size == 256 else size
                self.assertEqual((width, height, colours, zero, planes, bits),
                                 (edge, edge, 0, 0, 1, 32))
                image = self.resource(RT_ICON, ident)
                self.assertEqual(len(image), length)
                self.check_icon_image(image, size)

    def check_icon_image(self, image, size):
        self.assertFalse(image.startswith(b"\x89PNG"), "PNG-compressed image")
        head = bitmap_header(image)
        self.assertEqual((head["size"], head["width"], head["height"], head["planes"],
                          head["bits"], head["compression"]), (40, size, 2 * size, 1, 32, 0))
        mask_stride = (size + 31) // 32 * 4
        self.assertEqual(len(image), 40 + size * size * 4 + mask_stride * size)
        # The mask marks exactly the fully transparent pixels; the centre is opaque.
        pixels = image[40:40 + size * size * 4]
        mask = image[40 + size * size * 4:]
        for y in range(size):
            for x in range(size):
                alpha = pixels[(y * size + x) * 4 + 3]
                masked = bool(mask[y * mask_stride + x // 8] & (0x80 >> (x % 8)))
                if masked != (alpha == 0):
                    self.fail("mask and alpha disagree at %d,%d" % (x, y))
        centre = ((size // 2) * size + size // 2) * 4 + 3
        self.assertEqual(pixels[centre], 255)

    def test_about_logo(self):
        data = self.resource(RT_BITMAP, 129)
        head = bitmap_header(data)
        self.assertEqual((head["size"], head["width"], head["height"], head["planes"],
                          head["bits"], head["compression"]), (40, 64, 64, 1, 8, 0))
        self.assertIn(head["used"], (0, 256))
        self.assertEqual(len(data), 40 + 256 * 4 + 64 * 64)
        # A drawing, not a blank: many palette entries are in use.
        self.assertGreater(len(set(data[40 + 1024:])), 32)


# Known system DLLs, which Windows never loads from beside the program. Anything else must be
# loaded from the system folder by the program itself, or a planted file of its name would be run.
# OLEAUT32 (a known DLL too) makes the strings that carry an address to the desktop's shell.
KNOWN_SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "shell32.dll", "shlwapi.dll", "ole32.dll", "msvcrt.dll",
                     "advapi32.dll", "oleaut32.dll"}


class ImportsTest(unittest.TestCase):

    def test_static_imports_are_known_system_dlls_only(self):
        pe = pefile.PE(EXE, fast_load=True)
        pe.parse_data_directories(directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_IMPORT"]])
        imported = {entry.dll.decode().lower() for entry in pe.DIRECTORY_ENTRY_IMPORT}
        self.assertIn("kernel32.dll", imported)
        self.assertLessEqual(imported, KNOWN_SYSTEM_DLLS)

    def test_no_delay_imports(self):
        # The delay-load helper writes resolved addresses into import slots, which newer linkers
        # make read-only (as Windows enforces): the exe would crash at its first network call.
        pe = pefile.PE(EXE, fast_load=True)
        directory = pe.OPTIONAL_HEADER.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT"]]
        self.assertEqual((directory.VirtualAddress, directory.Size), (0, 0))

    def test_header_asks_for_windows_8(self):
        # Older Windows then refuses the exe instead of failing on a missing kernel32 call.
        header = pefile.PE(EXE, fast_load=True).OPTIONAL_HEADER
        self.assertEqual((header.MajorSubsystemVersion, header.MinorSubsystemVersion,
                          header.MajorOperatingSystemVersion, header.MinorOperatingSystemVersion),
                         (6, 2, 6, 2))


def main():
    global EXE
    if len(sys.argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    EXE = sys.argv[1]
    program = unittest.main(argv=[sys.argv[0]] + sys.argv[2:], exit=False)
    return 0 if program.result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
