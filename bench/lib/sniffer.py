"""Watches SIP over UDP on the loopback interface and keeps the kernel's arrival time of each
message, so every client is timed the same way: where the server sees it. The audio ports that
INVITEs offer are watched too: a datagram arriving there is kept as an "RTP" message."""

import socket
import struct
import threading
import time

ETH_P_ALL = 0x0003
SO_TIMESTAMPNS = 35  # Linux; not exported by the socket module
PACKET_HOST = 0


class SipMessage:
    __slots__ = ("time", "src", "dst", "first_line", "method", "cseq_method", "status",
                 "audio_port")

    def __init__(self, stamp, src, dst, first_line, cseq_method, audio_port=None):
        self.time = stamp
        self.src = src
        self.dst = dst
        self.first_line = first_line
        self.cseq_method = cseq_method
        self.audio_port = audio_port
        if first_line.startswith("SIP/2.0 "):
            self.method = None
            self.status = int(first_line[8:11]) if first_line[8:11].isdigit() else 0
        else:
            self.method = first_line.split(" ", 1)[0]
            self.status = None


def _parse(payload):
    try:
        text = payload.decode("utf-8", "replace")
    except Exception:
        return None
    end = text.find("\r\n")
    if end <= 0:
        return None
    first = text[:end]
    if not (first.startswith("SIP/2.0 ") or first.endswith(" SIP/2.0")):
        return None
    cseq = None
    head, _, body = text[end + 2:].partition("\r\n\r\n")
    for line in head.split("\r\n"):
        name, _, value = line.partition(":")
        if name.strip().lower() == "cseq":
            parts = value.split()
            cseq = parts[1] if len(parts) > 1 else None
            break
    audio_port = None
    for line in body.split("\r\n"):
        if line.startswith("m=audio "):
            parts = line.split()
            audio_port = int(parts[1]) if len(parts) > 1 and parts[1].isdigit() else None
            break
    return first, cseq, audio_port


class Sniffer:
    """Collects SIP messages sent to or from the given UDP ports on 127.0.0.1. Needs CAP_NET_RAW."""

    def __init__(self, ports):
        self.ports = set(ports)
        self.messages = []
        self.audio_ports = set()  # offered in INVITEs; datagrams to them are kept as "RTP"
        self._lock = threading.Condition()
        self._sock = socket.socket(socket.AF_PACKET, socket.SOCK_RAW, socket.htons(ETH_P_ALL))
        self._sock.setsockopt(socket.SOL_SOCKET, SO_TIMESTAMPNS, 1)
        self._sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 8 << 20)
        self._sock.bind(("lo", 0))
        self._sock.settimeout(0.2)
        self._running = True
        self._thread = threading.Thread(target=self._run, daemon=True)
        self._thread.start()

    def close(self):
        self._running = False
        self._thread.join()
        self._sock.close()

    def _run(self):
        while self._running:
            try:
                data, anc, _flags, addr = self._sock.recvmsg(65600, 64)
            except socket.timeout:
                continue
            except OSError:
                return
            # On lo each frame shows up leaving and arriving; keep the arrival only.
            if addr[2] != PACKET_HOST or len(data) < 14 + 28:
                continue
            if data[12:14] != b"\x08\x00":
                continue
            ip = data[14:]
            ihl = (ip[0] & 0x0F) * 4
            if ip[9] != 17:
                continue
            src_port, dst_port = struct.unpack("!HH", ip[ihl:ihl + 4])
            if dst_port in self.audio_ports:
                with self._lock:
                    self.messages.append(SipMessage(self._stamp(anc), src_port, dst_port, "RTP",
                                                    None))
                    self._lock.notify_all()
                continue
            if src_port not in self.ports and dst_port not in self.ports:
                continue
            stamp = self._stamp(anc)
            parsed = _parse(ip[ihl + 8:])
            if parsed is None:
                continue
            with self._lock:
                message = SipMessage(stamp, src_port, dst_port, *parsed)
                if message.method == "INVITE" and message.audio_port:
                    self.audio_ports.add(message.audio_port)
                self.messages.append(message)
                self._lock.notify_all()

    @staticmethod
    def _stamp(anc):
        for level, kind, value in anc:
            if level == socket.SOL_SOCKET and kind == SO_TIMESTAMPNS and len(value) >= 16:
                sec, nsec = struct.unpack("qq", value[:16])
                return sec + nsec / 1e9
        return time.time()

    def wait_for(self, predicate, since, timeout):
        """The first message after `since` (a time.time() value) for which predicate holds, or
        None after `timeout` seconds."""
        deadline = time.monotonic() + timeout
        index = 0
        with self._lock:
            while True:
                while index < len(self.messages):
                    m = self.messages[index]
                    index += 1
                    if m.time >= since and predicate(m):
                        return m
                left = deadline - time.monotonic()
                if left <= 0:
                    return None
                self._lock.wait(min(left, 0.2))
