"""What dist/launcher.exe must be: a bare PE32 GUI image for i386 with room
for the stub header, the manifest and an icon, imports from the system's
own libraries only, and at most 64 KiB.

TARNWICK_LAUNCHER names the image, TARNWICK_MANIFEST the manifest source.
"""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import pe  # noqa: E402

MAX_SIZE = 64 * 1024
MACHINE_I386 = 0x14C
SUBSYSTEM_WINDOWS_GUI = 2
RT_ICON = 3
RT_GROUP_ICON = 14
RT_MANIFEST = 24
ALLOWED_LIBRARIES = {"kernel32.dll", "user32.dll", "advapi32.dll", "shell32.dll", "msvcrt.dll"}


class LauncherImageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with open(os.environ["TARNWICK_LAUNCHER"], "rb") as handle:
            cls.data = handle.read()
        cls.image = pe.Image(cls.data)

    def test_is_a_32_bit_gui_image(self):
        self.assertEqual(self.image.magic, 0x10B, "PE32")
        self.assertEqual(self.image.machine, MACHINE_I386)
        self.assertEqual(self.image.subsystem, SUBSYSTEM_WINDOWS_GUI)

    def test_leaves_room_for_the_stub_header(self):
        self.assertEqual(self.data[128:152], bytes(24), "bytes 128..151 are the stub header's")
        self.assertGreaterEqual(self.image.e_lfanew, 152)
        self.assertLessEqual(self.image.headers_end, min(s[4] for s in self.image.sections if s[3]))

    def test_is_bare(self):
        self.assertEqual(self.data[128:132], bytes(4), "no package attached: configOffset 0")

    def test_carries_the_manifest_and_an_icon(self):
        resources = self.image.resources()
        with open(os.environ["TARNWICK_MANIFEST"], "rb") as handle:
            self.assertEqual(resources.get((RT_MANIFEST, 1)), handle.read())
        self.assertTrue(any(kind == RT_ICON for kind, _ in resources))
        self.assertTrue(any(kind == RT_GROUP_ICON for kind, _ in resources))

    def test_imports_only_system_libraries(self):
        libraries = {name.lower() for name in self.image.imported_libraries()}
        self.assertTrue(libraries, "the image imports something")
        self.assertLessEqual(libraries, ALLOWED_LIBRARIES)

    def test_looks_up_what_a_system_may_lack(self):
        # Imported statically, any of these would stop the launcher from
        # starting where the system lacks it, or load mpr.dll by the
        # ordinary search order.
        looked_up = {"IsWow64Process", "CheckTokenMembership", "SetDefaultDllDirectories", "WNetGetUniversalNameA"}
        self.assertEqual(looked_up & set(self.image.imported_functions()), set())
        self.assertIn("GetProcAddress", self.image.imported_functions())

    def test_size(self):
        print(f"\nlauncher.exe: {len(self.data)} bytes", file=sys.stderr)
        self.assertLessEqual(len(self.data), MAX_SIZE)


if __name__ == "__main__":
    unittest.main()
