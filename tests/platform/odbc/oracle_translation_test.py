#!/usr/bin/python3
"""The Oracle stand-in front's statement translation (tools/oracle_translation.py) and how the
front (tools/oracle-front.py) carries it, without a server.

The translations are the cases of oracle-translations.test beside this file; the texts built
here are those too long to write there, which once took the reader exponential or quadratic time
and would keep this test from ending.
"""
import contextlib
import importlib.util
import io
import itertools
import os
import struct
import sys
import unittest

sys.dont_write_bytecode = True
HERE = os.path.dirname(os.path.abspath(__file__))
TOOLS = os.path.join(HERE, "..", "..", "..", "tools")
sys.path.insert(0, TOOLS)
import oracle_translation  # noqa: E402
from oracle_translation import failing, translate  # noqa: E402

CASES_FILE = os.path.join(HERE, "oracle-translations.test")


class Case:
    def __init__(self, line, header, statement, expected):
        self.line, self.header, self.statement, self.expected = line, header, statement, expected

    def expected_translation(self):
        kind, *argument = self.header.split(maxsplit=1)
        if kind == "translate" and not argument and self.expected is not None:
            return self.expected
        if kind == "unchanged" and not argument and self.expected is None:
            return None
        if kind == "refused" and argument and self.expected is not None:
            return failing(argument[0], self.expected)
        raise ValueError(f"{CASES_FILE}:{self.line}: a case of unknown shape: {self.header!r}")


def read_cases(path):
    """The file's cases in order: a header line, the statement's lines, and after "----" the
    expected lines, up to a blank line."""
    with open(path, encoding="utf-8") as file:
        cases, lines = [], file.read().split("\n")
    at = 0
    while at < len(lines):
        if not lines[at].strip() or lines[at].startswith("#"):
            at += 1
            continue
        start, header, body = at + 1, lines[at], []
        at += 1
        while at < len(lines) and lines[at] != "":
            body.append(lines[at])
            at += 1
        if "----" in body:
            split = body.index("----")
            statement, expected = body[:split], "\n".join(body[split + 1:])
        else:
            statement, expected = body, None
        if not statement:
            raise ValueError(f"{path}:{start}: a case without a statement")
        cases.append(Case(start, header, "\n".join(statement), expected))
    return cases


def translated(sql):
    return translate(sql, len(sql.encode()))


def columns(table, *described):
    return (f'/*oracle-columns {{"table": "{table}", "columns": [' + ", ".join(described) +
            '], "checks": {}}*/')


class TranslationTest(unittest.TestCase):
    def setUp(self):
        oracle_translation.BYTE_COLUMNS.clear()
        oracle_translation.check_names = itertools.count(1)

    def test_cases_of_the_file(self):
        cases = read_cases(CASES_FILE)
        self.assertGreater(len(cases), 40)
        for case in cases:
            with self.subTest(line=case.line, statement=case.statement[:80]):
                self.assertEqual(translated(case.statement), case.expected_translation())

    def test_long_texts(self):
        long_text = "x" * 4001
        for sql, expected in [
            # Blanks before no word, and comments left open many times over.
            (" \t\n" * 20 + "(SELECT 1)", None),
            ('CREATE TABLE "T" ("A" NUMBER)' + " /*" * 40000,
             'CREATE TABLE "T" ("A" numeric) ' + columns("T", '["A", "NUMBER", 22, null, null, 0, null, null]') +
             " /*" * 40000),
            # Oracle's literal limit counts bytes, a doubled quote as one; bound rows have none.
            (f"SELECT '{long_text[1:]}'", None),
            (f"SELECT '{'é' * 2001}'", failing("54000", "ORA-01704: string literal too long")),
            (f"SELECT '{long_text[2:]}'''''", failing("54000", "ORA-01704: string literal too long")),
            (f"INSERT INTO \"T\" VALUES ('{long_text}');INSERT INTO \"T\" VALUES ('x')", None),
        ]:
            with self.subTest(sql=sql[:80]):
                self.assertEqual(translated(sql), expected)


def load_front():
    spec = importlib.util.spec_from_file_location("oracle_front", os.path.join(TOOLS, "oracle-front.py"))
    front = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(front)
    return front


class FrontTest(unittest.TestCase):
    """A translation that fails reaches the client as an error; the Oracle text is not sent on."""

    def test_a_failed_translation_becomes_a_refusal(self):
        front = load_front()

        def broken(sql, size):
            raise RuntimeError("no reading")

        front.translate = broken
        log = front.Log(None)
        refusal = failing("XX000", "the Oracle stand-in could not translate the statement: RuntimeError('no reading')")
        query = b"SELECT $1\0"
        parse_declaring = b"s1\0SELECT :a\0" + struct.pack("!hii", 2, 25, 25)
        parse_numbered = b"\0SELECT $3, 'x'\0" + struct.pack("!h", 0)
        for kind, body, text, rest in [
            ("Q", query, refusal, b"\0"),
            ("P", parse_declaring, f"{refusal} FROM (SELECT $1::text, $2::text) AS parameters", parse_declaring[12:]),
            ("P", parse_numbered, f"{refusal} FROM (SELECT $1::text, $2::text, $3::text) AS parameters",
             parse_numbered[15:]),
        ]:
            with self.subTest(kind=kind, body=body), contextlib.redirect_stderr(io.StringIO()) as said:
                message = front.translated_message(ord(kind), body, log)
                self.assertIn("could not translate: RuntimeError('no reading')", said.getvalue())
                head = b"s1\0" if body.startswith(b"s1\0") else (b"\0" if kind == "P" else b"")
                expected_body = head + text.encode() + rest
                self.assertEqual(message, kind.encode() + struct.pack("!I", len(expected_body) + 4) + expected_body)

    def test_errors_name_indexes_and_keys_as_oracle_does_however_the_answers_arrive(self):
        front = load_front()

        def message(kind, body):
            return kind + struct.pack("!I", len(body) + 4) + body

        def error(*fields):
            return message(b"E", b"\0".join(fields) + b"\0\0")

        ready, row = message(b"R", struct.pack("!I", 0)), message(b"D", struct.pack("!hi", 1, 4) + b'"~i"')
        same = error(b"SERROR", b"C42P01", b'Mrelation "T~ix" does not exist')
        for sent, expected in [
            (error(b"SERROR", b"C23505", b'Mduplicate key value violates unique constraint "REGION~i"',
                   b'DKey ("ID")=(1) already exists.', b"sscott", b"tREGION", b"nREGION~i"),
             error(b"SERROR", b"C23505", b"MORA-00001: unique constraint (SCOTT.REGION) violated",
                   b'DKey ("ID")=(1) already exists.', b"sscott", b"tREGION", b"nREGION")),
            (error(b"SERROR", b"C42P07", b'Mrelation "REGION~i" already exists'),
             error(b"SERROR", b"C42P07", b'Mrelation "REGION" already exists')),
            (same, same),
        ]:
            stream = ready + row + sent + row
            for split in range(len(stream) + 1):
                with self.subTest(sent=sent, split=split):
                    answers = front.ServerAnswers()
                    out = answers.feed(stream[:split])[0] + answers.feed(stream[split:])[0]
                    self.assertEqual(out, ready + row + expected + row)


if __name__ == "__main__":
    unittest.main()
