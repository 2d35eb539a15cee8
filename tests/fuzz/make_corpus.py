#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets: the worked examples and the kinds of refused reply."""
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
SENT = 0x0123456789ABCDEF


def reply(tx_s, tx_f, rx_s=None, rx_f=None, stratum=2, first=0x24, originate=SENT, size=48):
    rx_s, rx_f = (tx_s, tx_f) if rx_s is None else (rx_s, rx_f)
    p = struct.pack(">BBbb", first, stratum, 6, -20) + bytes(20)
    p += struct.pack(">QIIII", originate, rx_s, rx_f, tx_s, tx_f)
    return (p + bytes(max(0, size - 48)))[:size]


def sntp_seed(datagram, elapsed_tenths=310, since_hundredths=27):
    return struct.pack(">QHH", SENT, elapsed_tenths, since_hundredths) + datagram


SNTP = {
    "worked-example": sntp_seed(reply(0xEB808BFD, 0x80000000, 0xEB808BFD, 0x7FF2E48F)),
    "new-year": sntp_seed(reply(0xE93C7F00, 0)),
    "fraction-rounds-to-second": sntp_seed(reply(0xE93C7F00, 0xFFFFFFFF)),
    "carry-into-next-day": sntp_seed(reply(0xE93C7F00 - 1, 0xFD70A3D7), 300),
    "era-0-end": sntp_seed(reply(0xFFFFFFFF, 0xFF000000)),
    "era-1-start": sntp_seed(reply(0, 1)),
    "era-1-end": sntp_seed(reply(0x7FFFFFFF, 0xFFFFFFFF)),
    "held-across-era": sntp_seed(reply(0, 0x00418937, 0xFFFFFFFF, 0xFFBE76C9)),
    "with-extension": sntp_seed(reply(0xEB808BFD, 0x80000000, size=68)),
    "short": sntp_seed(reply(0xEB808BFD, 0, size=47)),
    "wrong-originate": sntp_seed(reply(0xEB808BFD, 0, originate=SENT + 1)),
    "client-mode": sntp_seed(reply(0xEB808BFD, 0, first=0x23)),
    "unsynchronised": sntp_seed(reply(0xEB808BFD, 0, first=0xE4)),
    "kiss-of-death": sntp_seed(reply(0xEB808BFD, 0, stratum=0)),
    "stratum-16": sntp_seed(reply(0xEB808BFD, 0, stratum=16)),
    "zero-transmit": sntp_seed(reply(0, 0, 0xEB808BFD, 0)),
    "zero-receive": sntp_seed(reply(0xEB808BFD, 0x80000000, 0, 0)),
    "hold-longer-than-round-trip": sntp_seed(reply(0xEB808BFD, 0x80000000, 0xEB808BFC, 0x80000000)),
}

NUMBERS = {
    "decimal": "2.5e2xyz",
    "blanks": " - 1 2 . 5 d 1",
    "hexadecimal": "&H3E8",
    "octal": "&O177777",
    "out-of-range": "1e400",
    "written": b"\x9a\x99\x99\x99\x99\x99\xb9\x3f",  # 0.1 as a double
}

VALUES = {
    "plain": b"\x01" + b"0.5" + b"\x01" + b"0.25\x5c" + b"60000" + b"\x01" + b"2",
    "numbers": b"&H7FFFFFFF\x5c\x01-1e308\x5c\x011e400\x5c\x01 2 . 5 \x5c\x01&O17",
}

PIPE = {
    "request": "SYNC2 ntp.nict.jp",
    "request-earlier": "SYNC ntp.nict.jp",
    "request-ipv6": "SYNC2 [fe80::1%12]",
    "request-port": "SYNC2 127.0.0.1:123",
    "set": "SET\n2 6 233 123 5000 1780000000 25625700",
    "failed": "FAILED\n時刻の同期に失敗しました。\r\n\r\nNTPサーバー 'a' の応答がありません。",
    "no-usable-time": "NO-USABLE-TIME",
    "no-answer": "NO-ANSWER",
    "socket-error": "SOCKET-ERROR\n10065",
    "refused": "REFUSED",
    "not-approved": "NOT-APPROVED",
    "too-large": "TOO-LARGE",
    "binary": b"SYNC \x00\xff\x80",
}


def write(target, seeds):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    for name, data in seeds.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data.encode("utf-8") if isinstance(data, str) else data)


if __name__ == "__main__":
    write("sntp_reply", SNTP)
    write("settings_number", NUMBERS)
    write("settings_values", VALUES)
    write("service_pipe", PIPE)
    sys.exit(0)
