#!/usr/bin/env python3
"""Captures the frames of one interface for the LAN tests.

    bridge_capture.py IFACE FILE      capture until SIGINT/SIGTERM, each frame
                                      as a 4-byte length and its bytes
    bridge_capture.py --count-port PORT FILE
                                      print how many TCP frames of FILE have
                                      PORT as source or destination

A packet socket instead of tcpdump: tcpdump gives up its privileges after
opening the interface, which a user namespace (where the test LAN lives
inside the test command) does not allow.
"""
import signal
import socket
import struct
import sys

ETH_P_ALL = 0x0003


def capture(iface, path):
    sock = socket.socket(socket.AF_PACKET, socket.SOCK_RAW, socket.htons(ETH_P_ALL))
    sock.bind((iface, 0))
    # Promiscuous, as tcpdump is: a bridge's own interface sees the frames it
    # forwards between its ports only so.
    SOL_PACKET, PACKET_ADD_MEMBERSHIP, PACKET_MR_PROMISC = 263, 1, 1
    mreq = struct.pack("iHH8s", socket.if_nametoindex(iface), PACKET_MR_PROMISC, 0, b"")
    sock.setsockopt(SOL_PACKET, PACKET_ADD_MEMBERSHIP, mreq)
    sock.settimeout(0.2)
    running = [True]
    for sig in (signal.SIGINT, signal.SIGTERM):
        signal.signal(sig, lambda *_: running.__setitem__(0, False))
    print(f"listening on {iface}", file=sys.stderr, flush=True)
    with open(path, "wb") as out:
        while running[0]:
            try:
                frame = sock.recv(65536)
            except socket.timeout:
                continue
            except InterruptedError:
                continue
            out.write(struct.pack("!I", len(frame)) + frame)
            out.flush()


def count_port(port, path):
    count = 0
    with open(path, "rb") as f:
        data = f.read()
    at = 0
    while at + 4 <= len(data):
        (size,) = struct.unpack_from("!I", data, at)
        frame = data[at + 4 : at + 4 + size]
        at += 4 + size
        if len(frame) < 34 or frame[12:14] != b"\x08\x00" or frame[23] != 6:
            continue
        ihl = (frame[14] & 0x0F) * 4
        if len(frame) < 14 + ihl + 4:
            continue
        src, dst = struct.unpack_from("!HH", frame, 14 + ihl)
        if port in (src, dst):
            count += 1
    print(count)


if __name__ == "__main__":
    if len(sys.argv) == 4 and sys.argv[1] == "--count-port":
        count_port(int(sys.argv[2]), sys.argv[3])
    elif len(sys.argv) == 3:
        capture(sys.argv[1], sys.argv[2])
    else:
        sys.exit("usage: bridge_capture.py IFACE FILE | --count-port PORT FILE")
