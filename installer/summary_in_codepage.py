#!/usr/bin/env python3
"""Stores the texts of a package's summary information in the summary's own
code page, as Windows reads them:

    summary_in_codepage.py PACKAGE.msi

wixl and msibuild write the summary's texts (VT_LPSTR) as the UTF-8 bytes
they were given, while the summary says it is Windows-1252 (its property 1),
so Explorer and MsiSummaryInfoGetProperty showed "clÃ©s" for "clés". This
rewrites each such text in the summary's code page, in place in the package's
compound file. A text that is not UTF-8 is left as it is (already in the code
page); one the code page cannot hold stops the build.
"""
import struct
import sys

SUMMARY_NAME = "\x05SummaryInformation"
END_OF_CHAIN = 0xFFFFFFFE
FREE_SECTOR = 0xFFFFFFFF
VT_I2 = 2
VT_LPSTR = 30
CODEPAGE_PROPERTY = 1


class CompoundFile:
    """The few parts of a compound file (the format of every .msi) needed to
    rewrite one small stream: the FAT, the mini FAT, the directory."""

    def __init__(self, data):
        self.data = data
        self.sector_size = 1 << struct.unpack_from("<H", data, 0x1E)[0]
        self.mini_sector_size = 1 << struct.unpack_from("<H", data, 0x20)[0]
        (fat_sectors, directory_start, _, self.mini_cutoff, mini_fat_start, _, difat_start,
         difat_sectors) = struct.unpack_from("<8I", data, 0x2C)
        difat = list(struct.unpack_from("<109I", data, 0x4C))
        per_sector = self.sector_size // 4
        for sector in self._chain_of_difat(difat_start, difat_sectors, per_sector):
            difat += struct.unpack_from(f"<{per_sector - 1}I", data, self.offset(sector))
        self.fat = []
        for sector in difat[:fat_sectors]:
            self.fat += struct.unpack_from(f"<{per_sector}I", data, self.offset(sector))
        self.mini_fat_sectors = self.chain(mini_fat_start, self.fat)
        self.mini_fat = []
        for sector in self.mini_fat_sectors:
            self.mini_fat += struct.unpack_from(f"<{per_sector}I", data, self.offset(sector))
        self.directory = [
            self.offset(sector) + i
            for sector in self.chain(directory_start, self.fat)
            for i in range(0, self.sector_size, 128)
        ]
        self.mini_stream_sectors = self.chain(self._start(self.directory[0]), self.fat)

    def _chain_of_difat(self, sector, count, per_sector):
        for _ in range(count):
            yield sector
            sector = struct.unpack_from("<I", self.data, self.offset(sector) + 4 * (per_sector - 1))[0]

    def offset(self, sector):
        return (sector + 1) * self.sector_size

    @staticmethod
    def chain(start, table):
        sectors = []
        while start < END_OF_CHAIN:
            sectors.append(start)
            start = table[start]
        return sectors

    def _start(self, entry):
        return struct.unpack_from("<I", self.data, entry + 116)[0]

    def _size(self, entry):
        return struct.unpack_from("<Q", self.data, entry + 120)[0]

    def find(self, name):
        for entry in self.directory:
            length = struct.unpack_from("<H", self.data, entry + 64)[0]
            if length >= 2 and self.data[entry:entry + length - 2].decode("utf-16-le") == name:
                return entry
        sys.exit(f"no stream {name!r}")

    def _mini_sector_offset(self, mini_sector):
        position = mini_sector * self.mini_sector_size
        return self.offset(self.mini_stream_sectors[position // self.sector_size]) + position % self.sector_size

    def read_small_stream(self, entry):
        size = self._size(entry)
        if size >= self.mini_cutoff:
            sys.exit("the summary is not a small stream: not handled")
        pieces = [self.data[at:at + self.mini_sector_size]
                  for at in map(self._mini_sector_offset, self.chain(self._start(entry), self.mini_fat))]
        return bytes(b"".join(pieces)[:size])

    def write_shorter_small_stream(self, entry, content):
        """Writes CONTENT, no longer than the stream was, over its mini
        sectors, and frees those it no longer needs."""
        sectors = self.chain(self._start(entry), self.mini_fat)
        needed = max(1, -(-len(content) // self.mini_sector_size))
        if needed > len(sectors):
            sys.exit("the summary grew: not handled")
        padded = content.ljust(needed * self.mini_sector_size, b"\0")
        for i, sector in enumerate(sectors[:needed]):
            at = self._mini_sector_offset(sector)
            self.data[at:at + self.mini_sector_size] = padded[i * self.mini_sector_size:(i + 1) * self.mini_sector_size]
        self._set_mini_fat(sectors[needed - 1], END_OF_CHAIN)
        for sector in sectors[needed:]:
            self._set_mini_fat(sector, FREE_SECTOR)
        struct.pack_into("<Q", self.data, entry + 120, len(content))

    def _set_mini_fat(self, mini_sector, value):
        per_sector = self.sector_size // 4
        sector = self.mini_fat_sectors[mini_sector // per_sector]
        struct.pack_into("<I", self.data, self.offset(sector) + 4 * (mini_sector % per_sector), value)


def texts_in_codepage(stream):
    """The property set STREAM with each text in the set's code page."""
    if struct.unpack_from("<I", stream, 24)[0] != 1:
        sys.exit("the summary has more than one property set: not handled")
    start = struct.unpack_from("<I", stream, 44)[0]
    section = stream[start:]
    size, count = struct.unpack_from("<II", section, 0)
    pairs = [struct.unpack_from("<II", section, 8 + 8 * i) for i in range(count)]
    ends = sorted(offset for _, offset in pairs) + [size]
    raw = {offset: section[offset:ends[ends.index(offset) + 1]] for _, offset in pairs}

    codepage = next((struct.unpack_from("<h", raw[o], 4)[0] for pid, o in pairs
                     if pid == CODEPAGE_PROPERTY and struct.unpack_from("<I", raw[o])[0] == VT_I2), None)
    if codepage is None:
        sys.exit("the summary names no code page")
    encoding = f"cp{codepage & 0xFFFF}"

    def in_codepage(value):
        if struct.unpack_from("<I", value)[0] != VT_LPSTR:
            return value
        length = struct.unpack_from("<I", value, 4)[0]
        text = value[8:8 + length].rstrip(b"\0")
        try:
            text = text.decode("utf-8").encode(encoding)
        except UnicodeDecodeError:
            return value  # already in the code page
        except UnicodeEncodeError as error:
            sys.exit(f"the summary text {error.object!r} has a character {encoding} lacks")
        body = text + b"\0"
        body += b"\0" * (-len(body) % 4)
        return struct.pack("<II", VT_LPSTR, len(text) + 1) + body

    values, new_offset = {}, 8 + 8 * count
    for offset in sorted(raw):
        values[offset] = (new_offset, in_codepage(raw[offset]))
        new_offset += len(values[offset][1])
    new_section = struct.pack("<II", new_offset, count)
    new_section += b"".join(struct.pack("<II", pid, values[offset][0]) for pid, offset in pairs)
    new_section += b"".join(values[offset][1] for offset in sorted(values))
    return stream[:start] + new_section


def main():
    path = sys.argv[1]
    with open(path, "rb") as f:
        package = CompoundFile(bytearray(f.read()))
    entry = package.find(SUMMARY_NAME)
    package.write_shorter_small_stream(entry, texts_in_codepage(package.read_small_stream(entry)))
    with open(path, "wb") as f:
        f.write(package.data)


if __name__ == "__main__":
    main()
