#!/usr/bin/env python3
"""Serves the provider's update set on loopback: update-server.py FOLDER PORTFILE LOGFILE.

The folder is served as the web root, on a free port of 127.0.0.1 that is written to PORTFILE once the
server listens. Paths are percent-decoded as the wizard encodes them (CP1250 bytes), so "Vandrel
levelezés.url" is found under its UTF-8 host name. One line per request goes to LOGFILE.
"""
import functools
import http.server
import os
import sys
import urllib.parse


class Handler(http.server.SimpleHTTPRequestHandler):
    def translate_path(self, path):
        path = path.split("?", 1)[0].split("#", 1)[0]
        name = urllib.parse.unquote(path, encoding="cp1250")
        return super().translate_path(urllib.parse.quote(name))

    def log_request(self, code="-", size="-"):
        with open(sys.argv[3], "a", encoding="utf-8") as log:
            path = urllib.parse.unquote(self.path, encoding="cp1250")
            log.write("%s %s %s\n" % (self.command, path, getattr(code, "value", code)))

    def log_message(self, format, *args):
        pass


def main():
    folder, port_file = sys.argv[1], sys.argv[2]
    handler = functools.partial(Handler, directory=folder)
    with http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler) as server:
        with open(port_file + ".new", "w") as out:
            out.write(str(server.server_address[1]))
        os.replace(port_file + ".new", port_file)
        server.serve_forever()


if __name__ == "__main__":
    main()
