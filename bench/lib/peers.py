"""The servers every client talks to, all on 127.0.0.1: Kamailio (registrar and proxy), a SIPp far
end that answers and echoes RTP, the provider simulator, and an X server for our phone's window."""

import json
import os
import re
import signal
import socket
import subprocess
import time


def free_port(kind=socket.SOCK_DGRAM):
    with socket.socket(socket.AF_INET, kind) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def free_udp_and_tcp_port():
    for _ in range(50):
        port = free_port()
        try:
            with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
                s.bind(("127.0.0.1", port))
            return port
        except OSError:
            continue
    raise RuntimeError("no free port")


def wait_until(predicate, timeout, step=0.05):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if predicate():
            return True
        time.sleep(step)
    return predicate()


def stop(process, timeout=5):
    """Ends a process we started: SIGTERM, then SIGKILL if it lingers."""
    if process is None or process.poll() is not None:
        return
    process.send_signal(signal.SIGTERM)
    try:
        process.wait(timeout)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()


class Peers:
    def __init__(self, repo, bin_dir, run_dir):
        self.repo = repo
        self.bin_dir = bin_dir
        self.run_dir = run_dir
        self.sip_port = free_udp_and_tcp_port()
        self.far_port = free_port()
        self.rtp_port = free_port()
        self.http_port = None
        self.display = None
        self._kamailio = None
        self._sim = None
        self._xvfb = None
        self._sipp_pid = None

    def start(self):
        os.makedirs(self.run_dir, exist_ok=True)
        self._start_sipp()
        self._start_kamailio()
        self._start_sim()
        self._start_xvfb()

    def _log(self, name):
        return open(os.path.join(self.run_dir, name), "wb")

    def _start_sipp(self):
        out = subprocess.run(
            ["sipp", "-sf", os.path.join(self.repo, "deploy/sipp/uas_answer_wait_bye.xml"),
             "-i", "127.0.0.1", "-p", str(self.far_port), "-mp", str(self.rtp_port),
             "-rtp_echo", "-bg", "-trace_err",
             "-error_file", os.path.join(self.run_dir, "sipp-errors.log")],
            capture_output=True, text=True, timeout=10, cwd=self.run_dir)
        found = re.search(r"PID=\[(\d+)\]", out.stdout + out.stderr)
        if not found:
            raise RuntimeError("SIPp did not start: " + out.stdout + out.stderr)
        self._sipp_pid = int(found.group(1))

    def _start_kamailio(self):
        self._kamailio = subprocess.Popen(
            [os.path.join(self.repo, "deploy/kamailio/start"), "--run-dir",
             os.path.join(self.run_dir, "kamailio"), "--udp", str(self.sip_port),
             "--far-end", "127.0.0.1:%d" % self.far_port],
            stdout=self._log("kamailio.log"), stderr=subprocess.STDOUT)
        if not wait_until(lambda: self._answers_options(), 10):
            raise RuntimeError("Kamailio did not answer on port %d" % self.sip_port)

    def _answers_options(self):
        if self._kamailio.poll() is not None:
            raise RuntimeError("Kamailio ended; see kamailio.log in " + self.run_dir)
        probe = ("OPTIONS sip:127.0.0.1:{p} SIP/2.0\r\nVia: SIP/2.0/UDP 127.0.0.1:{l};branch=z9hG4bK-probe{t}\r\n"
                 "From: <sip:probe@127.0.0.1>;tag=1\r\nTo: <sip:127.0.0.1>\r\nCall-ID: probe{t}\r\n"
                 "CSeq: 1 OPTIONS\r\nMax-Forwards: 5\r\nContent-Length: 0\r\n\r\n")
        with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
            s.bind(("127.0.0.1", 0))
            s.settimeout(0.3)
            s.sendto(probe.format(p=self.sip_port, l=s.getsockname()[1], t=time.time_ns()).encode(),
                     ("127.0.0.1", self.sip_port))
            try:
                return s.recv(4096).startswith(b"SIP/2.0 200")
            except socket.timeout:
                return False

    def _start_sim(self):
        with open(os.path.join(self.repo, "sim/demo-accounts.json")) as f:
            accounts = json.load(f)
        for account in accounts["accounts"]:
            account["pxy"] = ["127.0.0.1:%d:UDP" % self.sip_port]
        path = os.path.join(self.run_dir, "accounts.json")
        with open(path, "w") as f:
            json.dump(accounts, f)
        ports_file = os.path.join(self.run_dir, "sim-ports")
        self._sim = subprocess.Popen(
            [os.path.join(self.bin_dir, "zuvo-provider-sim"), "--accounts", path,
             "--https-port", "-1", "--ports-file", ports_file],
            stdout=self._log("sim.log"), stderr=subprocess.STDOUT)

        def ready():
            if self._sim.poll() is not None:
                raise RuntimeError("the provider simulator ended; see sim.log in " + self.run_dir)
            return os.path.exists(ports_file) and os.path.getsize(ports_file) > 0

        if not wait_until(ready, 10):
            raise RuntimeError("the provider simulator did not start")
        with open(ports_file) as f:
            self.http_port = int(re.search(r"http=(\d+)", f.read()).group(1))

    def _start_xvfb(self):
        read_end, write_end = os.pipe()
        self._xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24", "-nolisten",
             "tcp", "-noreset"],
            pass_fds=(write_end,), stdout=self._log("xvfb.log"), stderr=subprocess.STDOUT)
        os.close(write_end)
        with os.fdopen(read_end) as f:
            number = f.readline().strip()
        if not number:
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number

    @property
    def xvfb_pid(self):
        return self._xvfb.pid if self._xvfb else None

    def stop(self):
        stop(self._xvfb)
        stop(self._sim)
        stop(self._kamailio)
        if self._sipp_pid:
            try:
                os.kill(self._sipp_pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
