"""The three soft phones under test, each in a fresh folder of its own, all signed in as the same
kind of user on the same Kamailio, with no STUN, ICE or other server beyond 127.0.0.1."""

import os
import subprocess
import time
import wave

from peers import stop

ACCOUNT = "12345"
PIN = "9876"
SIP_USER = ACCOUNT + "_Z"
SIP_DOMAIN = "zuvo.test"
SIP_PASSWORD = "mirthful"  # Kamailio's fixed digest password


def clean_environment():
    env = {k: v for k, v in os.environ.items()
           if not k.lower().endswith("_proxy") and not k.startswith("ZUVO_")}
    env.pop("DISPLAY", None)
    env.pop("WAYLAND_DISPLAY", None)
    env.pop("DBUS_SESSION_BUS_ADDRESS", None)
    return env


class Client:
    name = "?"

    def __init__(self, peers, work, rtp_base):
        self.peers = peers
        self.work = work
        self.rtp_base = rtp_base
        self.process = None
        self.spawned = None
        os.makedirs(work, exist_ok=True)
        self.env = clean_environment()
        self.env.update(HOME=work, XDG_CONFIG_HOME=os.path.join(work, "config"),
                        XDG_DATA_HOME=os.path.join(work, "data"),
                        XDG_CACHE_HOME=os.path.join(work, "cache"),
                        XDG_STATE_HOME=os.path.join(work, "state"))
        runtime = os.path.join(work, "runtime")
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        self.env["XDG_RUNTIME_DIR"] = runtime
        for key in ("XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"):
            os.makedirs(self.env[key], exist_ok=True)

    @property
    def pid(self):
        return self.process.pid

    def _spawn(self, args, stdin=None):
        log = open(os.path.join(self.work, "output.log"), "wb")
        self.spawned = time.time()
        self.process = subprocess.Popen(args, env=self.env, cwd=self.work, stdin=stdin,
                                        stdout=log, stderr=subprocess.STDOUT)
        log.close()
        return self.spawned

    def _say(self, line):
        self.process.stdin.write((line + "\n").encode())
        self.process.stdin.flush()

    def alive(self):
        return self.process is not None and self.process.poll() is None

    def stop(self):
        stop(self.process)


class Zuvo(Client):
    """Our phone, unattended and signed in, window shown under Xvfb; driven with zuvo-ctl."""
    name = "zuvo"

    def __init__(self, peers, work, rtp_base):
        super().__init__(peers, work, rtp_base)
        os.makedirs(os.path.join(work, "machine"), exist_ok=True)
        self.env.update(ZUVO_DEFAULT_WEB_HOST="127.0.0.1:%d" % peers.http_port,
                        ZUVO_SIP_DOMAIN=SIP_DOMAIN,
                        ZUVO_HOSTS_FILE=os.path.join(work, "hosts"),
                        ZUVO_MACHINE_STORE=os.path.join(work, "machine", "machine.db"),
                        DISPLAY=peers.display, QT_QPA_PLATFORM="xcb",
                        # Pages from the simulator only; the engine's sandbox refuses root.
                        ZUVO_HOME_HOST="127.0.0.1:%d" % peers.http_port,
                        QTWEBENGINE_DISABLE_SANDBOX="1",
                        QTWEBENGINE_CHROMIUM_FLAGS="--proxy-server=http://127.0.0.1:9",
                        # The phone writes the times of its first paint and of a dial command.
                        ZUVO_REPORT_TIMES="1")
        self.zuvo = os.path.join(peers.bin_dir, "zuvo")
        self.ctl = os.path.join(peers.bin_dir, "zuvo-ctl")

    def start(self, extra=("/C600", "/R600", "/U600")):
        # The demo provider sends a pop-up message after sign-in; the measures are of a phone
        # that opens no page unasked (the first page has a measure of its own).
        subprocess.run([os.path.join(self.peers.bin_dir, "zuvo-reg"), "add",
                        r"HKCU\Software\Zuvo\Zuvo PC\Settings", "/v", "DisplayPopups",
                        "/t", "REG_DWORD", "/d", "0", "/f"],
                       env=self.env, cwd=self.work, stdout=subprocess.DEVNULL, check=True)
        return self._spawn([self.zuvo, "/T", "/B" + ACCOUNT, "/P" + PIN, *extra],
                           stdin=subprocess.DEVNULL)

    def start_for_launch(self):
        """Not signed in: the phone comes up with its sign-in dialog and waits there; it writes
        the time of the dialog's first paint to its log."""
        return self._spawn([self.zuvo], stdin=subprocess.DEVNULL)

    def ctl_run(self, *args):
        return subprocess.run([self.ctl, *args], env=self.env, cwd=self.work,
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=15)

    def ready_to_dial(self):
        # The unattended cycle runs its own (empty) dial 5 s after sign-in, then waits up to /U
        # for a call; ours comes after it.
        time.sleep(5.5)

    def dial(self, number):
        started = time.time()
        result = self.ctl_run("dial", number)
        if result.returncode != 0:
            raise RuntimeError("zuvo-ctl dial: " + result.stdout.decode(errors="replace"))
        return started

    def hang_up_and_quit(self):
        self.ctl_run("hangup")
        # In unattended mode the end of the call signs out, which closes the phone.
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.stop()


class FirstPaintFloor(Client):
    """A minimal Qt Widgets program that shows a dialog, reports its first paint and ends: the
    floor for the phone's launch to its sign-in dialog."""
    name = "floor"

    def start_for_launch(self, *args):
        self.env.update(DISPLAY=self.peers.display, QT_QPA_PLATFORM="xcb")
        return self._spawn([os.path.join(self.peers.bin_dir, "zuvo_bench_first_paint"), *args],
                           stdin=subprocess.DEVNULL)

    def start_to_stay(self):
        """The same dialog, left open: a window's memory beside the console peers'."""
        return self.start_for_launch("--stay")


def reported_time(client, event, timeout):
    """The wall-clock time the client wrote as "EVENT SECONDS" (ZUVO_REPORT_TIMES), or None."""
    path = os.path.join(client.work, "output.log")
    prefix = event.encode() + b" "
    deadline = time.time() + timeout
    while time.time() < deadline:
        ended = not client.alive()  # looked at before the log, so a last line is not missed
        with open(path, "rb") as f:
            for line in f:
                if line.startswith(prefix):
                    try:
                        return float(line[len(prefix):].split()[0])
                    except (IndexError, ValueError):
                        return None
        if ended:
            return None
        time.sleep(0.02)
    return None


class Linphonec(Client):
    """linphonec (linphone-cli), on the same liblinphone as our phone, read from its stdin."""
    name = "linphonec"

    def start(self):
        os.makedirs(os.path.join(self.work, ".local/share/linphone"), exist_ok=True)
        rc = os.path.join(self.work, "linphonerc")
        proxy = "<sip:127.0.0.1:%d;transport=udp>" % self.peers.sip_port
        with open(rc, "w") as f:
            f.write(f"""[sip]
sip_port=-1
sip_tcp_port=0
sip_tls_port=0
use_ipv6=0
default_proxy=0
ping_with_options=0
register_only_when_network_is_up=0
[net]
stun_server=
firewall_policy=0
auto_net_state_mon=0
[rtp]
audio_rtp_port={self.rtp_base}-{self.rtp_base + 99}
[sound]
echocancellation=0
[misc]
config-uri=
version_check_url_root=
file_transfer_server_url=
[proxy_0]
reg_proxy={proxy}
reg_route=<sip:127.0.0.1:{self.peers.sip_port};transport=udp;lr>
reg_identity=sip:{SIP_USER}@{SIP_DOMAIN}
reg_expires=3600
reg_sendregister=1
publish=0
[auth_info_0]
username={SIP_USER}
passwd={SIP_PASSWORD}
realm={SIP_DOMAIN}
domain={SIP_DOMAIN}
""")
        return self._spawn(["linphonec", "-c", rc, "-d", "0"], stdin=subprocess.PIPE)

    def ready_to_dial(self):
        time.sleep(0.5)

    def dial(self, number):
        started = time.time()
        self._say("call sip:+%s@%s" % (number, SIP_DOMAIN))
        return started

    def hang_up_and_quit(self):
        self._say("terminate")
        time.sleep(0.3)
        self._say("quit")
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.stop()


class Baresip(Client):
    """baresip (baresip-core), with its stdio menu; no sound card, so audio comes from a file of
    silence and goes to /dev/null."""
    name = "baresip"

    def start(self):
        home = os.path.join(self.work, "baresip")
        os.makedirs(home, exist_ok=True)
        silence = os.path.join(home, "silence.wav")
        with wave.open(silence, "wb") as w:
            w.setnchannels(1)
            w.setsampwidth(2)
            w.setframerate(8000)
            w.writeframes(b"\0\0" * 8000 * 120)
        with open(os.path.join(home, "config"), "w") as f:
            f.write(f"""poll_method epoll
sip_listen 127.0.0.1:0
audio_player aufile,/dev/null
audio_source aufile,{silence}
audio_alert aufile,/dev/null
rtp_ports {self.rtp_base}-{self.rtp_base + 99}
net_interface 127.0.0.1
module_path /usr/lib/baresip/modules
module stdio.so
module g711.so
module aufile.so
module_app account.so
module_app menu.so
""")
        with open(os.path.join(home, "accounts"), "w") as f:
            f.write(f'<sip:{SIP_USER}@{SIP_DOMAIN}>;auth_pass={SIP_PASSWORD};'
                    f'outbound="sip:127.0.0.1:{self.peers.sip_port};transport=udp";'
                    f'regint=3600;audio_codecs=PCMU,PCMA\n')
        open(os.path.join(home, "contacts"), "w").close()
        return self._spawn(["baresip", "-f", home], stdin=subprocess.PIPE)

    def ready_to_dial(self):
        time.sleep(0.5)

    def dial(self, number):
        started = time.time()
        self._say("/dial sip:+%s@%s" % (number, SIP_DOMAIN))
        return started

    def hang_up_and_quit(self):
        self._say("/hangup")
        time.sleep(0.3)
        self._say("/quit")
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.stop()


CLIENTS = (Zuvo, Linphonec, Baresip)
