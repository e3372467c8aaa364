#!/usr/bin/env python3
"""Writes the committed seed corpus of each fuzz target into fuzz/corpus/.

The seeds are real scripts and command lines and the edge cases the program
must get right: 255-character lines, NUL and Ctrl-Z bytes, lone CRs, headers
with spaces, a CR LF pair split across the reader's 4096-byte buffer. The
targets that take structured input (result_record, staging_paths) read their
numbers from the end of the input and their text from the start, as
FuzzedDataProvider does.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def write(target, name, data):
    directory = os.path.join(HERE, "corpus", target)
    os.makedirs(directory, exist_ok=True)
    with open(os.path.join(directory, name), "wb") as out:
        out.write(data)


def scripts():
    crlf = b"\r\n"
    write("script_section", "example", crlf.join([
        b"; comments before the first header are ignored like any other line",
        b"[WINNT]", b"nt4fix.exe /quiet", b"[WIN2K]", b"; Windows 2000",
        b"w2kfix.exe /quiet /norestart", b"regupd.cmd", b"", b"[WINK3]",
        b"k3fix.exe /quiet"]))
    write("script_section", "all_sections", crlf.join(
        [b"[WINNT]", b"setup.exe /nt", b"[WIN2K]", b"setup.exe /2k", b"[WINK3]", b"setup.exe /k3",
         b"[64WIN2K]", b"setup.exe /64 2k", b"[64WINK3]", b"setup.exe /64 k3", b""]))
    write("script_section", "line_255", b"[WINK3]\r\n" + b"a" * 255 + b"\r\nnext.exe\r\n")
    write("script_section", "comment_255", b"[WINK3]\r\n;" + b"c" * 254 + b"\r\nnever.exe\r\n")
    write("script_section", "line_256", b"[WINK3]\r\nb" + b" " * 254 + b"x\r\n")
    write("script_section", "header_spaces", b"[WIN2K]   \r\nsetup.exe\r\n [WINK3]\r\n[wink3]\r\n[WINK3] \r\nk3.exe  \r\n")
    write("script_section", "nul_byte", b"[WINK3]\r\nsetup.exe\x00 hidden\r\n\x00starts with nul\r\nafter.exe\r\n")
    write("script_section", "ctrl_z", b"[WINK3]\r\nfirst.exe\r\nhalf\x1Anever.exe\r\n")
    write("script_section", "lone_cr", b"[WINK3]\rnot a header\r\n[WINK3]\r\ncr\rin.exe /x\r\nend.exe\r\r\n")
    write("script_section", "lf_only", b"[WINK3]\nunix.exe\n;comment\n  \nafter.exe\n")
    write("script_section", "leading_space", b"[WINK3]\r\n ; not a comment\r\n\tsetup.exe\r\n\"my setup.exe\" /q\r\n")
    write("script_section", "no_newline", b"[WINK3]\r\nsetup.exe /last")
    write("script_section", "buffer_edge", b"[WINK3]\r\n" + (b";" + b"x" * 100 + b"\r\n") * 39 +
          b";" + b"y" * 58 + b"\r\nedge.exe\r\n")
    write("script_section", "empty", b"")


def command_lines():
    for name, line in [
        ("none", b"qnUpdate.exe"),
        ("one", b"qnUpdate.exe D:\\"),
        ("quoted_spaces", b"\"C:\\Program Files\\qn\\qnUpdate.exe\" \"D:\\QN Update\\disk 1\""),
        ("drive_root_quote", b"qnUpdate \"D:\\\" next"),
        ("double_quotes", b"qnUpdate \"a \"\"b\"\" c\" d"),
        ("backslashes", b"qnUpdate a\\\\\\\"b c\\\\\"d e\" f\\\\ \\\\\\\\\"\" g"),
        ("tabs", b"qnUpdate\ta\t\t b \t"),
        ("three", b"qnUpdate.exe one two three"),
        ("quoted_name", b"\"qn update\"x y"),
        ("empty", b""),
    ]:
        write("command_line", name, line)


def result_tail(result, year, month, day, hour, minute, second, own_drive, earlier_log, ctrl_z,
                version_file):
    """The integers as FuzzedDataProvider takes them from the end of the input."""
    def tail_bytes(value, count):
        # The byte read first (the input's last) is the most significant.
        return bytes((value >> (8 * i)) & 0xFF for i in range(count))
    parts = [
        tail_bytes((result + 2**31) & 0xFFFFFFFF, 4),
        tail_bytes(year - 1601, 2),
        bytes([month - 1]), bytes([day - 1]), bytes([hour]), bytes([minute]), bytes([second]),
        bytes([own_drive]), bytes([earlier_log]), bytes([ctrl_z]), bytes([version_file]),
    ]
    # Taken from the end in this order, so they are stored back to front.
    return b"".join(reversed(parts))


def records():
    cases = [
        ("plain", b"4.1\r\n4.2\r\n", 3010, 0, 0, 0, 1),
        ("success", b"4.1\r\n4.2\r\n", 0, 0, 1, 0, 1),
        ("negative", b"4.1\r\n4.2", -1073741819, 0, 1, 1, 1),
        ("first_127", b"u" * 127 + b"\r\nreal second\r\n", 9, 0, 0, 0, 1),
        ("longest", b"u" * 127 + b"\n" + b"n" * 127 + b"\n", -2147483648, 0, 0, 0, 1),
        ("nul_ctrlz", b"4\x001\r\n4.\x1A2\r\n", 1, 0, 0, 0, 1),
        ("lone_cr", b"4.1\r4.2\r\r\n\r\n", 2, 0, 0, 0, 1),
        ("empty_version", b"", 5, 0, 0, 0, 1),
        ("no_version", b"x", 5, 0, 0, 0, 0),
    ]
    for name, version, result, own_drive, earlier, ctrl_z, version_file in cases:
        write("result_record", name,
              version + result_tail(result, 2006, 11, 2, 9, 5, 7, own_drive, earlier, ctrl_z, version_file))
    # An own "systemdrive": the drive text comes first, ended by a lone backslash.
    for name, drive in [("drive_d", b"D:"), ("drive_long", b"C:" + b"\\\\x" * 60), ("drive_work", b"C:\\\\work")]:
        write("result_record", name,
              drive + b"\\ " + b"4.1\r\n4.2\r\n" + result_tail(7, 1999, 12, 31, 23, 59, 59, 1, 1, 1, 1))


def staging():
    # Unstructured bytes: the target reads the staging-name settings from the
    # end and the tree's names from the start.
    write("staging_paths", "small", b"setup.exe\\ data\\ sub\\ deep\\ x.bin\\ " + bytes(range(1, 40)))
    write("staging_paths", "long_names", b"p" * 300 + bytes([255] * 40))
    write("staging_paths", "deep", (b"d\\ " * 40) + bytes([1] * 80))
    write("staging_paths", "root_sizes", bytes([0xF0, 0x01, 0xFF, 0x03, 0x02, 0x00, 0xFE, 0x80] * 8))


def update_runs():
    script = b"; update\r\n[WINNT]\r\nnt.exe\r\n[WIN2K]\r\nsetup.exe /2k\r\n[WINK3]\r\nsetup.exe /q\r\nsub\\tool.exe\r\n\r\n"
    for staged in (0, 1):
        for failing in (-1, 3, 9, 20, 45):
            for version in (1, 3):
                # Taken from the end: staged, the failing call (-1 to 160), the version, WOW64.
                tail = bytes([0, version, failing + 1, staged])
                name = "%s_fail%d_v%d" % ("staged" if staged else "in_place", failing, version)
                write("update_run", name, b"4.1\r\n4.2\\ " + script + tail)


def record_lines():
    # Whole log lines, as qnReport reads them (without the line end).
    for name, line in [
        ("plain", b"11-02-2006 09:05:07,Update=4.1,New=4.2,Status=Unknown,ReturnCode=3010 "),
        ("success", b"01-02-2007 00:00:00,Update=4.1,New=4.2,Status=Success,ReturnCode=0 "),
        ("negative", b"12-31-2006 23:59:59,Update=4.1,New=4.2,Status=Unknown,ReturnCode=-1073741819 "),
        ("empty_values", b"11-02-2006 09:05:07,Update=,New=,Status=Unknown,ReturnCode=9 "),
        ("commas", b"11-02-2006 09:05:07,Update=4.1 beta, rc=2,New=4.2, final,Status=Unknown,ReturnCode=1641 "),
        ("fields_in_values", b"11-02-2006 09:05:07,Update=a,New=b,Status=Success,ReturnCode=0,New=c,Status=Unknown,ReturnCode=1 "),
        ("torn", b"12-31-2006 09:2"),
        ("wrong_status", b"01-07-2007 09:15:00,Update=5.0,New=5.1,Status=Success,ReturnCode=5 "),
        ("too_large", b"01-07-2007 09:15:00,Update=5.0,New=5.1,Status=Unknown,ReturnCode=2147483648 "),
    ]:
        write("record_parser", name, line)
    # Whole logs as other tools save them: with a UTF-8 byte-order mark, and as
    # UTF-16 with one (a character beyond the BMP among the records).
    record = "01-04-2007 10:00:00,Update=4.1,New=4.2,Status=Success,ReturnCode=0 \r\n"
    write("record_parser", "utf8_byte_order_mark", b"\xef\xbb\xbf" + (record * 2).encode())
    write("record_parser", "utf16_little_endian", b"\xff\xfe" + (record * 2 + "x\0y\r\n").encode("utf-16-le"))
    write("record_parser", "utf16_big_endian",
          b"\xfe\xff" + (record + "\U0001F600" + record).encode("utf-16-be"))


scripts()
update_runs()
record_lines()
command_lines()
records()
staging()
