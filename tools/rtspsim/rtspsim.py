#!/usr/bin/python3
"""The RTSP test camera: GStreamer's RTSP server on 127.0.0.1 with a fixed
set of live mounts, or a hand-written misbehaving server (--fault).

The first stdout line is the bound port; after it one line per event
("connect", "setup tcp|udp", "play /path") so a test can count what happened.
"""

import argparse
import os
import random
import re
import select
import signal
import socket
import struct
import sys
import threading
import time

# Nine colours for /cam1 ... /cam9. Each channel is one of three levels and
# the triples form a code where any two differ in at least two channels by
# 95, so a cell's colour names its camera even after 4:2:0 YUV round trips;
# the darkest channel maximum is 155, far from the black of an empty cell.
CAM_COLOURS = [
    (250, 60, 155),
    (60, 155, 60),
    (60, 60, 250),
    (250, 250, 60),
    (155, 60, 60),
    (60, 250, 155),
    (155, 155, 250),
    (250, 155, 250),
    (155, 250, 250),
]

# How long a fault connection lives at most, so a forgotten test client
# cannot keep one open for ever.
FAULT_LIFETIME_S = 120.0
# The garbage-rtp flood: a bounded rate a client must cope with, not a test
# of its throughput.
GARBAGE_RTP_RATE = 50
GARBAGE_RTP_PAYLOAD = 1400
# A request head larger than this is not a client we want to talk to.
MAX_REQUEST_HEAD = 16384
# The garbage is the same for every connection and every run, so a client
# that trips over it trips the same way each time.
GARBAGE_SEED = 0x0CE11A7E


def emit(line):
    sys.stdout.write(line + "\n")
    sys.stdout.flush()


def size_arg(text):
    m = re.fullmatch(r"(\d{1,5})x(\d{1,5})", text)
    if not m:
        raise argparse.ArgumentTypeError("size must be WxH, e.g. 704x576")
    w, h = int(m.group(1)), int(m.group(2))
    # Even sides keep 4:2:0 encoders happy; RTP/JPEG stops at 2040.
    if not (16 <= w <= 2040 and 16 <= h <= 2040) or w % 2 or h % 2:
        raise argparse.ArgumentTypeError("sides must be even, 16..2040")
    return w, h


def fps_arg(text):
    if not re.fullmatch(r"\d{1,3}", text) or not 1 <= int(text) <= 60:
        raise argparse.ArgumentTypeError("fps must be 1..60")
    return int(text)


def parse_args(argv):
    p = argparse.ArgumentParser(description="RTSP test camera on 127.0.0.1")
    p.add_argument("--port", type=int, default=0, help="port, 0 for any free one")
    p.add_argument("--size", type=size_arg, default=(704, 576), help="WxH of /h264, /h265, /mjpeg, /camN (/subN are 640x360)")
    p.add_argument("--fps", type=fps_arg, default=25, metavar="N", help="frames per second (1..60)")
    p.add_argument("--user", help="require HTTP Basic auth with this user")
    p.add_argument("--password", help="the password for --user")
    p.add_argument(
        "--protocols",
        choices=["tcp", "udp", "both"],
        default="tcp",
        help="how RTP may travel: inside the RTSP connection, over UDP, or either",
    )
    p.add_argument(
        "--fault",
        choices=["silent", "garbage-sdp", "garbage-rtp", "undecodable"],
        help="misbehave instead of serving; undecodable: one H.264 slice a second that never decodes",
    )
    p.add_argument("--quiet", action="store_true", help="nothing on stderr")
    p.add_argument("--parent", type=int, metavar="PID", help="exit when this process, the parent, goes")
    p.add_argument(
        "--photo-sub-size", type=size_arg, metavar="WxH", help="also /photosub1 ... /photosub9 at this size"
    )
    p.add_argument(
        "--photos", metavar="DIR", help="also /photo1 ... /photo9: the photographs in DIR (*.png, *.jpg), panned, at --size"
    )
    args = p.parse_args(argv)
    if not 0 <= args.port <= 65535:
        p.error("--port must be 0..65535")
    if (args.user is None) != (args.password is None):
        p.error("--user and --password go together")
    if args.photos is not None and not (os.path.isdir(args.photos) and photo_files(args.photos)):
        p.error("--photos must name a folder of *.png or *.jpg photographs")
    return args


# ---------------------------------------------------------------- GStreamer


def h264_tail(fps):
    # One thread per encoder: nine streams on two cores do better without
    # x264's thread pools, and zerolatency already drops lookahead and
    # B-frames. Keyframes every 2 s bound how long a joining client waits.
    return (
        "x264enc tune=zerolatency speed-preset=ultrafast bframes=0 threads=1 "
        "key-int-max=%d bitrate=1024 ! "
        "rtph264pay name=pay0 pt=96 config-interval=-1" % (2 * fps)
    )


def raw_caps(w, h, fps):
    return "video/x-raw,format=I420,width=%d,height=%d,framerate=%d/1" % (w, h, fps)


def argb(rgb):
    return "0xff%02x%02x%02x" % rgb


# The size of the /subN mounts.
SUB_SIZE = (640, 360)


def camera_line(rgb, w, h, fps):
    # The whole picture in the camera's colour, with a small ball moving
    # inside a 96x96 box at the top left: pictures differ from frame to
    # frame, and the box is far from where a cell's colour is sampled.
    caps = raw_caps(w, h, fps)
    box = min(96, w // 4, h // 4) // 2 * 2
    return (
        "compositor name=mix start-time-selection=first max-threads=1 sink_1::xpos=8 sink_1::ypos=8 ! %s ! %s "
        "videotestsrc is-live=true pattern=solid-color foreground-color=%s ! %s ! mix. "
        "videotestsrc is-live=true pattern=ball background-color=%s foreground-color=0xff000000 ! "
        "%s ! mix." % (caps, h264_tail(fps), argb(rgb), caps, argb(rgb), raw_caps(box, box, fps))
    )


def launch_lines(args):
    w, h = args.size
    fps = args.fps
    caps = raw_caps(w, h, fps)
    mounts = {
        "/h264": "videotestsrc is-live=true pattern=smpte horizontal-speed=2 ! %s ! %s" % (caps, h264_tail(fps)),
        "/mjpeg": "videotestsrc is-live=true pattern=smpte horizontal-speed=2 ! %s ! "
        "jpegenc quality=75 ! rtpjpegpay name=pay0 pt=26" % caps,
        # 12 megapixels at 5 fps: larger than any picture the viewer accepts.
        "/big": "videotestsrc is-live=true pattern=smpte ! %s ! %s" % (raw_caps(4000, 3000, 5), h264_tail(5)),
        "/audio": "audiotestsrc is-live=true wave=sine freq=440 volume=0.2 ! "
        "audio/x-raw,rate=48000,channels=1 ! opusenc bitrate=32000 ! rtpopuspay name=pay0 pt=97",
        "/vp8": "videotestsrc is-live=true pattern=ball ! %s ! "
        "vp8enc deadline=1 cpu-used=16 keyframe-max-dist=%d ! rtpvp8pay name=pay0 pt=96"
        % (raw_caps(320, 240, fps), 2 * fps),
    }
    if have_element("x265enc"):
        mounts["/h265"] = (
            "videotestsrc is-live=true pattern=smpte horizontal-speed=2 ! %s ! "
            "x265enc tune=zerolatency speed-preset=ultrafast key-int-max=%d bitrate=1024 ! "
            "rtph265pay name=pay0 pt=96 config-interval=-1" % (caps, 2 * fps)
        )
    for n, rgb in enumerate(CAM_COLOURS, start=1):
        mounts["/cam%d" % n] = camera_line(rgb, w, h, fps)
        # The same camera's light second stream, as cameras offer beside
        # their main one for grids and phones.
        mounts["/sub%d" % n] = camera_line(rgb, SUB_SIZE[0], SUB_SIZE[1], fps)
    mounts.update(photo_lines(args))
    return mounts


# ---------------------------------------------------------------- photo mounts

# Camera-like pictures for benchmarks: a photograph slightly larger than the
# picture, panned back and forth across it, so every frame differs all over
# and has a photograph's detail, encoded at a camera's bit rate.
PHOTO_MOUNTS = 9
# A D1 camera's bit rate; larger pictures get more by area, up to what a
# 1080p camera sends.
PHOTO_KBPS_D1 = 1536
PHOTO_KBPS_MAX = 6144
# How much of the pan is laid out when a photo mount starts; a benchmark
# lasts minutes, and after this the picture stands still.
PAN_SECONDS = 4 * 3600


def photo_files(folder):
    names = sorted(n for n in os.listdir(folder) if n.lower().endswith((".png", ".jpg", ".jpeg")))
    return [os.path.join(folder, n) for n in names]


def photo_kbps(w, h):
    return min(PHOTO_KBPS_MAX, round(PHOTO_KBPS_D1 * w * h / (704 * 576)))


def pan_margin(w, h):
    # Even, so the larger picture stays 4:2:0.
    return w // 24 * 2, h // 32 * 2


def camera_h264_tail(fps, kbps):
    # As cameras encode: CABAC and the deblocking filter (Main profile,
    # named, or the server's caps would ask for Baseline), which x264's
    # fastest preset turns off and which are much of a decoder's work;
    # otherwise that preset, so nine encoders leave a shared machine's
    # cores to the clients being measured.
    return (
        "x264enc tune=zerolatency speed-preset=ultrafast cabac=true option-string=deblock=1 bframes=0 threads=1 "
        "key-int-max=%d bitrate=%d ! video/x-h264,profile=main ! rtph264pay name=pay0 pt=96 config-interval=-1"
        % (2 * fps, kbps)
    )


def photo_lines(args):
    """/photo1 ... /photo9 at --size, one photograph of --photos each (cycled
    when there are fewer), cropped to the picture's shape with a margin that
    the pan moves across; with --photo-sub-size also /photosub1 ...
    /photosub9, the same photographs and pans at that size, as a camera's
    second stream."""
    if not args.photos:
        return {}
    lines = photo_mounts(args, "/photo", args.size)
    if args.photo_sub_size:
        lines.update(photo_mounts(args, "/photosub", args.photo_sub_size))
    return lines


def photo_mounts(args, prefix, size):
    w, h = size
    mx, my = pan_margin(w, h)
    bw, bh = w + 2 * mx, h + 2 * my
    big = "video/x-raw,format=I420,width=%d,height=%d,pixel-aspect-ratio=1/1" % (bw, bh)
    files = photo_files(args.photos)
    lines = {}
    for n in range(1, PHOTO_MOUNTS + 1):
        location = files[(n - 1) % len(files)].replace("\\", "\\\\").replace('"', '\\"')
        lines["%s%d" % (prefix, n)] = (
            "compositor name=pan start-time-selection=first max-threads=1 background=black ! %s ! %s "
            'filesrc location="%s" ! decodebin ! videoconvert ! aspectratiocrop aspect-ratio=%d/%d ! videoscale ! '
            "%s ! imagefreeze is-live=true ! %s,framerate=%d/1 ! pan."
            % (raw_caps(w, h, args.fps), camera_h264_tail(args.fps, photo_kbps(w, h)), location, bw, bh, big, big,
               args.fps)
        )
    return lines


def pan_points(span, speed, phase, seconds):
    """Corners (ns, px) of a pan from 0 to -span px and back at `speed` px/s,
    starting `phase` (0..1) into its cycle, for `seconds`."""
    period = 2.0 * span / speed

    def at(u):
        return -span * (1.0 - abs(2.0 * (u % 1.0) - 1.0))

    points = [(0, at(phase))]
    corner = int(phase * 2) + 1
    while (corner / 2.0 - phase) * period <= seconds:
        points.append((int((corner / 2.0 - phase) * period * 1e9), at(corner / 2.0)))
        corner += 1
    return points


def photo_pans(args, path):
    """(pad property, corners) of a /photoN or /photosubN mount's pan."""
    sub = path.startswith("/photosub")
    n = int(path[len("/photosub" if sub else "/photo") :])
    w, h = args.photo_sub_size if sub else args.size
    mx, my = pan_margin(w, h)
    # About a pixel a frame across and less down at D1 and 25 fps, the same
    # share of the picture at any size; each mount at its own speeds and
    # place, so no two cells move alike.
    sx = 25.0 * w / 704 * (0.5 + 0.25 * (n % 4))
    sy = 10.0 * h / 576 * (0.5 + 0.25 * (n % 3))
    return [
        ("xpos", pan_points(2 * mx, sx, n / 9.0 % 1.0, PAN_SECONDS)),
        ("ypos", pan_points(2 * my, sy, n / 7.0 % 1.0, PAN_SECONDS)),
    ]


def start_pan(_factory, media, pans):
    # The controller moves the photograph by each output frame's own time,
    # so the pan keeps its speed whatever the machine's load.
    import gi

    gi.require_version("GstController", "1.0")
    from gi.repository import GstController

    pad = media.get_element().get_by_name("pan").get_static_pad("sink_0")
    for prop, points in pans:
        source = GstController.InterpolationControlSource()
        source.set_property("mode", GstController.InterpolationMode.LINEAR)
        for t, v in points:
            source.set(t, v)
        pad.add_control_binding(GstController.DirectControlBinding.new_absolute(pad, prop, source))


_Gst = None


def have_element(name):
    return _Gst.ElementFactory.find(name) is not None


def import_gi():
    try:
        import gi

        gi.require_version("Gst", "1.0")
        gi.require_version("GstRtsp", "1.0")
        gi.require_version("GstRtspServer", "1.0")
        from gi.repository import GLib, Gst, GstRtsp, GstRtspServer
    except (ImportError, ValueError):
        # A python3 first on PATH (pyenv, a venv) may lack the distribution's
        # gi; the distribution's own interpreter has it.
        system = "/usr/bin/python3"
        if os.environ.get("RTSPSIM_REEXEC") != "1" and os.path.exists(system) and os.path.realpath(
            sys.executable
        ) != os.path.realpath(system):
            os.environ["RTSPSIM_REEXEC"] = "1"
            os.execv(system, [system, os.path.abspath(__file__)] + sys.argv[1:])
        raise
    return GLib, Gst, GstRtsp, GstRtspServer


def lower_transports(GstRtsp, protocols):
    tcp, udp = GstRtsp.RTSPLowerTrans.TCP, GstRtsp.RTSPLowerTrans.UDP
    return {"tcp": tcp, "udp": udp, "both": tcp | udp}[protocols]


def serve_gstreamer(args):
    global _Gst
    GLib, Gst, GstRtsp, GstRtspServer = import_gi()
    _Gst = Gst
    Gst.init(None)
    if args.quiet:
        Gst.debug_set_active(False)
        Gst.debug_set_default_threshold(Gst.DebugLevel.NONE)

    # Before the port line: a test may stop the server as soon as it has it.
    loop = GLib.MainLoop()
    for sig in (signal.SIGTERM, signal.SIGINT):
        GLib.unix_signal_add(GLib.PRIORITY_HIGH, sig, lambda *_: loop.quit() or False)

    server = GstRtspServer.RTSPServer()
    server.set_address("127.0.0.1")
    server.set_service(str(args.port))

    permissions = None
    if args.user is not None:
        role = "viewer"
        auth = GstRtspServer.RTSPAuth()
        token = GstRtspServer.RTSPToken()
        token.set_string(GstRtspServer.RTSP_TOKEN_MEDIA_FACTORY_ROLE, role)
        auth.add_basic(GstRtspServer.RTSPAuth.make_basic(args.user, args.password), token)
        server.set_auth(auth)
        permissions = GstRtspServer.RTSPPermissions()
        permissions.add_permission_for_role(role, GstRtspServer.RTSP_PERM_MEDIA_FACTORY_ACCESS, True)
        permissions.add_permission_for_role(role, GstRtspServer.RTSP_PERM_MEDIA_FACTORY_CONSTRUCT, True)

    mount_points = server.get_mount_points()
    for path, line in launch_lines(args).items():
        factory = GstRtspServer.RTSPMediaFactory()
        factory.set_launch("( %s )" % line)
        if path in photo_lines(args):
            factory.connect("media-configure", start_pan, photo_pans(args, path))
        # One encoder per path however many clients watch it.
        factory.set_shared(True)
        # RTP inside the RTSP connection by default: UDP transport opens
        # sockets on every address, where the server otherwise stays on
        # 127.0.0.1. A transport left out is answered with 461, as cameras
        # that offer only the other one do.
        factory.set_protocols(lower_transports(GstRtsp, args.protocols))
        if permissions is not None:
            factory.set_permissions(permissions)
        mount_points.add_factory(path, factory)

    def on_play(_client, ctx):
        uri = ctx.uri
        path = uri.abspath if uri is not None and uri.abspath else "?"
        emit("play " + path)

    # Before the server looks at the transport: a SETUP it refuses counts.
    def on_setup(_client, ctx):
        found, transport = ctx.request.get_header(GstRtsp.RTSPHeaderField.TRANSPORT, 0)
        tcp = found == GstRtsp.RTSPResult.OK and "/TCP" in transport.upper()
        emit("setup " + ("tcp" if tcp else "udp"))
        return GstRtsp.RTSPStatusCode.OK

    def on_client(_server, client):
        emit("connect")
        client.connect("pre-setup-request", on_setup)
        client.connect("play-request", on_play)

    server.connect("client-connected", on_client)

    if server.attach(None) == 0:
        # Not chatter: the one line that says why a test's server is missing.
        sys.stderr.write("rtspsim: cannot listen on 127.0.0.1:%d\n" % args.port)
        return 1
    port = server.get_bound_port()
    emit(str(port))
    if not args.quiet:
        sys.stderr.write(
            "rtspsim: rtsp://127.0.0.1:%d/{%s}%s\n"
            % (
                port,
                ",".join(p.lstrip("/") for p in launch_lines(args)),
                "" if have_element("x265enc") else " (no x265enc: no /h265)",
            )
        )

    loop.run()
    # Tearing the pipelines down one by one takes time a test waiting on
    # the exit should not pay; the process going frees the same things.
    sys.stdout.flush()
    os._exit(0)


# ---------------------------------------------------------------- faults


class RtspConn:
    """Reads RTSP requests off one socket, bounded in size and time."""

    def __init__(self, sock, deadline):
        self.sock = sock
        self.deadline = deadline
        self.buf = b""

    def remaining(self):
        return self.deadline - time.monotonic()

    def read_request(self, poll=None):
        """(method, uri, headers) of the next request; None when the client
        has gone, the deadline passed or the request is malformed, or
        'idle' when `poll` seconds pass with no complete request."""
        until = time.monotonic() + poll if poll is not None else None
        while True:
            head, sep, rest = self.buf.partition(b"\r\n\r\n")
            if sep:
                self.buf = rest
                return self.parse(head)
            if len(self.buf) > MAX_REQUEST_HEAD:
                return None
            wait = self.remaining()
            if until is not None:
                wait = min(wait, until - time.monotonic())
            if wait <= 0:
                return "idle" if until is not None and self.remaining() > 0 else None
            ready, _, _ = select.select([self.sock], [], [], wait)
            if not ready:
                continue
            try:
                chunk = self.sock.recv(4096)
            except OSError:
                return None
            if not chunk:
                return None
            self.buf += chunk
            self.skip_interleaved()

    def skip_interleaved(self):
        # The client's RTCP reports arrive as '$' frames between requests.
        while self.buf[:1] == b"$" and len(self.buf) >= 4:
            n = struct.unpack(">H", self.buf[2:4])[0]
            if len(self.buf) < 4 + n:
                return
            self.buf = self.buf[4 + n :]

    def parse(self, head):
        lines = head.decode("latin-1").split("\r\n")
        parts = lines[0].split(" ")
        if len(parts) != 3 or not parts[2].startswith("RTSP/"):
            return None
        headers = {}
        for line in lines[1:]:
            name, colon, value = line.partition(":")
            if colon:
                headers[name.strip().lower()] = value.strip()
        # A body (SET_PARAMETER, ANNOUNCE) is read and thrown away.
        length = int(headers.get("content-length", "0") or "0")
        while len(self.buf) < length and self.remaining() > 0:
            ready, _, _ = select.select([self.sock], [], [], self.remaining())
            if not ready:
                break
            chunk = self.sock.recv(4096)
            if not chunk:
                return None
            self.buf += chunk
        self.buf = self.buf[length:]
        return parts[0], parts[1], headers

    def reply(self, status, headers, cseq, body=b""):
        text = "RTSP/1.0 %s\r\nCSeq: %s\r\nServer: rtspsim\r\n" % (status, cseq)
        for name, value in headers:
            text += "%s: %s\r\n" % (name, value)
        if body:
            text += "Content-Length: %d\r\n" % len(body)
        text += "\r\n"
        self.send(text.encode("latin-1") + body)

    def send(self, data):
        # A client that stops reading must not hold the connection past its
        # lifetime: the send gives up with a timeout (an OSError) instead.
        self.sock.settimeout(max(0.01, self.remaining()))
        self.sock.sendall(data)


PUBLIC = "OPTIONS, DESCRIBE, SETUP, PLAY, TEARDOWN, GET_PARAMETER"
SESSION = "5E55104D"

VALID_SDP = (
    "v=0\r\n"
    "o=- 1 1 IN IP4 127.0.0.1\r\n"
    "s=rtspsim\r\n"
    "c=IN IP4 127.0.0.1\r\n"
    "t=0 0\r\n"
    "a=control:*\r\n"
    "m=video 0 RTP/AVP 96\r\n"
    "a=rtpmap:96 H264/90000\r\n"
    "a=fmtp:96 packetization-mode=1\r\n"
    "a=control:stream=0\r\n"
).encode("ascii")


def garbage_sdp_body():
    # Lines that look like nothing SDP knows, then raw bytes: a parser must
    # end with no stream rather than with a half-read one. The bytes hold no
    # '=', so no line can be read as an SDP field.
    rng = random.Random(GARBAGE_SEED)
    lines = b"".join(b"%d? nonsense %08x <<>> ;;\r\n" % (i, rng.getrandbits(32)) for i in range(8))
    noise = bytes(b if b != ord("=") else ord("?") for b in rng.randbytes(512))
    return lines + noise


def base_of(uri):
    return uri if uri.endswith("/") else uri + "/"


def fault_session(mode, sock):
    conn = RtspConn(sock, time.monotonic() + FAULT_LIFETIME_S)
    if mode == "silent":
        # Never answer, never close: drain what comes until the client goes
        # or the lifetime ends.
        while conn.remaining() > 0:
            ready, _, _ = select.select([sock], [], [], conn.remaining())
            if ready:
                try:
                    if not sock.recv(4096):
                        return
                except OSError:
                    return
        return

    while True:
        req = conn.read_request()
        if req is None or req == "idle":
            return
        method, uri, headers = req
        cseq = headers.get("cseq", "0")
        if method == "OPTIONS":
            conn.reply("200 OK", [("Public", PUBLIC)], cseq)
        elif method == "DESCRIBE":
            body = garbage_sdp_body() if mode == "garbage-sdp" else VALID_SDP
            conn.reply("200 OK", [("Content-Type", "application/sdp"), ("Content-Base", base_of(uri))], cseq, body)
        elif mode == "garbage-sdp":
            conn.reply("454 Session Not Found", [], cseq)
            return
        elif method == "SETUP":
            transport = headers.get("transport", "")
            if "RTP/AVP/TCP" not in transport.upper():
                # Clients try UDP first; 461 sends them to TCP.
                conn.reply("461 Unsupported Transport", [], cseq)
                continue
            conn.reply(
                "200 OK",
                [("Transport", "RTP/AVP/TCP;unicast;interleaved=0-1"), ("Session", SESSION + ";timeout=60")],
                cseq,
            )
        elif method == "PLAY":
            conn.reply("200 OK", [("Session", SESSION), ("Range", "npt=0.000-")], cseq)
            if mode == "undecodable":
                flood(conn, rate=1, first=b"\x41")
            else:
                flood(conn, rate=GARBAGE_RTP_RATE)
            return
        elif method == "TEARDOWN":
            conn.reply("200 OK", [("Session", SESSION)], cseq)
            return
        else:
            conn.reply("200 OK", [("Session", SESSION)], cseq)


def flood(conn, rate, first=b""):
    """RTP packets whose payload is random bytes after `first`, on
    interleaved channel 0, `rate` a second, answering requests in between."""
    rng = random.Random(GARBAGE_SEED)
    seq = rng.getrandbits(16)
    ts = rng.getrandbits(32)
    ssrc = rng.getrandbits(32)
    period = 1.0 / rate
    next_send = time.monotonic()
    while conn.remaining() > 0:
        now = time.monotonic()
        if now >= next_send:
            payload = first + rng.randbytes(GARBAGE_RTP_PAYLOAD)
            header = struct.pack(">BBHII", 0x80, 0x80 | 96, seq, ts, ssrc)
            packet = header + payload
            try:
                conn.send(b"$\x00" + struct.pack(">H", len(packet)) + packet)
            except OSError:
                return
            seq = (seq + 1) & 0xFFFF
            ts = (ts + 90000 // rate) & 0xFFFFFFFF
            next_send += period
            if next_send < now:
                next_send = now + period
            continue
        req = conn.read_request(poll=next_send - now)
        if req is None:
            return
        if req == "idle":
            continue
        method, _uri, headers = req
        cseq = headers.get("cseq", "0")
        try:
            conn.reply("200 OK", [("Session", SESSION)], cseq)
        except OSError:
            return
        if method == "TEARDOWN":
            return


def serve_fault(args):
    def leave(*_):
        sys.stdout.flush()
        os._exit(0)

    # Before the port line: a test may stop the server as soon as it has it.
    signal.signal(signal.SIGTERM, leave)
    signal.signal(signal.SIGINT, leave)

    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    # A restarted server must get the same port back while the old
    # connections sit in TIME_WAIT.
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    try:
        listener.bind(("127.0.0.1", args.port))
    except OSError as e:
        sys.stderr.write("rtspsim: cannot listen on 127.0.0.1:%d: %s\n" % (args.port, e))
        return 1
    listener.listen(64)
    emit(str(listener.getsockname()[1]))
    if not args.quiet:
        sys.stderr.write("rtspsim: fault %s on 127.0.0.1:%d\n" % (args.fault, listener.getsockname()[1]))

    def run(sock):
        try:
            fault_session(args.fault, sock)
        except OSError:
            pass
        finally:
            sock.close()

    while True:
        sock, _ = listener.accept()
        emit("connect")
        threading.Thread(target=run, args=(sock,), daemon=True).start()


def follow_parent(pid, quiet):
    """SIGTERM when the parent goes, however it goes: a test killed by its
    time-out never runs the destructor that would stop this server, and a
    forgotten server keeps a port and an encoder busy on a shared machine."""
    import ctypes

    PR_SET_PDEATHSIG = 1
    libc = ctypes.CDLL(None, use_errno=True)
    if libc.prctl(PR_SET_PDEATHSIG, signal.SIGTERM, 0, 0, 0) != 0:
        sys.stderr.write("rtspsim: cannot follow the parent process\n")
        sys.exit(1)
    # The parent may have gone before the request took effect.
    if os.getppid() != pid:
        if not quiet:
            sys.stderr.write("rtspsim: parent %d is not there\n" % pid)
        sys.exit(0)


def main(argv):
    args = parse_args(argv)
    if args.parent is not None:
        follow_parent(args.parent, args.quiet)
    if args.fault:
        return serve_fault(args)
    return serve_gstreamer(args)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
