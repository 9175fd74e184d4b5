"""A scripted HTTP peer on loopback for exact byte-level exchanges.

usage: http_peer.py MODE RECORD [ARG]
Prints its port on the first line of stdout, then serves connections one
after another until killed. Every request (head and body) is appended to
RECORD. Modes:
  reply FILE   answer with the bytes of FILE, then close
  big N        answer 200 with an N-byte patterned body, then close
  hold         answer with a status line, a header and a little body, then
               keep the connection open until the client closes it
  reset        answer with a status line and half a body, then reset
  early        answer 413 as soon as the head arrives, keep reading the
               body, close when the client stops
  silent       read the request, close without answering
"""
import socket
import struct
import sys


def pattern(n):
    block = bytes((i * 7 + 3) % 251 for i in range(251))
    return (block * (n // 251 + 1))[:n]


def read_request(conn):
    data = b""
    while b"\r\n\r\n" not in data:
        chunk = conn.recv(65536)
        if not chunk:
            return data
        data += chunk
    head, _, body = data.partition(b"\r\n\r\n")
    length = 0
    for line in head.split(b"\r\n")[1:]:
        name, _, value = line.partition(b":")
        if name.strip().lower() == b"content-length":
            length = int(value.strip())
    while len(body) < length:
        chunk = conn.recv(65536)
        if not chunk:
            break
        body += chunk
    return head + b"\r\n\r\n" + body


def main():
    mode, record = sys.argv[1], sys.argv[2]
    arg = sys.argv[3] if len(sys.argv) > 3 else None
    server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", 0))
    server.listen(8)
    print(server.getsockname()[1], flush=True)
    while True:
        conn, _ = server.accept()
        try:
            if mode == "early":
                data = b""
                while b"\r\n\r\n" not in data:
                    chunk = conn.recv(65536)
                    if not chunk:
                        break
                    data += chunk
                conn.sendall(b"HTTP/1.0 413 Too Large\r\nX-Why: early\r\n\r\nno")
                while True:
                    chunk = conn.recv(65536)
                    if not chunk:
                        break
                    data += chunk
                with open(record, "ab") as f:
                    f.write(data)
                continue
            request = read_request(conn)
            with open(record, "ab") as f:
                f.write(request)
            if mode == "reply":
                with open(arg, "rb") as f:
                    conn.sendall(f.read())
            elif mode == "big":
                n = int(arg)
                conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Length: %d\r\n\r\n" % n)
                body = pattern(n)
                view = memoryview(body)
                for at in range(0, n, 1 << 20):
                    conn.sendall(view[at:at + (1 << 20)])
            elif mode == "hold":
                conn.sendall(b"HTTP/1.0 200 OK\r\nX-Hold: yes\r\n\r\nwaiting")
                while conn.recv(65536):
                    pass
            elif mode == "silent":
                pass
            elif mode == "reset":
                conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\nhalf")
                conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER,
                                struct.pack("ii", 1, 0))
        except OSError:
            pass
        finally:
            conn.close()


if __name__ == "__main__":
    main()
