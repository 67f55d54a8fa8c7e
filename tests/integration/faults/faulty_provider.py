#!/usr/bin/python3
"""A provider web service that misbehaves on request, in front of the real simulator.

faulty_provider.py --upstream PORT [--port PORT] --ports-file FILE

Listens on 127.0.0.1 (PORT, or a free one) and hands every request on to the simulator at
127.0.0.1:UPSTREAM, unless a fault is set for the request's task. A second listener stands for
"another host" that redirects point to; it only counts who comes. Writes
"port=P other=O" to FILE once both listen.

Control (not handed on): /fault/set?task=VV&mode=M&seconds=S&size=B&count=N sets the fault for
one task ("*" for all; count -1 = for ever), /fault/clear, /fault/log (JSON: tasks seen, faults
applied, requests at the other host).

Modes: 500, hold (accept, read, never answer), delay (answer after S seconds), drip (the real
answer one byte every S seconds), reset (the connection reset as soon as the request is read),
redirect (302 to the other host), huge (the real answer and then B bytes, no length given),
garble (the real answer between NUL bytes and invalid UTF-8), corrupt (NUL and invalid UTF-8
inside the answer's addresses).
"""
import argparse
import http.client
import json
import os
import socket
import socketserver
import struct
import sys
import threading
import time
import urllib.parse

MAX_REQUEST = 64 * 1024

lock = threading.Lock()
fault = {}
log = {"tasks": [], "applied": [], "other": 0}
upstream_port = 0
other_port = 0


def read_request(conn):
    data = b""
    while b"\r\n\r\n" not in data:
        chunk = conn.recv(4096)
        if not chunk:
            return None
        data += chunk
        if data[:1] == b"\x16" or len(data) > MAX_REQUEST:
            return None  # a TLS hello or an endless head: this service speaks plain HTTP only
    line = data.split(b"\r\n", 1)[0].decode("latin-1")
    parts = line.split(" ")
    if len(parts) != 3:
        return None
    headers = {}
    for raw in data.split(b"\r\n\r\n", 1)[0].split(b"\r\n")[1:]:
        name, _, value = raw.decode("latin-1").partition(":")
        headers[name.strip().lower()] = value.strip()
    return parts[1], headers


def reply(status, body, content_type="text/plain", extra="", length=True):
    head = "HTTP/1.1 %d %s\r\nContent-Type: %s\r\nConnection: close\r\n%s" % (
        status, "OK" if status == 200 else "Fault", content_type, extra)
    if length:
        head += "Content-Length: %d\r\n" % len(body)
    return head.encode("latin-1") + b"\r\n" + body


def forward(target, headers):
    conn = http.client.HTTPConnection("127.0.0.1", upstream_port, timeout=10)
    conn.request("GET", target, headers={"User-Agent": headers.get("user-agent", "")})
    response = conn.getresponse()
    body = response.read()
    conn.close()
    return response.status, body, response.getheader("Content-Type", "text/plain")


def take_fault(task):
    with lock:
        log["tasks"].append(task)
        if not fault or fault["task"] not in (task, "*") or fault["count"] == 0:
            return None
        if fault["count"] > 0:
            fault["count"] -= 1
        log["applied"].append(task + ":" + fault["mode"])
        return dict(fault)


def wait_for_close(conn, seconds):
    """Waits up to seconds (None: for ever) for the client to go; True when it went."""
    deadline = None if seconds is None else time.monotonic() + seconds
    while deadline is None or time.monotonic() < deadline:
        conn.settimeout(0.2)
        try:
            if conn.recv(1024) == b"":
                return True
        except socket.timeout:
            pass
        except OSError:
            return True
    return False


def control(target):
    query = urllib.parse.parse_qs(urllib.parse.urlsplit(target).query)
    value = lambda name, default: query.get(name, [default])[0]
    with lock:
        if target.startswith("/fault/set"):
            fault.clear()
            fault.update(task=value("task", "*"), mode=value("mode", "500"),
                         seconds=float(value("seconds", "1")), size=int(value("size", "0")),
                         count=int(value("count", "-1")))
        elif target.startswith("/fault/clear"):
            fault.clear()
        return reply(200, json.dumps(log).encode(), "application/json")


class Provider(socketserver.BaseRequestHandler):
    def handle(self):
        conn = self.request
        request = read_request(conn)
        if request is None:
            return
        target, headers = request
        if target.startswith("/fault/"):
            conn.sendall(control(target))
            return
        query = urllib.parse.parse_qs(urllib.parse.urlsplit(target).query)
        task = query.get("task", [""])[0]
        f = take_fault(task)
        mode = f["mode"] if f else "none"
        if mode == "500":
            conn.sendall(reply(500, b"broken\n"))
        elif mode == "hold":
            wait_for_close(conn, None)
        elif mode == "reset":
            conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            conn.close()  # closed with a linger of 0: a reset, not an orderly end
        elif mode == "redirect":
            where = "http://127.0.0.1:%d%s" % (other_port, target)
            conn.sendall(reply(302, b"moved\n", extra="Location: %s\r\n" % where))
        elif mode == "delay":
            if not wait_for_close(conn, f["seconds"]):
                conn.sendall(reply(*self.upstream(target, headers)))
        elif mode == "drip":
            for byte in reply(*self.upstream(target, headers)):
                conn.sendall(bytes([byte]))
                if wait_for_close(conn, f["seconds"]):
                    return
        elif mode == "huge":
            status, body, kind = self.upstream(target, headers)
            conn.sendall(reply(status, body, kind, length=False))
            block = b"[x]" * 21845
            sent = 0
            while sent < f["size"]:
                conn.sendall(block)
                sent += len(block)
        elif mode == "garble":
            status, body, kind = self.upstream(target, headers)
            conn.sendall(reply(status, b"\x00\xff\xfe\xc0\xaf" + body + b"\x00\xed\xa0\x80", kind))
        elif mode == "corrupt":
            status, body, kind = self.upstream(target, headers)
            conn.sendall(reply(status, body.replace(b"127.0.0.1", b"127.0\x00.0.1\xff"), kind))
        else:
            conn.sendall(reply(*self.upstream(target, headers)))

    @staticmethod
    def upstream(target, headers):
        try:
            return forward(target, headers)
        except OSError as error:
            return 502, ("upstream: %s\n" % error).encode(), "text/plain"


class OtherHost(socketserver.BaseRequestHandler):
    def handle(self):
        if read_request(self.request) is not None:
            with lock:
                log["other"] += 1
            self.request.sendall(reply(200, b"[as:1][key:00]"))


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    global upstream_port, other_port
    parser = argparse.ArgumentParser()
    parser.add_argument("--upstream", type=int, required=True)
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--ports-file", required=True)
    args = parser.parse_args()
    upstream_port = args.upstream
    provider = Server(("127.0.0.1", args.port), Provider)
    other = Server(("127.0.0.1", 0), OtherHost)
    other_port = other.server_address[1]
    threading.Thread(target=other.serve_forever, daemon=True).start()
    line = "port=%d other=%d\n" % (provider.server_address[1], other_port)
    with open(args.ports_file + ".tmp", "w") as f:
        f.write(line)
    os.replace(args.ports_file + ".tmp", args.ports_file)
    sys.stdout.write(line)
    sys.stdout.flush()
    provider.serve_forever()


if __name__ == "__main__":
    main()
