#!/usr/bin/env python3
"""A display whose connection breaks in the middle of setting a mode.

Usage: cut_display.py SERVER_NUMBER WIDTH

Listens on 127.0.0.1 at the first free X port above 6100 and prints its display number; passes
each connection through to the local X server :SERVER_NUMBER, until the client asks for a window
WIDTH pixels wide: then that connection is closed both ways before the server sees the request,
as when the server goes away or kills the client at that moment.
"""
import socket
import struct
import sys
import threading

CREATE_WINDOW = 1


def copy(source, target):
    try:
        while data := source.recv(65536):
            target.sendall(data)
    except OSError:
        pass
    for end in (source, target):
        end.close()


def requests(client, order):
    """Yields each whole request the client sends, the connection set-up first."""
    buffered = b""

    def take(count):
        nonlocal buffered
        while len(buffered) < count:
            data = client.recv(65536)
            if not data:
                raise EOFError
            buffered += data
        part, buffered = buffered[:count], buffered[count:]
        return part

    head = take(12)
    order.append("<" if head[:1] == b"l" else ">")
    name, data = struct.unpack(order[0] + "6xHH2x", head)
    yield head + take((name + 3) // 4 * 4 + (data + 3) // 4 * 4)
    while True:
        head = take(4)
        (units,) = struct.unpack(order[0] + "2xH", head)
        if units == 0:  # a big request: its length follows
            more = take(4)
            (units,) = struct.unpack(order[0] + "I", more)
            head, units = head + more, units - 1
        yield head + take(units * 4 - 4)


def serve(client, server_number, width):
    server = socket.socket(socket.AF_UNIX)
    server.connect(f"/tmp/.X11-unix/X{server_number}")
    threading.Thread(target=copy, args=(server, client), daemon=True).start()
    order = []
    try:
        for number, request in enumerate(requests(client, order)):
            if number > 0 and request[0] == CREATE_WINDOW and len(request) >= 20:
                if struct.unpack(order[0] + "H", request[16:18])[0] == width:
                    break
            server.sendall(request)
    except (EOFError, OSError):
        pass
    for end in (client, server):
        try:
            end.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
        end.close()


def main():
    server_number, width = int(sys.argv[1]), int(sys.argv[2])
    listener = socket.socket()
    for number in range(100, 3000):
        try:
            listener.bind(("127.0.0.1", 6000 + number))
            break
        except OSError:
            continue
    listener.listen()
    print(number, flush=True)
    while True:
        client, _ = listener.accept()
        threading.Thread(target=serve, args=(client, server_number, width), daemon=True).start()


main()
