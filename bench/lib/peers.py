"""The servers every client talks to, all on 127.0.0.1: Kamailio (registrar and proxy), a SIPp far
end that answers and echoes RTP, the provider simulator (all three from zuvo-peers), and an X
server for our phone's window."""

import os
import shlex
import signal
import subprocess
import time


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
        self.sip_port = None
        self.far_port = None
        self.http_port = None
        self.display = None
        self._peers = None
        self._xvfb = None

    def start(self):
        os.makedirs(self.run_dir, exist_ok=True)
        self._start_peers()
        self._start_xvfb()

    def _log(self, name):
        return open(os.path.join(self.run_dir, name), "wb")

    def _start_peers(self):
        """Kamailio, the echoing far end and the simulator with the demo account, started by
        zuvo-peers (the tests' own fixture); it prints their ports once they answer."""
        self._peers = subprocess.Popen(
            [os.path.join(self.bin_dir, "zuvo-peers"), "--source-dir", self.repo,
             "--bin-dir", self.bin_dir, "--run-dir", self.run_dir,
             "--accounts", os.path.join(self.repo, "sim/demo-accounts.json"),
             "--far-end", "uas_answer_wait_bye.xml", "--echo"],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=self._log("peers.log"),
            text=True)
        env = {}
        for line in self._peers.stdout:
            line = line.strip()
            if line == "ready":
                break
            words = shlex.split(line)
            if len(words) == 2 and words[0] == "export" and "=" in words[1]:
                name, value = words[1].split("=", 1)
                env[name] = value
        else:
            raise RuntimeError("the peers did not start; see peers.log in " + self.run_dir)
        self.sip_port = int(env["ZUVO_PEERS_SIP_PORT"])
        self.far_port = int(env["ZUVO_PEERS_FAR_END_PORT"])
        self.http_port = int(env["ZUVO_DEFAULT_WEB_HOST"].rsplit(":", 1)[1])

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
        stop(self._peers, timeout=15)
