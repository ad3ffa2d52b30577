"""Just enough PE reading for the image tests: headers, sections,
data directories, imports and resources."""
import struct

DIRECTORY_IMPORT = 1
DIRECTORY_RESOURCE = 2
IMPORT_DESCRIPTOR_SIZE = 20


class Image:
    def __init__(self, data):
        self.data = data
        (self.e_lfanew,) = struct.unpack_from("<I", data, 0x3C)
        if data[:2] != b"MZ" or data[self.e_lfanew:self.e_lfanew + 4] != b"PE\0\0":
            raise ValueError("not a PE image")
        file_header = self.e_lfanew + 4
        (self.machine, self.section_count, _, _, _, self.optional_size,
         self.characteristics) = struct.unpack_from("<HHIIIHH", data, file_header)
        self.optional = file_header + 20
        (self.magic,) = struct.unpack_from("<H", data, self.optional)
        (self.size_of_headers,) = struct.unpack_from("<I", data, self.optional + 60)
        (self.subsystem,) = struct.unpack_from("<H", data, self.optional + 68)
        directories = self.optional + (96 if self.magic == 0x10B else 112)
        (count,) = struct.unpack_from("<I", data, directories - 4)
        self.directories = [struct.unpack_from("<II", data, directories + 8 * i) for i in range(count)]
        table = self.optional + self.optional_size
        self.sections = []
        for i in range(self.section_count):
            name, virtual_size, rva, raw_size, raw_pointer = struct.unpack_from("<8sIIII", data, table + 40 * i)
            self.sections.append((name.rstrip(b"\0").decode(), virtual_size, rva, raw_size, raw_pointer))
        self.headers_end = table + 40 * self.section_count

    def offset(self, rva):
        for _, virtual_size, start, raw_size, raw_pointer in self.sections:
            if start <= rva < start + max(virtual_size, raw_size):
                return raw_pointer + rva - start
        raise ValueError(f"RVA 0x{rva:X} is in no section")

    def c_string(self, rva):
        at = self.offset(rva)
        return self.data[at:self.data.index(b"\0", at)].decode()

    def import_descriptors(self):
        """Each import descriptor as its five 32-bit fields, up to the
        all-zero one that ends the table."""
        rva, _ = self.directories[DIRECTORY_IMPORT]
        at = self.offset(rva)
        while True:
            descriptor = struct.unpack_from("<IIIII", self.data, at)
            if not any(descriptor):
                return
            yield descriptor
            at += IMPORT_DESCRIPTOR_SIZE

    def imported_libraries(self):
        return [self.c_string(descriptor[3]) for descriptor in self.import_descriptors()]

    def imported_functions(self):
        """The names imported by name, from every library."""
        pointer_size, ordinal_flag = (4, 1 << 31) if self.magic == 0x10B else (8, 1 << 63)
        names = []
        for descriptor in self.import_descriptors():
            thunk = self.offset(descriptor[0] or descriptor[4])
            while True:
                (entry,) = struct.unpack_from("<I" if pointer_size == 4 else "<Q", self.data, thunk)
                if entry == 0:
                    break
                if not entry & ordinal_flag:
                    names.append(self.c_string((entry & 0x7FFFFFFF) + 2))
                thunk += pointer_size
        return names

    def resources(self):
        """{(type, name): bytes} for every resource, first language only."""
        rva, _ = self.directories[DIRECTORY_RESOURCE]
        if rva == 0:
            return {}
        base = self.offset(rva)

        def entries(directory):
            named, numbered = struct.unpack_from("<HH", self.data, base + directory + 12)
            for i in range(named + numbered):
                ident, target = struct.unpack_from("<II", self.data, base + directory + 16 + 8 * i)
                yield ident, target

        found = {}
        for type_id, type_target in entries(0):
            for name_id, name_target in entries(type_target & 0x7FFFFFFF):
                for _, leaf in entries(name_target & 0x7FFFFFFF):
                    data_rva, size = struct.unpack_from("<II", self.data, base + leaf)
                    start = self.offset(data_rva)
                    found[(type_id, name_id)] = self.data[start:start + size]
                    break
        return found
