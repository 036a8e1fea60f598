#!/usr/bin/python3
"""The Oracle stand-in's front door: a proxy between PostgreSQL's clients and the server.

It turns the few Oracle statements PostgreSQL cannot read into PostgreSQL and passes everything
else through byte for byte: RENAME, the Oracle column types of CREATE TABLE (their declared form
goes along in a comment that the server's event trigger files in the dictionary), text
literals longer than Oracle allows, PL/SQL blocks (only DBMS_LOCK's named locks run), and
bytes that psqlODBC writes as literals into BLOB and RAW columns (marked as bytes bound in
binary are). A statement whose translation fails becomes a refusal that the client sees, not
the Oracle text sent on. Only the statement texts of simple queries ('Q') and of
Parse ('P') messages are read, and the formats of Bind ('B'); of the server's answers the
login's are read, so that a refused password says what Oracle says (ORA-01017), and errors,
which name an index or key by its Oracle name (ORA-00001 for a duplicate key).

  oracle-front.py --upstream-port P --socket-dir DIR --log FILE --port-file FILE
"""
import argparse
import os
import socket
import struct
import sys
import threading
import time

sys.dont_write_bytecode = True  # nothing written beside the sources
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from oracle_translation import translate, untranslatable  # noqa: E402 (found beside this file)

MESSAGE_LIMIT = 1 << 30  # the server's own limit; the front holds a statement's message whole


class Log:
    """Appends to the server's own log, so that it shows each statement as the client sent it."""

    def __init__(self, path):
        self.fd = os.open(path, os.O_WRONLY | os.O_APPEND | os.O_CREAT, 0o600) if path else None

    def statement(self, sql):
        if self.fd is not None:
            now = time.time()
            stamp = time.strftime("%Y-%m-%d %H:%M:%S", time.gmtime(now)) + f".{int(now * 1000) % 1000:03d} UTC"
            os.write(self.fd, f"{stamp} [front] LOG:  statement: {sql}\n".encode("utf-8", "surrogateescape"))


def translated_message(kind, body, log):
    """The message with its statement text translated; the message itself when nothing changes."""
    try:
        if kind == ord("Q"):
            head, text_end = b"", body.index(b"\0")
        else:
            name_end = body.index(b"\0") + 1
            head, text_end = body[:name_end], body.index(b"\0", name_end)
    except ValueError:  # no text to read: the message goes on as it is, for the server to refuse
        return None
    raw = body[len(head):text_end]
    sql = raw.decode("utf-8", "surrogateescape")
    try:
        new = translate(sql, len(raw))
    except Exception as error:
        print(f"oracle-front: could not translate: {error!r}", file=sys.stderr, flush=True)
        declared = None
        if kind == ord("P") and len(body) >= text_end + 3:
            declared = struct.unpack_from("!h", body, text_end + 1)[0]
        new = untranslatable(sql, error, declared)
    if new is None:
        return None
    log.statement(sql)
    body = head + new.encode("utf-8", "surrogateescape") + body[text_end:]
    return bytes([kind]) + struct.pack("!I", len(body) + 4) + body


def marked_bind(body):
    """Bind with a 0xFF byte before each binary-format value, or None when it has none.

    Only bytes bound as bytes (SQL_C_BINARY) travel in binary format. The BLOB and RAW trigger
    reads every other value as text of hex digits, as Oracle reads text bound for bytes; the
    leading 0xFF, which UTF-8 text never holds, tells it to take these as they are.
    """
    at = body.index(b"\0") + 1
    at = body.index(b"\0", at) + 1
    count = struct.unpack_from("!h", body, at)[0]
    formats = struct.unpack_from(f"!{count}h", body, at + 2)
    if 1 not in formats:
        return None
    at += 2 + 2 * count
    params = struct.unpack_from("!h", body, at)[0]
    parts, start = [body[:at + 2]], at + 2
    for i in range(params):
        size = struct.unpack_from("!i", body, start)[0]
        value = body[start + 4:start + 4 + max(size, 0)]
        binary = (formats[i] if count > 1 else formats[0]) == 1
        if size >= 0 and binary:
            parts.append(struct.pack("!i", size + 1) + b"\xff" + value)
        else:
            parts.append(body[start:start + 4 + max(size, 0)])
        start += 4 + max(size, 0)
    parts.append(body[start:])
    return b"".join(parts)


def translated_bind(body):
    try:
        new = marked_bind(body)
    except (ValueError, IndexError, struct.error):  # a broken Bind goes on as it is, for the server to refuse
        return None
    return None if new is None else b"B" + struct.pack("!I", len(new) + 4) + new


SSL_REQUEST, GSSENC_REQUEST = 80877103, 80877104
STATEMENT_KINDS = (ord("Q"), ord("P"), ord("B"))


class BrokenMessage(Exception):
    pass


class ClientMessages:
    """Reads what a client sends, chunk by chunk: returns what goes on to the server (statement
    texts translated, every other message passed on unread) and what goes back to the client
    (the refusal of TLS and GSS encryption, which the server has neither of)."""

    def __init__(self, log):
        self.log, self.started, self.buffer, self.pending = log, False, bytearray(), 0

    def feed(self, data):
        self.buffer += data
        out, back, at, buffer = [], b"", 0, self.buffer
        while True:
            if self.pending:  # the rest of a message passed on unread
                take = min(self.pending, len(buffer) - at)
                out.append(bytes(buffer[at:at + take]))
                at += take
                self.pending -= take
                if self.pending:
                    break
            if not self.started:
                if len(buffer) - at < 4:
                    break
                size = struct.unpack_from("!I", buffer, at)[0]
                if not 8 <= size <= 10240:
                    raise BrokenMessage(f"startup packet of {size} bytes")
                if len(buffer) - at < size:
                    break
                if struct.unpack_from("!I", buffer, at + 4)[0] in (SSL_REQUEST, GSSENC_REQUEST):
                    back += b"N"
                else:
                    out.append(bytes(buffer[at:at + size]))
                    self.started = True
                at += size
                continue
            if len(buffer) - at < 5:
                break
            kind, size = buffer[at], struct.unpack_from("!I", buffer, at + 1)[0]
            if size < 4 or (kind in STATEMENT_KINDS and size > MESSAGE_LIMIT):
                raise BrokenMessage(f"message {chr(kind)!r} of length {size}")
            if kind not in STATEMENT_KINDS:
                self.pending = size + 1
                continue
            if len(buffer) - at < size + 1:
                break
            message = bytes(buffer[at:at + size + 1])
            if kind == ord("B"):
                translated = translated_bind(message[5:])
            else:
                translated = translated_message(kind, message[5:], self.log)
            out.append(translated or message)
            at += size + 1
        del buffer[:at]
        return b"".join(out), back


# Oracle's words for a login refused for its user name or password.
LOGON_DENIED = b"ORA-01017: invalid username/password; logon denied"
REFUSED_LOGINS = (b"28P01", b"28000")  # invalid_password, invalid_authorization_specification


def oracle_login_error(body):
    """An ErrorResponse's fields with the message of a refused login replaced by Oracle's."""
    fields = body.rstrip(b"\0").split(b"\0")
    if not any(field[:1] == b"C" and field[1:] in REFUSED_LOGINS for field in fields):
        return body
    return b"\0".join(b"M" + LOGON_DENIED if field[:1] == b"M" else field for field in fields) + b"\0\0"


INDEX_SUFFIX = b"~i"  # see oracle_translation.INDEX_SUFFIX
UNIQUE_VIOLATION = b"23505"


def oracle_error(body):
    """An ErrorResponse's fields in Oracle's words where they name an index or key: the Oracle
    name, and a duplicate key as ORA-00001 naming the constraint with its schema."""
    fields = body.rstrip(b"\0").split(b"\0")
    code = next((field[1:] for field in fields if field[:1] == b"C"), b"")
    schema = next((field[1:] for field in fields if field[:1] == b"s"), b"")
    key = next((field[1:] for field in fields if field[:1] == b"n"), None)
    if key is not None and key.endswith(INDEX_SUFFIX):
        key = key[:-len(INDEX_SUFFIX)]
    renamed = []
    for field in fields:
        if field[:1] == b"M" and code == UNIQUE_VIOLATION and key is not None:
            field = b"MORA-00001: unique constraint (" + schema.upper() + b"." + key + b") violated"
        elif field[:1] in (b"M", b"D", b"n"):
            field = field.replace(INDEX_SUFFIX + b'"', b'"')
            if field[:1] == b"n" and field.endswith(INDEX_SUFFIX):
                field = field[:-len(INDEX_SUFFIX)]
        renamed.append(field)
    return b"\0".join(renamed) + b"\0\0"


class ServerAnswers:
    """Reads the server's answers: the login's, and after it the headers only, to find errors
    (rare), which it rewrites in Oracle's words; every other message goes on unread."""

    def __init__(self):
        self.logged_in, self.buffer, self.unread = False, bytearray(), 0

    def feed(self, data):
        if self.logged_in:
            return self.answers(data), b""
        self.buffer += data
        out, at, buffer = [], 0, self.buffer
        while len(buffer) - at >= 5:
            kind, size = buffer[at], struct.unpack_from("!I", buffer, at + 1)[0]
            if len(buffer) - at < size + 1:
                break
            body = bytes(buffer[at + 5:at + size + 1])
            if kind == ord("E"):
                body = oracle_login_error(body)
            elif kind == ord("R") and struct.unpack_from("!I", body)[0] == 0:  # AuthenticationOk
                self.logged_in = True
            out.append(bytes([kind]) + struct.pack("!I", len(body) + 4) + body)
            at += size + 1
            if self.logged_in:
                rest = bytes(buffer[at:])
                self.buffer = bytearray()
                out.append(self.answers(rest))
                return b"".join(out), b""
        del buffer[:at]
        return b"".join(out), b""

    def answers(self, data):
        """The answers after the login: whole messages pass on as they come, but for errors."""
        if self.unread >= len(data):
            self.unread -= len(data)
            return data
        if self.buffer:
            data = bytes(self.buffer) + data
            self.buffer = bytearray()
        out, start, at, end = [], 0, self.unread, len(data)
        while at + 5 <= end:
            size = struct.unpack_from("!I", data, at + 1)[0]
            if data[at] == ord("E"):
                if at + size + 1 > end:
                    break  # an error is read whole
                out.append(data[start:at])
                body = oracle_error(data[at + 5:at + size + 1])
                out.append(b"E" + struct.pack("!I", len(body) + 4) + body)
                start = at + size + 1
            at += size + 1
        if at >= end:
            self.unread = at - end
            out.append(data[start:])
        else:  # a header, or an error, that the next data completes
            self.unread = 0
            out.append(data[start:at])
            self.buffer = bytearray(data[at:])
        return b"".join(out)


def pump(source, sink, messages=None):
    """Copies one direction of a connection until either side ends it; a client's bytes are read
    through messages. Whatever goes wrong ends this connection, and only it."""
    try:
        while data := source.recv(1 << 16):
            if messages is not None:
                data, back = messages.feed(data)
                if back:
                    source.sendall(back)
            if data:
                sink.sendall(data)
    except OSError:
        pass  # a side went away
    except Exception as error:
        print(f"oracle-front: connection closed: {error!r}", file=sys.stderr, flush=True)
    finally:
        for side in (source, sink):
            try:
                side.shutdown(socket.SHUT_RDWR)  # wakes the other direction's pump
            except OSError:
                pass


def serve(client, connect, log):
    """One client's connection, a thread per direction: each waits in the kernel, not in an event
    loop, so that a round trip costs the front little more than its two copies."""
    try:
        server = connect()
    except OSError as error:
        print(f"oracle-front: no server: {error}", file=sys.stderr, flush=True)
        client.close()
        return
    answers = threading.Thread(target=pump, args=(server, client, ServerAnswers()), daemon=True)
    answers.start()
    pump(client, server, ClientMessages(log))
    answers.join()
    client.close()
    server.close()


def accept_forever(listener, connect, log):
    while True:
        client, _ = listener.accept()
        if client.family == socket.AF_INET:
            client.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        threading.Thread(target=serve, args=(client, connect, log), daemon=True).start()


def main():
    options = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    options.add_argument("--upstream-port", type=int, required=True)
    options.add_argument("--socket-dir", required=True)
    options.add_argument("--log")
    options.add_argument("--port-file", required=True)
    args = options.parse_args()
    log = Log(args.log)
    upstream_socket = os.path.join(args.socket_dir, f".s.PGSQL.{args.upstream_port}")

    def tcp():
        server = socket.create_connection(("127.0.0.1", args.upstream_port))
        server.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        return server

    def local():
        server = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        try:
            server.connect(upstream_socket)
        except OSError:
            server.close()
            raise
        return server

    tcp_listener = socket.create_server(("127.0.0.1", 0), backlog=128)
    port = tcp_listener.getsockname()[1]
    path = os.path.join(args.socket_dir, f".s.PGSQL.{port}")
    local_listener = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    local_listener.bind(path)
    local_listener.listen(128)
    os.chmod(path, 0o777)
    with open(args.port_file + ".new", "w") as f:
        f.write(f"{port}\n")
    os.rename(args.port_file + ".new", args.port_file)
    threading.Thread(target=accept_forever, args=(tcp_listener, tcp, log), daemon=True).start()
    accept_forever(local_listener, local, log)


if __name__ == "__main__":
    main()
