#!/usr/bin/env python3
"""A contactless card on the virtual reader driver vpcd: it connects to the
driver's TCP port, answers power and ATR requests and the PC/SC "get data"
command FF CA 00 00 00 with its UID. Ends when the driver closes the
connection or on SIGTERM.

    virtual_card.py PORT UIDHEX
"""
import signal
import socket
import struct
import sys
import time

POWER_OFF, POWER_ON, RESET, GET_ATR = 0, 1, 2, 4
GET_UID = bytes.fromhex("FFCA000000")
# ATR of a contactless storage card as a PC/SC reader builds it (card name
# 00 03: MIFARE Ultralight); the station does not look at it.
ATR = bytes.fromhex("3B8F8001804F0CA0000003060300030000000068")
INS_NOT_SUPPORTED = bytes.fromhex("6D00")


def answer(uid: bytes, apdu: bytes) -> bytes:
    if apdu == GET_UID:
        return uid + b"\x90\x00"
    return INS_NOT_SUPPORTED


def receive(sock: socket.socket, count: int) -> bytes:
    data = b""
    while len(data) < count:
        part = sock.recv(count - len(data))
        if not part:
            raise EOFError
        data += part
    return data


def send(sock: socket.socket, payload: bytes) -> None:
    sock.sendall(struct.pack("!H", len(payload)) + payload)


def connect(port: int) -> socket.socket:
    # The driver opens its port once pcscd has loaded it.
    deadline = time.monotonic() + 20
    while True:
        try:
            return socket.create_connection(("127.0.0.1", port), timeout=5)
        except OSError:
            if time.monotonic() > deadline:
                raise
            time.sleep(0.1)


def main() -> int:
    port, uid = int(sys.argv[1]), bytes.fromhex(sys.argv[2])
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    sock = connect(port)
    sock.settimeout(None)
    print("card on the reader", flush=True)
    try:
        while True:
            (length,) = struct.unpack("!H", receive(sock, 2))
            message = receive(sock, length)
            if length == 1:
                if message[0] == GET_ATR:
                    send(sock, ATR)
                # Power on, off and reset need no answer.
            else:
                send(sock, answer(uid, message))
    except EOFError:
        return 0


if __name__ == "__main__":
    sys.exit(main())
