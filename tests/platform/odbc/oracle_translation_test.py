#!/usr/bin/python3
"""The Oracle stand-in front's statement translation (tools/oracle_translation.py), case by case.

Each case is a statement and what translate() makes of it: None where it goes on as it is. The
texts that once took the reader exponential or quadratic time would keep this test from ending.
"""
import os
import sys
import unittest

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "tools"))
from oracle_translation import translate  # noqa: E402

REQUEST = ("DECLARE r INTEGER; BEGIN r := DBMS_LOCK.REQUEST({}, DBMS_LOCK.X_MODE, 0, FALSE); IF r NOT IN (0, 4) "
           "THEN RAISE_APPLICATION_ERROR({}, '{}'); END IF; END;")
RELEASE = "DECLARE r INTEGER; BEGIN r := DBMS_LOCK.RELEASE({}); END;"
NO_BLOCK = ("SELECT public.oracle_raise('0A000', 'the Oracle stand-in runs no PL/SQL block but DBMS_LOCK.REQUEST "
            "and DBMS_LOCK.RELEASE in the shapes the program sends')")


def columns(table, *described):
    return (f'/*oracle-columns {{"table": "{table}", "columns": [' + ", ".join(described) +
            '], "checks": {}}*/')


CASES = [
    # Blanks before no word, and comments left open many times over.
    (" \t\n" * 20 + "(SELECT 1)", None),
    ('CREATE TABLE "T" ("A" NUMBER)' + " /*" * 40000,
     'CREATE TABLE "T" ("A" numeric) ' + columns("T", '["A", "NUMBER", 22, null, null, 0, null]') + " /*" * 40000),
    # A negative scale rounds to the left of the point.
    ('CREATE TABLE "T" ("A" NUMBER(7,-2), "B" DECIMAL(5, -1), "C" NUMBER(*,2))',
     'CREATE TABLE "T" ("A" numeric(7,-2), "B" numeric(5,-1), "C" numeric(38,2)) ' +
     columns("T", '["A", "NUMBER", 22, 7, -2, 0, null]', '["B", "NUMBER", 22, 5, -1, 0, null]',
             '["C", "NUMBER", 22, null, 2, 0, null]')),
    # A name holding the words of the front's own comment.
    ('CREATE TABLE "T" ("/*oracle-columns " DATE)',
     'CREATE TABLE "T" ("/*oracle-columns " timestamp(0)) ' +
     columns("T", '["/\\u002aoracle-columns ", "DATE", 7, null, null, 0, null]')),
    ('CREATE TABLE "T" ("A" DATE) ' + columns("T", '["A", "DATE", 7, null, null, 0, null]'), None),
    # The named lock, as the program sends it and spelt otherwise.
    (REQUEST.format(42, -20100, "held by another session"),
     "CALL public.oracle_lock_request(42, 'ORA-20100: held by another session')"),
    (REQUEST.lower().replace(" ", "\n").replace("\n:=", ":=").format(1073741823, -20999, "it''s taken"),
     "CALL public.oracle_lock_request(1073741823, 'ORA-20999: it''s taken')"),
    (RELEASE.format(0), "CALL public.oracle_lock_release(0)"),
    (" declare r integer;begin r:=dbms_lock.release( 7 );end; ", "CALL public.oracle_lock_release(7)"),
    # Out of Oracle's ranges, or another shape: no block the stand-in runs.
    (RELEASE.format(1073741824), NO_BLOCK),
    (REQUEST.format(1, -19999, "x"), NO_BLOCK),
    (REQUEST.format(1, -20100, "x").replace("X_MODE", "S_MODE"), NO_BLOCK),
    (RELEASE.format(1) + " END;", NO_BLOCK),
    ("BEGIN NULL; END;", NO_BLOCK),
    ("DECLARE CURSOR c IS SELECT 1 FROM DUAL; BEGIN NULL; END;", NO_BLOCK),
    # PostgreSQL's own transactions and cursors, which psqlODBC sends.
    ("BEGIN", None),
    ("BEGIN;INSERT INTO \"T\" VALUES(1)", None),
    ("BEGIN TRANSACTION ISOLATION LEVEL SERIALIZABLE", None),
    ('declare "SQL_CUR0x1" cursor with hold for SELECT 1', None),
    ('DECLARE "c" BINARY NO SCROLL CURSOR FOR SELECT 1', None),
]


class TranslationTest(unittest.TestCase):
    def test_cases(self):
        for sql, expected in CASES:
            with self.subTest(sql=sql[:80]):
                self.assertEqual(translate(sql, len(sql.encode())), expected)


if __name__ == "__main__":
    unittest.main()
