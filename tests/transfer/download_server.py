"""A small HTTP server on loopback for the download tests, on Python's standard library.

Files are served by name under a mode that sets how the server answers:
  /plain/NAME    Content-Length, ranges, ETag and If-Range, as a good server does
  /chunked/NAME  no length at all (chunked); ranges answered as "bytes a-b/*", 416 past the end
  /norange/NAME  ranges ignored: always 200 with the whole file
  /noifrange/NAME  ranges served but If-Range ignored (a careless server)
  /stall/NAME    like plain, but each answer stops after STALL_AFTER bytes, waits and drops the
                 connection
  /slow/NAME     like plain, at about SLOW_RATE bytes a second
Setting rate (bytes a second) slows every mode down the same way.
  /status/CODE   that status with an HTML error page
Every request is logged with its Range and If-Range headers; a hook can look at the disk the
moment a request comes in."""
import hashlib
import http.server
import ssl
import threading
import time


class Files:
    def __init__(self):
        self.content = {}
        self.etags = {}

    def put(self, name, data):
        self.content[name] = data
        self.etags[name] = '"%s"' % hashlib.sha1(data).hexdigest()[:16]


class Server:
    STALL_AFTER = 700 * 1024
    SLOW_RATE = 2 * 1024 * 1024

    def __init__(self, certificate=None):
        self.files = Files()
        self.rate = None
        self.log = []
        self.on_request = None
        self.lock = threading.Lock()
        owner = self

        class Handler(http.server.BaseHTTPRequestHandler):
            protocol_version = "HTTP/1.1"
            # As real servers do: headers and body go out without waiting for the client's
            # acknowledgement (otherwise every pass would wait out a delayed acknowledgement).
            disable_nagle_algorithm = True

            def log_message(self, *args):
                pass

            def do_GET(self):
                owner.handle(self)

        class Quiet(http.server.ThreadingHTTPServer):
            def handle_error(self, request, client_address):
                pass  # clients cut passes short on purpose; a broken pipe is no news

        self.httpd = Quiet(("127.0.0.1", 0), Handler)
        self.httpd.daemon_threads = True
        self.scheme = "http"
        if certificate:
            context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
            context.load_cert_chain(*certificate)
            self.httpd.socket = context.wrap_socket(self.httpd.socket, server_side=True)
            self.scheme = "https"
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)

    def __enter__(self):
        self.thread.start()
        return self

    def __exit__(self, *args):
        self.httpd.shutdown()
        self.httpd.server_close()

    def url(self, path):
        return "%s://127.0.0.1:%d%s" % (self.scheme, self.httpd.server_address[1], path)

    def requests(self, path=None):
        with self.lock:
            return [r for r in self.log if path is None or r["path"] == path]

    def handle(self, request):
        entry = {"path": request.path, "range": request.headers.get("Range"),
                 "if_range": request.headers.get("If-Range"), "time": time.monotonic()}
        with self.lock:
            self.log.append(entry)
        if self.on_request:
            self.on_request(entry)
        parts = request.path.split("/", 2)
        mode, name = (parts[1], parts[2]) if len(parts) == 3 else ("", "")
        if mode == "status":
            body = ("<html><body><h1>Error %s</h1>%s</body></html>" % (name, "x" * 5000)).encode()
            request.send_response(int(name))
            request.send_header("Content-Type", "text/html")
            request.send_header("Content-Length", str(len(body)))
            request.end_headers()
            request.wfile.write(body)
            return
        data = self.files.content.get(name)
        if data is None:
            request.send_error(404)
            return
        etag = self.files.etags[name]
        start, end = self.range_of(request, mode, etag)
        if start is not None and start >= len(data) and len(data) > 0:
            request.send_response(416)
            request.send_header("Content-Range", "bytes */%s" % ("*" if mode == "chunked" else len(data)))
            request.send_header("Content-Length", "0")
            request.end_headers()
            return
        last = len(data) - 1 if end is None or mode == "chunked" else min(end, len(data) - 1)
        body = memoryview(data)[start or 0:last + 1]
        request.send_response(206 if start is not None else 200)
        request.send_header("ETag", etag)
        request.send_header("Accept-Ranges", "none" if mode == "norange" else "bytes")
        if start is not None:
            request.send_header("Content-Range", "bytes %d-%d/%s" % (
                start, last, "*" if mode == "chunked" else len(data)))
        if mode == "chunked":
            request.send_header("Transfer-Encoding", "chunked")
            request.end_headers()
            for at in range(0, len(body), 64 * 1024):
                piece = body[at:at + 64 * 1024]
                request.wfile.write(b"%x\r\n" % len(piece) + piece + b"\r\n")
            request.wfile.write(b"0\r\n\r\n")
            return
        request.send_header("Content-Length", str(len(body)))
        request.end_headers()
        if mode == "stall":
            request.wfile.write(body[:self.STALL_AFTER])
            request.wfile.flush()
            time.sleep(1.0)
            request.close_connection = True
            return
        rate = self.SLOW_RATE if mode == "slow" else self.rate
        if not rate:
            request.wfile.write(body)
            return
        step = 64 * 1024
        for at in range(0, len(body), step):
            request.wfile.write(body[at:at + step])
            time.sleep(step / rate)

    @staticmethod
    def range_of(request, mode, etag):
        """(first, last) asked for ("bytes=first-" or "bytes=first-last"), or (None, None) for
        the whole file."""
        header = request.headers.get("Range")
        if not header or mode == "norange" or not header.startswith("bytes=") or "," in header:
            return None, None
        if_range = request.headers.get("If-Range")
        if if_range is not None and if_range != etag and mode != "noifrange":
            return None, None
        first, _, last = header[6:].partition("-")
        return int(first), (int(last) if last else None)
