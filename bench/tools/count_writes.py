#!/usr/bin/python3
"""Counts the PNG files written into a directory for the given number of seconds, through
inotify: one closed after writing, or one renamed into place (an atomic write's temporary
file does not end in .png, so it is not counted twice); prints the count."""
import ctypes
import os
import select
import struct
import sys
import time

IN_CLOSE_WRITE, IN_MOVED_TO = 0x8, 0x80
directory, seconds = sys.argv[1], float(sys.argv[2])
libc = ctypes.CDLL("libc.so.6", use_errno=True)
fd = libc.inotify_init1(os.O_NONBLOCK)
if fd < 0 or libc.inotify_add_watch(fd, directory.encode(), IN_CLOSE_WRITE | IN_MOVED_TO) < 0:
    print(0)
    sys.exit("count_writes: cannot watch " + directory)
count, end = 0, time.monotonic() + seconds
while (left := end - time.monotonic()) > 0:
    if not select.select([fd], [], [], left)[0]:
        continue
    data = os.read(fd, 65536)
    offset = 0
    while offset < len(data):
        _, mask, _, length = struct.unpack_from("iIII", data, offset)
        name = data[offset + 16:offset + 16 + length].rstrip(b"\0")
        offset += 16 + length
        count += 1 if mask & (IN_CLOSE_WRITE | IN_MOVED_TO) and name.endswith(b".png") else 0
print(count)
