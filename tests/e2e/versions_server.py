#!/usr/bin/python3
"""The maker's web server for the bench, on a free loopback port.

    versions_server.py ROOT PORT_FILE LOG

Answers as a web proxy does, so the program keeps its real address and the
prefix's Internet settings send it here: a request for
http://HOST/PATH is answered with the file ROOT/PATH (404 when missing).
Writes the port to PORT_FILE once listening and appends each request line
("GET http://HOST/PATH", the default port left out) to LOG. Stop it with SIGTERM.

A slow server: when ROOT/.answer_delay holds a number of seconds, each
request is held that long after it is logged, the connection open and
silent, before it is answered; then a line "answered" is appended to
LOG.answers (also when the client has gone meanwhile).
"""
import http.server
import os
import signal
import sys
import time
import urllib.parse

root, port_file, log_file = sys.argv[1:4]


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        host = url.netloc[:-3] if url.netloc.endswith(':80') else url.netloc
        path = url.path
        with open(log_file, 'a', encoding='utf-8') as log:
            log.write(f'{self.command} {url.scheme}://{host}{path}\n')
        delay = answer_delay()
        if delay:
            time.sleep(delay)
            try:
                self.answer(path)
            except OSError:
                pass
            with open(log_file + '.answers', 'a', encoding='utf-8') as answers:
                answers.write('answered\n')
        else:
            self.answer(path)

    def answer(self, path):
        local = os.path.join(root, path.lstrip('/'))
        if '..' in path.split('/') or not os.path.isfile(local):
            self.send_error(404)
            return
        with open(local, 'rb') as f:
            body = f.read()
        self.send_response(200)
        self.send_header('Content-Type', 'text/plain')
        self.send_header('Content-Length', str(len(body)))
        self.send_header('Cache-Control', 'no-cache')
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


def answer_delay():
    try:
        with open(os.path.join(root, '.answer_delay'), encoding='utf-8') as f:
            return float(f.read().strip() or 0)
    except (OSError, ValueError):
        return 0


# One thread a request, so a held request does not stop the next one.
server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), Handler)
signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
with open(port_file + '.tmp', 'w') as f:
    f.write(str(server.server_address[1]))
os.replace(port_file + '.tmp', port_file)
server.serve_forever()
