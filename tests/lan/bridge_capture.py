#!/usr/bin/env python3
"""Captures the frames of one interface for the LAN tests.

    bridge_capture.py IFACE FILE      capture until SIGINT/SIGTERM, each frame
                                      as a 4-byte length and its bytes
    bridge_capture.py --count-port PORT FILE
                                      print how many TCP frames of FILE have
                                      PORT as source or destination
    bridge_capture.py --stamped IFACE FILE
                                      the same, each frame after an 8-byte
                                      time of arrival (ns since the epoch,
                                      as date +%s%N gives it)
    bridge_capture.py --stamped-udp PORT IFACE FILE
                                      the same, UDP datagrams to PORT only
    bridge_capture.py --udp-summary PORT START_NS FILE
                                      from a stamped capture: the UDP
                                      datagrams to PORT by first byte and by
                                      broadcast or not, the time from START_NS
                                      to the last of each kind

A packet socket instead of tcpdump: tcpdump gives up its privileges after
opening the interface, which a user namespace (where the test LAN lives
inside the test command) does not allow.
"""
import ctypes
import signal
import socket
import struct
import sys
import time

ETH_P_ALL = 0x0003


# Classic BPF: IPv4, UDP, not a later fragment, destination port PORT.
def udp_port_filter(port):
    code = [
        (0x28, 0, 0, 12), (0x15, 0, 8, 0x0800),  # ldh [12]; jne IPv4
        (0x30, 0, 0, 23), (0x15, 0, 6, 17),  # ldb [23]; jne UDP
        (0x28, 0, 0, 20), (0x45, 4, 0, 0x1FFF),  # ldh [20]; jset fragment offset
        (0xB1, 0, 0, 14), (0x48, 0, 0, 16),  # ldxb 4*([14]&0xf); ldh [x+16]
        (0x15, 0, 1, port), (0x06, 0, 0, 0x40000), (0x06, 0, 0, 0),  # jne PORT; ret all; ret 0
    ]
    return b"".join(struct.pack("HBBI", *c) for c in code)


def capture(iface, path, stamped=False, port=None):
    sock = socket.socket(socket.AF_PACKET, socket.SOCK_RAW, socket.htons(ETH_P_ALL))
    if port is not None:
        SO_ATTACH_FILTER = 26
        program = udp_port_filter(port)
        buffer = ctypes.create_string_buffer(program)
        fprog = struct.pack("HL", len(program) // 8, ctypes.addressof(buffer))
        sock.setsockopt(socket.SOL_SOCKET, SO_ATTACH_FILTER, fprog)
    # A crowd's burst must not overflow the socket while this loop catches up;
    # beyond the system's cap where the capture may.
    SO_RCVBUFFORCE = 33
    try:
        sock.setsockopt(socket.SOL_SOCKET, SO_RCVBUFFORCE, 64 << 20)
    except PermissionError:
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 64 << 20)
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
            stamp = struct.pack("!Q", time.time_ns()) if stamped else b""
            out.write(stamp + struct.pack("!I", len(frame)) + frame)
            if not stamped:
                out.flush()
    # Frames the kernel had to drop make a count too low: say so.
    PACKET_STATISTICS = 6
    received, dropped = struct.unpack("II", sock.getsockopt(SOL_PACKET, PACKET_STATISTICS, 8))
    print(f"capture dropped {dropped} frames", file=sys.stderr, flush=True)


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


def udp_summary(port, start_ns, path):
    with open(path, "rb") as f:
        data = f.read()
    kinds = {}
    at = 0
    while at + 12 <= len(data):
        stamp, size = struct.unpack_from("!QI", data, at)
        frame = data[at + 12 : at + 12 + size]
        at += 12 + size
        if len(frame) < 43 or frame[12:14] != b"\x08\x00" or frame[23] != 17:
            continue
        ihl = (frame[14] & 0x0F) * 4
        if len(frame) < 14 + ihl + 9 or struct.unpack_from("!H", frame, 14 + ihl + 2)[0] != port:
            continue
        to_all = frame[0:6] == b"\xff" * 6
        first = chr(frame[14 + ihl + 8])
        key = (first, "broadcast" if to_all else "unicast")
        count, last = kinds.get(key, (0, 0))
        kinds[key] = (count + 1, max(last, stamp))
    total = sum(c for c, _ in kinds.values())
    for (first, how), (count, last) in sorted(kinds.items()):
        print(f"KIND {first} {how} {count} last {(last - start_ns) / 1e9:.1f} s")
    print(f"TOTAL {total}")


if __name__ == "__main__":
    if len(sys.argv) == 4 and sys.argv[1] == "--count-port":
        count_port(int(sys.argv[2]), sys.argv[3])
    elif len(sys.argv) == 5 and sys.argv[1] == "--udp-summary":
        udp_summary(int(sys.argv[2]), int(sys.argv[3]), sys.argv[4])
    elif len(sys.argv) == 4 and sys.argv[1] == "--stamped":
        capture(sys.argv[2], sys.argv[3], stamped=True)
    elif len(sys.argv) == 5 and sys.argv[1] == "--stamped-udp":
        capture(sys.argv[3], sys.argv[4], stamped=True, port=int(sys.argv[2]))
    elif len(sys.argv) == 3:
        capture(sys.argv[1], sys.argv[2])
    else:
        sys.exit("usage: bridge_capture.py [--stamped] IFACE FILE | --stamped-udp PORT IFACE FILE"
                 " | --count-port PORT FILE"
                 " | --udp-summary PORT START_NS FILE")
