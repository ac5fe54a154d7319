// The Python scripts of the loopback servers (http, https, proxy, ftp) that the download tests
// and the download benchmark start, and the bytes the http server sends.
#pragma once

#include <cstdint>

namespace calmora::test {

// Debian's interpreter, which has the ftp server module.
inline constexpr const char* kPython = "/usr/bin/python3";

// Byte i of every body the http server sends: a pattern that does not repeat within a block,
// so a lost, doubled or reordered block shows.
inline uint8_t ServedByte(int64_t i) {
  const int64_t j = i % 65521;
  return static_cast<uint8_t>((j * 31 + j / 251) & 255);
}

// The http server. Paths (with "?n=" the body length, 1000 when absent; with "?file=" the
// bytes of that file in the server's folder instead of the pattern):
// /whole (with length, type image/x-test), /nolength (no length, closes to end), /short
// (announces n, sends half), /slow (eight pieces 0.1 s apart), /stall (a quarter, then
// silence), /silent (no answer at all), /missing (404 with a body), /redirect (to /whole),
// /loop (to itself), /toftp (to an ftp address), /huge (announces 10^15 bytes, sends n),
// /endless (a chunked body of no end, sent as fast as it is taken, for at most the time limit),
// /trickle (announces n, sends one byte every 0.1 s). Absolute request lines (proxy mode) are
// served the same way. Each request logs one line: request line | agent | authorization |
// proxy authorization | cache control.
inline constexpr const char* kHttpServerScript = R"PY(
import http.server, os, ssl, sys, threading, time, urllib.parse
folder, limit = sys.argv[1], float(sys.argv[2])
threading.Timer(limit, lambda: os._exit(0)).start()
block = bytes(((j * 31 + j // 251) & 255) for j in range(65521))
def body(n):
    return (block * (n // len(block) + 1))[:n]
lock = threading.Lock()
class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = 'HTTP/1.1'
    def log_message(self, *args):
        pass
    def head(self, status, length=None, extra=()):
        self.send_response(status)
        self.send_header('Content-Type', 'image/x-test')
        if length is not None:
            self.send_header('Content-Length', str(length))
        for name, value in extra:
            self.send_header(name, value)
        self.end_headers()
    def do_GET(self):
        h = self.headers
        with lock, open(os.path.join(folder, 'requests.log'), 'a') as log:
            log.write('|'.join([self.requestline, h.get('User-Agent', ''), h.get('Authorization', ''),
                                h.get('Proxy-Authorization', ''), h.get('Cache-Control', '')]) + '\n')
        url = urllib.parse.urlsplit(self.path)
        kind = url.path.strip('/')
        query = dict(urllib.parse.parse_qsl(url.query))
        if 'file' in query:
            with open(os.path.join(folder, query['file']), 'rb') as f:
                data = f.read()
        else:
            data = body(int(query.get('n', '1000')))
        n = len(data)
        if kind == 'whole':
            self.head(200, n); self.wfile.write(data)
        elif kind == 'nolength':
            self.close_connection = True
            self.head(200, None, [('Connection', 'close')]); self.wfile.write(data)
        elif kind == 'short':
            self.close_connection = True
            self.head(200, n); self.wfile.write(data[:n // 2])
        elif kind == 'slow':
            self.head(200, n)
            for i in range(8):
                self.wfile.write(data[i * n // 8:(i + 1) * n // 8]); self.wfile.flush(); time.sleep(0.1)
        elif kind == 'stall':
            self.head(200, n); self.wfile.write(data[:n // 4]); self.wfile.flush(); time.sleep(limit)
        elif kind == 'huge':
            self.close_connection = True
            self.head(200, 10 ** 15); self.wfile.write(data)
        elif kind == 'endless':
            self.close_connection = True
            self.head(200, None, [('Transfer-Encoding', 'chunked')])
            chunk = b'%x\r\n' % len(block) + block + b'\r\n'
            deadline = time.time() + limit
            try:
                while time.time() < deadline:
                    self.wfile.write(chunk)
            except OSError:
                pass
        elif kind == 'trickle':
            self.close_connection = True
            self.head(200, n)
            try:
                for i in range(n):
                    self.wfile.write(data[i:i + 1]); self.wfile.flush(); time.sleep(0.1)
            except OSError:
                pass
        elif kind == 'silent':
            time.sleep(limit)
        elif kind == 'missing':
            self.head(404, 8); self.wfile.write(b'not here')
        elif kind == 'redirect':
            self.head(302, 0, [('Location', '/whole?' + url.query)])
        elif kind == 'loop':
            self.head(302, 0, [('Location', '/loop')])
        elif kind == 'toftp':
            self.head(302, 0, [('Location', 'ftp://127.0.0.1:9/x.gif')])
        else:
            self.head(500, 0)
server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), Handler)
server.daemon_threads = True
if len(sys.argv) > 4:
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(sys.argv[3], sys.argv[4])
    server.socket = context.wrap_socket(server.socket, server_side=True)
with open(os.path.join(folder, 'port.tmp'), 'w') as f:
    f.write(str(server.server_address[1]))
os.rename(os.path.join(folder, 'port.tmp'), os.path.join(folder, 'port'))
server.serve_forever()
)PY";

// The ftp server over the folder: anonymous, or user "user" with password "secret". A file
// whose name holds "cut" breaks off after its first 1000 bytes, as a failing disk would.
inline constexpr const char* kFtpServerScript = R"PY(
import os, sys, threading
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer
folder, limit = sys.argv[1], float(sys.argv[2])
threading.Timer(limit, lambda: os._exit(0)).start()
class CutFile:
    def __init__(self, f):
        self.f, self.name, self.sent = f, f.name, False
    @property
    def closed(self):
        return self.f.closed
    def read(self, n):
        if self.sent:
            raise OSError('the disk went away')
        self.sent = True
        return self.f.read(1000)
    def seek(self, *args):
        return self.f.seek(*args)
    def close(self):
        self.f.close()
class Files(AbstractedFS):
    def open(self, filename, mode):
        f = super().open(filename, mode)
        return CutFile(f) if 'cut' in os.path.basename(filename) else f
authorizer = DummyAuthorizer()
authorizer.add_anonymous(folder)
authorizer.add_user('user', 'secret', folder)
FTPHandler.authorizer = authorizer
FTPHandler.abstracted_fs = Files
FTPHandler.use_sendfile = False
FTPHandler.auth_failed_timeout = 0
server = FTPServer(('127.0.0.1', 0), FTPHandler)
with open(os.path.join(folder, 'port.tmp'), 'w') as f:
    f.write(str(server.address[1]))
os.rename(os.path.join(folder, 'port.tmp'), os.path.join(folder, 'port'))
server.serve_forever()
)PY";

}  // namespace calmora::test
