#!/usr/bin/env python3
"""Compares a zip the page made with the folder the command line wrote.

compare_zip.py ZIP FOLDER RUN_START RUN_END

Every file and folder must be in both, with the same bytes. A file the command
line stamped must carry the same Unix time in both extended-timestamp fields
(central and local) and the DOS field's local time rounded up to an even
second; a file it did not stamp (written at run time) must carry a time within
the page's run. Names are flagged UTF-8. Exits 1 with one line per difference.
"""
import os
import struct
import sys
import time
import zipfile


def extended_time(extra):
    """The modification time of the 0x5455 field in `extra`, or None."""
    at = 0
    while at + 4 <= len(extra):
        tag, size = struct.unpack_from('<HH', extra, at)
        if tag == 0x5455 and size >= 5 and extra[at + 4] & 1:
            return struct.unpack_from('<i', extra, at + 5)[0]
        at += 4 + size
    return None


def local_extra(archive, info):
    archive.fp.seek(info.header_offset)
    header = archive.fp.read(30)
    name_size, extra_size = struct.unpack_from('<HH', header, 26)
    archive.fp.seek(info.header_offset + 30 + name_size)
    return archive.fp.read(extra_size)


def native_tree(folder):
    entries = {}
    for root, dirs, files in os.walk(folder):
        for name in dirs:
            entries[os.path.relpath(os.path.join(root, name), folder) + '/'] = None
        for name in files:
            entries[os.path.relpath(os.path.join(root, name), folder)] = os.path.join(root, name)
    return entries


def main():
    zip_path, folder, run_start, run_end = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
    problems = []
    native = native_tree(folder)
    with zipfile.ZipFile(zip_path) as archive:
        if archive.testzip() is not None:
            problems.append('bad checksum: ' + archive.testzip())
        infos = {info.filename: info for info in archive.infolist()}
        for name in sorted(set(native) ^ set(infos)):
            problems.append(('only in the zip: ' if name in infos else 'missing from the zip: ') + name)
        for name in sorted(set(native) & set(infos)):
            info = infos[name]
            if not info.flag_bits & 0x800:
                problems.append('name not flagged UTF-8: ' + name)
            if native[name] is None:
                continue
            with open(native[name], 'rb') as expected, archive.open(info) as got:
                if expected.read() != got.read():
                    problems.append('bytes differ: ' + name)
            times = {extended_time(info.extra), extended_time(local_extra(archive, info))}
            if len(times) != 1 or None in times:
                problems.append(f'extended times missing or unequal: {name} {times}')
                continue
            got_time = times.pop()
            native_time = int(os.stat(native[name]).st_mtime)
            stamped = native_time < run_start - 5
            if stamped and got_time != native_time:
                problems.append(f'time differs: {name} {got_time} != {native_time}')
            if not stamped and not run_start - 1 <= got_time <= run_end + 1:
                problems.append(f'time outside the run: {name} {got_time}')
            dos = time.localtime(got_time + (got_time & 1))[:6]
            if got_time >= 315532800 and tuple(info.date_time) != dos:
                problems.append(f'DOS time differs: {name} {info.date_time} != {dos}')
    for line in problems:
        print(line)
    print(f'{len(native)} entries compared, {len(problems)} differences')
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
