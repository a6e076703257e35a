#!/usr/bin/python3
"""The maker's web server for the bench, on a free loopback port.

    versions_server.py ROOT PORT_FILE LOG

Answers as a web proxy does, so the program keeps its real address and the
prefix's Internet settings send it here: a request for
http://HOST/PATH is answered with the file ROOT/PATH (404 when missing).
Writes the port to PORT_FILE once listening and appends each request line
("GET http://HOST/PATH", the default port left out) to LOG. Stop it with SIGTERM.
"""
import http.server
import os
import signal
import sys
import urllib.parse

root, port_file, log_file = sys.argv[1:4]


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        host = url.netloc[:-3] if url.netloc.endswith(':80') else url.netloc
        path = url.path
        with open(log_file, 'a', encoding='utf-8') as log:
            log.write(f'{self.command} {url.scheme}://{host}{path}\n')
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


server = http.server.HTTPServer(('127.0.0.1', 0), Handler)
signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
with open(port_file + '.tmp', 'w') as f:
    f.write(str(server.server_address[1]))
os.replace(port_file + '.tmp', port_file)
server.serve_forever()
