#!/usr/bin/env python3
"""Tests for check.py on crafted logs: lines split by rotation, duplicates, gaps and damage."""

import os
import sys
import tempfile
import unittest
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.dont_write_bytecode = True
import check  # noqa: E402


def datagram_body(seq, run="t1"):
    """What loadgen sends after <PRI>, with a valid CRC."""
    body = b"Dec  6 20:16:30 nas smbd[914]: connect to service seq=%07d run=%s" % (seq, run.encode())
    return body + b" chk=%08x" % zlib.crc32(body)


def log_line(seq, run="t1", label=None, port=40000):
    if label is None:
        label = check.LABELS[seq % 192]
    return b"Dec 06 20:16:31 127.0.0.1:%d %s %s\r\n" % (port, label, datagram_body(seq, run))


class CheckTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.log = os.path.join(self.dir.name, "brevand.log")
        self.base = os.path.join(self.dir.name, "brevand")

    def tearDown(self):
        self.dir.cleanup()

    def write(self, name, data):
        with open(os.path.join(self.dir.name, name), "wb") as f:
            f.write(data)

    def spread(self, stream, cuts):
        """Cuts one stream at the given offsets into base.00K (oldest) ... base.000, live file."""
        pieces, last = [], 0
        for cut in cuts:
            pieces.append(stream[last:cut])
            last = cut
        pieces.append(stream[last:])
        archives = len(pieces) - 1
        for i, piece in enumerate(pieces[:-1]):
            self.write("brevand.%03d" % (archives - 1 - i), piece)
        self.write("brevand.log", pieces[-1])

    def test_lines_split_across_rotations_join_up(self):
        stream = b"".join(log_line(seq) for seq in range(1, 101))
        line = len(log_line(1))
        # Inside the timestamp, between CR and LF, right after a CR LF, inside the message.
        cuts = [5, line * 10 + line - 1, line * 40, line * 70 + 60]
        self.spread(stream, cuts)
        report = check.check(self.log, 3, 100)
        self.assertTrue(report["ok"], report)
        self.assertEqual((report["found"], report["files"]), (100, 5))

    def test_archives_beyond_logs_num_are_not_read(self):
        lines = [log_line(seq) for seq in range(1, 11)]
        self.spread(b"".join(lines), [len(b"".join(lines[:3])), len(b"".join(lines[:6]))])
        report = check.check(self.log, 0, 10)  # only base.000 and the live file
        self.assertFalse(report["ok"])
        self.assertEqual(report["missing"], 3)
        self.assertIn("note", report)

    def test_wrong_archive_order_breaks_split_lines(self):
        stream = b"".join(log_line(seq) for seq in range(1, 21))
        line = len(log_line(1))
        self.spread(stream, [line * 5 + 30, line * 12 + 30])
        os.rename(self.base + ".000", self.base + ".tmp")
        os.rename(self.base + ".001", self.base + ".000")
        os.rename(self.base + ".tmp", self.base + ".001")
        report = check.check(self.log, 2, 20)
        self.assertFalse(report["ok"])
        self.assertGreater(report["malformed"], 0)

    def test_duplicate_and_missing(self):
        seqs = [1, 2, 3, 3, 5, 6]
        self.write("brevand.log", b"".join(log_line(seq) for seq in seqs))
        report = check.check(self.log, 2, 6)
        self.assertFalse(report["ok"])
        self.assertEqual((report["found"], report["missing"], report["duplicated"]), (5, 1, 1))
        self.assertEqual(report["examples"]["missing"], [4])

    def test_damaged_lines_are_malformed(self):
        good = [log_line(seq) for seq in range(1, 6)]
        flipped = bytearray(good[1])
        flipped[70] ^= 0x01  # one bit inside the message
        cut = good[2][:50] + good[3]  # a line that lost its end, glued to the next
        wrong_label = log_line(5, label=b"<Kern.Emerg>")
        self.write("brevand.log", good[0] + bytes(flipped) + cut + good[4][:-2] + b"\n\r\n" + wrong_label)
        report = check.check(self.log, 2, 5)
        self.assertFalse(report["ok"])
        self.assertEqual(report["found"], 1)
        self.assertEqual(report["malformed"], 4)

    def test_collector_lines_that_are_not_datagrams(self):
        banner = b"---- Dec 06 20:16:30     Windows BREVAND is opened ----\r\n"
        error = b"\r\nSOCKET ERROR: The message was too long.\r\n\r\n"
        data = banner + log_line(1) + error + log_line(2)
        self.write("brevand.log", data)
        report = check.check(self.log, 2, 2)
        self.assertTrue(report["ok"], report)
        self.assertEqual((report["banners"], report["socket_errors"], report["blank"]), (1, 1, 2))

    def test_unlabelled_lines_keep_their_priority(self):
        good = b"Dec 06 20:16:31 127.0.0.1:5 <none> <%d>%s\r\n" % (7 % 192, datagram_body(7))
        bad = b"Dec 06 20:16:31 127.0.0.1:5 <none> <0>%s\r\n" % datagram_body(8)
        self.write("brevand.log", good + bad)
        report = check.check(self.log, 1, 2, first=7)
        self.assertEqual((report["found"], report["malformed"]), (1, 1))

    def test_incomplete_tail_and_out_of_range(self):
        self.write("brevand.log", log_line(1) + log_line(99) + log_line(2)[:-2])
        report = check.check(self.log, 2, 2)
        self.assertFalse(report["ok"])
        self.assertEqual((report["found"], report["out_of_range"], report["incomplete_tail"]), (1, 1, 1))

    def test_other_runs_are_set_aside(self):
        self.write("brevand.log", log_line(1, run="old") + log_line(1) + log_line(2))
        report = check.check(self.log, 2, 2, run="t1")
        self.assertTrue(report["ok"], report)
        self.assertEqual(report["foreign_run"], 1)

    def test_out_of_order_is_counted_not_failed(self):
        self.write("brevand.log", log_line(2) + log_line(1) + log_line(3))
        report = check.check(self.log, 2, 3)
        self.assertTrue(report["ok"], report)
        self.assertEqual(report["out_of_order"], 1)

    def test_log_name_without_extension(self):
        self.assertEqual(check.split_log_name("/tmp/a.b/messages"), "/tmp/a.b/messages")
        self.assertEqual(check.split_log_name("C:\\logs\\brevand.log"), "C:\\logs\\brevand")


if __name__ == "__main__":
    unittest.main()
