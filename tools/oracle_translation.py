"""Oracle statement texts in PostgreSQL's words, for the stand-in's front (oracle-front.py).

translate() turns RENAME, the Oracle column types of CREATE TABLE (their declared form goes along
in a comment that the server's event trigger files in the dictionary), text literals longer
than Oracle allows and PL/SQL blocks (DBMS_LOCK's named locks; any other is refused) into
PostgreSQL, runs ALTER TABLE ... ADD ... FOREIGN KEY through a procedure that answers orphan
rows as Oracle does, and gives indexes and the keys that make one names of their own (below);
every other text it leaves alone (it returns None). DROP TABLE and ALTER TABLE ...
RENAME go on as they are, and the front's memory of the table follows them.
"""
import itertools
import json
import re
import threading
import time

LITERAL_LIMIT = 4000  # bytes; Oracle refuses a longer literal (ORA-01704)
MARKER = "/*oracle-columns "

# Every repetition is possessive or over one character class, so that reading a statement costs
# time in proportion to its length: the front serves all clients from one interpreter, whose lock
# a long regular-expression match holds throughout. A quote or comment left open runs to the
# end of the text ("open"), which the server then refuses.
TOKEN = re.compile(
    r"""(?P<space>\s++)
      | (?P<comment>--[^\n]*+|/\*(?:[^*]++|\*(?!/))*+\*/)
      | (?P<string>[nNeE]?'[^']*+(?:''[^']*+)*+')
      | (?P<ident>"[^"]*+(?:""[^"]*+)*+")
      | (?P<dollar>\$(?P<tag>(?:[A-Za-z_]\w*+)?)\$.*?\$(?P=tag)\$)
      | (?P<open>(?:[nNeE]?'|"|/\*|\$(?:[A-Za-z_]\w*+)?\$).*+)
      | (?P<word>[A-Za-z_][\w$#]*+)
      | (?P<number>[0-9]++(?:\.[0-9]*+)?(?:[eE][+-]?[0-9]++)?|\.[0-9]++)
      | (?P<other>.)""",
    re.S | re.X)


class Token:
    __slots__ = ("kind", "text", "start", "end")

    def __init__(self, match):
        self.kind, self.text, self.start, self.end = match.lastgroup, match.group(), match.start(), match.end()
        if self.kind == "dollar":
            self.kind = "string"

    def upper(self):
        return self.text.upper() if self.kind == "word" else None


def each_token(sql):
    """The statement's tokens without blanks and comments, one by one."""
    return (Token(m) for m in TOKEN.finditer(sql) if m.lastgroup not in ("space", "comment"))


def tokens(sql):
    return list(each_token(sql))


def name_of(token):
    """The name an identifier token gives in PostgreSQL (quoted names keep their case)."""
    if token.kind == "ident":
        return token.text[1:-1].replace('""', '"')
    return token.text.lower()


def quoted(name):
    return '"' + name.replace('"', '""') + '"'


def literal(text):
    return "'" + text.replace("'", "''") + "'"


# A literal past the limit holds more than a thousand characters (four bytes at most each).
LONG_LITERAL_CHARS = LITERAL_LIMIT // 4 + 1
# Half of that between two quotes, once each doubled quote is two other characters.
LONG_PIECE_CHARS = (LONG_LITERAL_CHARS + 1) // 2
LONG_PIECE = re.compile("'[^']{%d}" % LONG_PIECE_CHARS)


def may_hold_long_literal(sql):
    """False when no literal of the text can be past the limit, told by a scan far cheaper than
    reading its tokens (a parameter array's batch of rows is megabytes of short literals).
    With each doubled quote made two blanks, whatever stands between a literal's quotes lies
    within two neighbouring pieces between the quotes that remain: one of them holds half."""
    blanked = sql.replace("''", "  ")
    first = blanked.find("'")
    return (len(blanked) if first < 0 else first) >= LONG_PIECE_CHARS or LONG_PIECE.search(blanked) is not None


def longest_literal(sql):
    """The bytes of the statement's longest text literal. Several INSERTs in one text are
    psqlODBC's batch of rows bound to a parameter array, written out as literals: bound values,
    which Oracle takes at any length, so they count as none."""
    if not may_hold_long_literal(sql):
        return 0
    longest, inserts, starts = 0, 0, True
    for match in TOKEN.finditer(sql):
        kind = match.lastgroup
        if kind in ("space", "comment"):
            continue
        text = match.group()
        if starts and kind == "word" and text.upper() == "INSERT":
            inserts += 1
            if inserts > 1:
                return 0
        starts = text == ";"
        # Bytes literals marked as bound values have no limit.
        if kind == "string" and not text.startswith("'\\xff"):
            body = text[text.index("'") + 1:-1].replace("''", "'")
            longest = max(longest, len(body.encode("utf-8", "surrogateescape")))
    return longest


def failing(sqlstate, message):
    """A statement that fails with Oracle's message where Oracle would refuse the original."""
    return f"SELECT public.oracle_raise({literal(sqlstate)}, {literal(message)})"


PARAMETER = re.compile(r"\$([0-9]+)")


def untranslatable(sql, error, declared_parameters=None):
    """What the server runs in place of a statement the front failed to translate: a refusal that
    names the fault, for the client to see. Sent on as it is, the Oracle text would run with
    PostgreSQL's meaning or fail for a reason that hides this one. A prepared statement's
    refusal takes its parameters (as text), so that binding them still works and the refusal
    comes where the statement runs."""
    refusal = failing("XX000", f"the Oracle stand-in could not translate the statement: {error!r}")
    if declared_parameters is None:
        return refusal
    count = max([declared_parameters] + [int(n) for n in PARAMETER.findall(sql)])
    if count == 0:
        return refusal
    bound = ", ".join(f"${n}::text" for n in range(1, count + 1))
    return f"{refusal} FROM (SELECT {bound}) AS parameters"


# ---- Oracle column types -------------------------------------------------------------------

class Column:
    """A column's PostgreSQL type and the Oracle declaration the dictionary reports."""

    def __init__(self, pg, data_type, length, precision=None, scale=None, chars=0, used=None):
        self.pg = pg
        self.meta = [data_type, length, precision, scale, chars, used]


SIZE = re.compile(r"\*|[+-]?[0-9]+")


def numbers(args):
    """The sizes in a type's parentheses (a scale may be negative); None for "*", and no list at
    all for anything else."""
    if not args:
        return []
    sizes = "".join(t.text for t in args if t.kind != "word").split(",")
    if not all(SIZE.fullmatch(size) for size in sizes):
        return None
    return [None if size == "*" else int(size) for size in sizes]


def semantics(args, default="BYTE"):
    words = [t.upper() for t in args if t.kind == "word"]
    return words[0] if words and words[0] in ("BYTE", "CHAR") else default


def character(pg_name, data_type, n, sem, national):
    if national:
        return Column(f"{pg_name}({n})", data_type, 2 * n, chars=n, used="C")
    if sem == "CHAR":
        return Column(f"{pg_name}({n})", data_type, min(4 * n, 4000), chars=n, used="C")
    return Column(f"{pg_name}({n})", data_type, n, chars=n, used="B")


def map_type(word, args, identity):
    """The column for an Oracle type name and its parenthesised arguments, or None."""
    nums = numbers(args)
    if nums is None:
        return None
    first = nums[0] if nums else None
    if word == "NUMBER":
        if identity:
            return Column("bigint", "NUMBER", 22, first, 0 if first is not None else None)
        if not nums:
            return Column("numeric", "NUMBER", 22)
        scale = nums[1] if len(nums) > 1 else 0
        precision = 38 if first is None else first
        return Column(f"numeric({precision},{scale})", "NUMBER", 22, first, scale)
    if word in ("INT", "INTEGER", "SMALLINT"):
        return Column("bigint" if identity else word.lower(), "NUMBER", 22, None, 0)
    if word in ("DECIMAL", "NUMERIC"):
        scale = nums[1] if len(nums) > 1 else 0
        return Column(f"numeric({first},{scale})" if first else "numeric", "NUMBER", 22, first, scale)
    if word == "FLOAT":
        return Column("double precision", "FLOAT", 22, first or 126)
    if word == "BINARY_FLOAT":
        return Column("real", "BINARY_FLOAT", 4)
    if word == "BINARY_DOUBLE":
        return Column("double precision", "BINARY_DOUBLE", 8)
    if word in ("VARCHAR2", "VARCHAR") and first:
        return character("varchar", "VARCHAR2", first, semantics(args), False)
    if word == "NVARCHAR2" and first:
        return character("varchar", "NVARCHAR2", first, "CHAR", True)
    if word == "CHAR":
        return character("char", "CHAR", first or 1, semantics(args), False)
    if word == "NCHAR":
        return character("char", "NCHAR", first or 1, "CHAR", True)
    if word in ("CLOB", "NCLOB"):
        return Column("text", word, 4000)
    if word == "BLOB":
        return Column("bytea", "BLOB", 4000)
    if word == "RAW" and first:
        return Column("bytea", "RAW", first)
    if word == "DATE":
        return Column("timestamp(0)", "DATE", 7)
    if word == "TIMESTAMP":
        p = 6 if first is None else first
        return Column(f"timestamp({min(p, 6)})", f"TIMESTAMP({p})", 11, None, p)
    return None


def split_top_level(toks, open_at):
    """The comma-separated elements of the list opened at toks[open_at], and the closing index."""
    depth, element, elements = 0, [], []
    for i in range(open_at + 1, len(toks)):
        t = toks[i]
        if t.text == "(":
            depth += 1
        elif t.text == ")":
            if depth == 0:
                elements.append(element)
                return elements, i
            depth -= 1
        elif t.text == "," and depth == 0:
            elements.append(element)
            element = []
            continue
        element.append(t)
    return None, None


def parenthesised(element, at):
    """The tokens inside the parentheses opening at element[at], and the index after them."""
    depth = 0
    for i in range(at, len(element)):
        depth += {"(": 1, ")": -1}.get(element[i].text, 0)
        if depth == 0:
            return element[at + 1:i], i + 1
    return element[at + 1:], len(element)


check_names = itertools.count(int(time.time()) % 1000000 * 10)


def name_checks(sql, element, edits, checks):
    """Unnamed CHECKs get a name as Oracle gives them; every check's text goes to the dictionary."""
    for i, t in enumerate(element):
        if t.upper() != "CHECK" or i + 1 >= len(element) or element[i + 1].text != "(":
            continue
        inside, _ = parenthesised(element, i + 1)
        if i >= 2 and element[i - 2].upper() == "CONSTRAINT":
            name = name_of(element[i - 1])
        else:
            name = f"SYS_C{next(check_names):07d}"
            edits.append((t.start, t.start, f"CONSTRAINT {quoted(name)} "))
        if inside:
            checks[name] = sql[inside[0].start:inside[-1].end]


# ---- Index names ------------------------------------------------------------------------------
# Oracle keeps indexes, and constraints, in namespaces of their own, apart from tables: a table
# REGION and an index REGION live side by side. PostgreSQL keeps every index, and the index of
# each PRIMARY KEY and UNIQUE constraint, with the tables. So those get a PostgreSQL name with a
# suffix that no table of the program's ends with, which the dictionary views and the front's
# error texts take off again.
INDEX_SUFFIX = "~i"
NAME_BYTES = 63  # PostgreSQL cuts longer names


def index_name(name):
    """The PostgreSQL name of the index or key Oracle calls name: cut where the suffix would
    not fit, so that PostgreSQL does not cut the suffix off."""
    room = NAME_BYTES - len(INDEX_SUFFIX)
    cut = name.encode("utf-8", "surrogateescape")[:room].decode("utf-8", "ignore")
    return cut + INDEX_SUFFIX


def index_name_edit(token):
    return (token.start, token.end, quoted(index_name(name_of(token))))


def generated_key_name():
    """Oracle names an unnamed key as it names an unnamed check; PostgreSQL's own name
    (t_pkey) would sit among the tables."""
    return f"SYS_C{next(check_names):07d}"


def name_keys(element, edits):
    """Each PRIMARY KEY or UNIQUE of a CREATE TABLE element, or of what an ALTER TABLE adds, under
    its index name; an unnamed one named first."""
    depth = 0
    for i, t in enumerate(element):
        depth += {"(": 1, ")": -1}.get(t.text, 0)
        word = t.upper()
        if depth or word not in ("PRIMARY", "UNIQUE"):
            continue
        if word == "PRIMARY" and (i + 1 >= len(element) or element[i + 1].upper() != "KEY"):
            continue
        if i >= 2 and element[i - 2].upper() == "CONSTRAINT" and element[i - 1].kind in ("ident", "word"):
            edits.append(index_name_edit(element[i - 1]))
        else:
            edits.append((t.start, t.start, f"CONSTRAINT {quoted(index_name(generated_key_name()))} "))


def create_index(sql, toks):
    """CREATE [UNIQUE] INDEX n ON ...: the index under its PostgreSQL name, or None for any other
    CREATE."""
    at = 2 if len(toks) > 1 and toks[1].upper() == "UNIQUE" else 1
    if at >= len(toks) or toks[at].upper() != "INDEX":
        return None
    at += 1
    if at + 2 < len(toks) and toks[at + 1].text == ".":
        at += 2
    if at + 1 >= len(toks) or toks[at].kind not in ("ident", "word") or toks[at + 1].upper() != "ON":
        return None
    start, end, text = index_name_edit(toks[at])
    return sql[:start] + text + sql[end:]


def drop_index(sql, toks):
    """DROP INDEX n: the index under its PostgreSQL name, or None for any other DROP."""
    if len(toks) < 3 or toks[1].upper() != "INDEX":
        return None
    _, after = table_name(toks, 2)
    if after != len(toks) and not (after + 1 == len(toks) and toks[after].text == ";"):
        return None
    start, end, text = index_name_edit(toks[after - 1])
    return sql[:start] + text + sql[end:]


def alter_index(sql, toks):
    """ALTER INDEX a RENAME TO b: both under their PostgreSQL names, or None."""
    if len(toks) < 6 or toks[1].upper() != "INDEX":
        return None
    _, at = table_name(toks, 2)
    if at + 2 >= len(toks) or toks[at].upper() != "RENAME" or toks[at + 1].upper() != "TO":
        return None
    new, after = table_name(toks, at + 2)
    if new is None or after < len(toks) - (toks[-1].text == ";"):
        return None
    for start, end, text in sorted([index_name_edit(toks[at - 1]), index_name_edit(toks[after - 1])], reverse=True):
        sql = sql[:start] + text + sql[end:]
    return sql


def table_keys(sql, toks):
    """ALTER TABLE t ADD [CONSTRAINT n] PRIMARY KEY | UNIQUE ...: the key under its index name;
    ALTER TABLE t DROP CONSTRAINT n [CASCADE] and RENAME CONSTRAINT a TO b: a procedure that finds
    the constraint by its Oracle name, whichever kind it is. None for any other ALTER TABLE."""
    if len(toks) < 5 or toks[1].upper() != "TABLE":
        return None
    table, at = table_name(toks, 2)
    if table is None or at + 1 >= len(toks):
        return None
    action, written = toks[at].upper(), literal(sql[toks[2].start:toks[at - 1].end])
    rest = [t for t in toks[at + 1:] if t.text != ";"]
    if action == "ADD":
        edits = []
        name_keys(rest, edits)
        for start, end, text in sorted(edits, key=lambda e: e[0], reverse=True):
            sql = sql[:start] + text + sql[end:]
        return sql if edits else None
    names = rest[1::2] if action == "RENAME" else rest[1:2]
    if len(rest) < 2 or rest[0].upper() != "CONSTRAINT" or any(n.kind not in ("ident", "word") for n in names):
        return None
    if action == "DROP" and len(rest) in (2, 3) and (len(rest) == 2 or rest[2].upper() == "CASCADE"):
        cascade = "true" if len(rest) == 3 else "false"
        return f"CALL public.oracle_drop_constraint({written}, {literal(name_of(rest[1]))}, {cascade})"
    if action == "RENAME" and len(rest) == 4 and rest[2].upper() == "TO":
        return (f"CALL public.oracle_rename_constraint({written}, {literal(name_of(rest[1]))}, "
                f"{literal(name_of(rest[3]))})")
    return None


COLUMN_CONSTRAINTS = ("CONSTRAINT", "NOT", "NULL", "CHECK", "PRIMARY", "UNIQUE", "REFERENCES", "GENERATED")


def default_text(sql, element, at):
    """A column's DEFAULT as written, up to its first constraint, as Oracle's dictionary keeps it
    (DATA_DEFAULT: "0 " for DEFAULT 0 NOT NULL), or None."""
    depth = 0
    for i in range(at, len(element)):
        t = element[i]
        if depth == 0 and t.upper() in COLUMN_CONSTRAINTS:
            return None  # Oracle takes DEFAULT before the constraints only
        if t.upper() == "DEFAULT" and depth == 0 and i + 1 < len(element):
            stop = i + 1
            while stop < len(element) and not (depth == 0 and element[stop].upper() in COLUMN_CONSTRAINTS):
                depth += {"(": 1, ")": -1}.get(element[stop].text, 0)
                stop += 1
            end = element[stop].start if stop < len(element) else element[-1].end
            return sql[element[i + 1].start:end]
        depth += {"(": 1, ")": -1}.get(t.text, 0)
    return None


def modify_columns(sql, toks):
    """ALTER TABLE t MODIFY (c NOT NULL, ...) and MODIFY c NULL: a call that refuses what Oracle
    refuses (ORA-01442, ORA-01451) and sets or drops NOT NULL, or None for any other ALTER TABLE."""
    if len(toks) < 5 or toks[1].upper() != "TABLE":
        return None
    table, at = table_name(toks, 2)
    if table is None or at >= len(toks) or toks[at].upper() != "MODIFY":
        return None
    if at + 1 < len(toks) and toks[at + 1].text == "(":
        elements, close = split_top_level(toks, at + 1)
        if elements is None or close != len(toks) - 1:
            return None
    else:
        elements = [toks[at + 1:]]
    names, not_null = [], []
    for element in elements:
        words = [t.upper() for t in element[1:]]
        if words not in (["NOT", "NULL"], ["NULL"]) or element[0].kind not in ("ident", "word"):
            return None
        names.append(literal(name_of(element[0])))
        not_null.append("true" if words == ["NOT", "NULL"] else "false")
    written = sql[toks[2].start:toks[at - 1].end]
    return (f"CALL public.oracle_modify_nullability({literal(written)}, ARRAY[{', '.join(names)}], "
            f"ARRAY[{', '.join(not_null)}])")


def create_table(sql, toks):
    """CREATE TABLE with Oracle's column types in PostgreSQL's, or None when there is none."""
    i = 1
    if i + 1 < len(toks) and toks[i].upper() == "GLOBAL":
        i += 2
    if i >= len(toks) or toks[i].upper() != "TABLE":
        return None
    i += 1
    while i < len(toks) and toks[i].upper() in ("IF", "NOT", "EXISTS"):
        i += 1
    if i + 2 < len(toks) and toks[i + 1].text == ".":
        i += 2
    if i + 1 >= len(toks) or toks[i].kind not in ("ident", "word") or toks[i + 1].text != "(":
        return None
    table = name_of(toks[i])
    elements, close = split_top_level(toks, i + 1)
    if elements is None:
        return None
    edits, columns, checks, order = [], [], {}, []
    for element in elements:
        if not element:
            continue
        name_checks(sql, element, edits, checks)
        name_keys(element, edits)
        head = element[0].upper()
        if head in ("CONSTRAINT", "PRIMARY", "UNIQUE", "CHECK", "FOREIGN") or len(element) < 2:
            continue
        order.append(name_of(element[0]))
        type_token = element[1]
        if type_token.kind != "word":
            continue
        end, args = 2, []
        if len(element) > 2 and element[2].text == "(":
            args, end = parenthesised(element, 2)
        identity = any(t.upper() == "IDENTITY" for t in element[end:])
        column = map_type(type_token.upper(), args, identity)
        if column is None:
            continue
        name = name_of(element[0])
        edits.append((type_token.start, element[end - 1].end, column.pg))
        columns.append([name] + column.meta + [default_text(sql, element, end)])
    if not columns and not edits:
        return None
    remember_byte_columns(table, order, {c[0] for c in columns if c[1] in ("BLOB", "RAW")})
    # No "*/" may end the comment early: JSON spells the star as an escape.
    marker = json.dumps({"table": table, "columns": columns, "checks": checks}, ensure_ascii=False)
    marker = marker.replace("*", "\\u002a")
    edits.append((toks[close].start, toks[close].end, f") {MARKER}{marker}*/"))
    for start, end, text in sorted(edits, key=lambda e: e[0], reverse=True):
        sql = sql[:start] + text + sql[end:]
    return sql


def table_name(toks, at):
    """The table named at toks[at] (a schema before it left out) and the index after the name, or
    (None, at) when no name stands there."""
    if at + 2 < len(toks) and toks[at + 1].text == "." and toks[at + 2].kind in ("ident", "word"):
        at += 2
    if at < len(toks) and toks[at].kind in ("ident", "word"):
        return name_of(toks[at]), at + 1
    return None, at


def rename(toks):
    """RENAME a TO b: the caller's own table a takes the name b."""
    names = all(t.kind in ("ident", "word") for t in toks[1:4:2])
    if len(toks) in (4, 5) and names and toks[2].upper() == "TO" and (len(toks) == 4 or toks[4].text == ";"):
        rename_byte_columns(name_of(toks[1]), name_of(toks[3]))
        return f"ALTER TABLE {toks[1].text} RENAME TO {toks[3].text}"
    return None


def follow_alter_table(toks):
    """ALTER TABLE a RENAME TO b, which PostgreSQL reads as it is: the front's state follows."""
    if len(toks) < 2 or toks[1].upper() != "TABLE":
        return
    old, at = table_name(toks, 2)
    if old is not None and at + 2 < len(toks) and toks[at].upper() == "RENAME" and toks[at + 1].upper() == "TO":
        new, _ = table_name(toks, at + 2)
        if new is not None:
            rename_byte_columns(old, new)


def add_foreign_key(sql, toks):
    """ALTER TABLE a ADD [CONSTRAINT n] FOREIGN KEY ... REFERENCES ...: run through the server's
    procedure that refuses orphan rows with ORA-02298. Oracle knows no ON UPDATE and, on delete,
    only CASCADE and SET NULL: PostgreSQL would take the others, so they are refused as Oracle's
    parser does. None when the statement adds no foreign key."""
    if len(toks) < 2 or toks[1].upper() != "TABLE":
        return None
    _, at = table_name(toks, 2)
    if at >= len(toks) or toks[at].upper() != "ADD":
        return None
    name = ""
    if at + 2 < len(toks) and toks[at + 1].upper() == "CONSTRAINT":
        name = name_of(toks[at + 2])
        at += 2
    if at + 2 >= len(toks) or toks[at + 1].upper() != "FOREIGN" or toks[at + 2].upper() != "KEY":
        return None
    words = [t.upper() for t in toks[at + 3:]]
    for i, word in enumerate(words[:-1]):
        if word == "ON" and (words[i + 1] != "DELETE" or words[i + 2:i + 3] not in (["CASCADE"], ["SET"])):
            return failing("42601", "ORA-00905: missing keyword")
    child, _ = table_name(toks, 2)
    columns, close = column_list(toks, at + 3)
    parent, after = table_name(toks, close + 2) if close is not None and close + 1 < len(toks) else (None, 0)
    parent_columns, _ = column_list(toks, after)
    pairs = ", ".join(f"ARRAY[{literal(c)}, {literal(p)}]" for c, p in zip(columns or [], parent_columns or []))
    if child is None or parent is None or not columns or len(columns) != len(parent_columns or []):
        return f"CALL public.oracle_add_foreign_key({literal(sql)}, {literal(name)})"
    return (f"CALL public.oracle_add_foreign_key({literal(sql)}, {literal(name)}, {literal(child)}, "
            f"{literal(parent)}, ARRAY[{pairs}])")


def column_list(toks, at):
    """The names in the parentheses opening at toks[at] and the index of the closing one, or
    (None, None) when no plain list of names stands there."""
    if at >= len(toks) or toks[at].text != "(":
        return None, None
    elements, close = split_top_level(toks, at)
    if elements is None or any(len(e) != 1 or e[0].kind not in ("ident", "word") for e in elements):
        return None, None
    return [name_of(e[0]) for e in elements], close


def drop_cascade_constraints(sql, toks):
    """DROP TABLE a CASCADE CONSTRAINTS: Oracle drops the foreign keys that point at a with it,
    as PostgreSQL's CASCADE does. None for any other DROP."""
    words = [t.upper() for t in toks[-2:]]
    if len(toks) > 4 and toks[1].upper() == "TABLE" and words == ["CASCADE", "CONSTRAINTS"]:
        return sql[:toks[-1].start].rstrip() + sql[toks[-1].end:]
    return None


def follow_drop_table(toks):
    """DROP TABLE a: the front forgets a, so that a later table of that name starts afresh."""
    if len(toks) < 3 or toks[1].upper() != "TABLE":
        return
    at = 2
    if at + 1 < len(toks) and toks[at].upper() == "IF" and toks[at + 1].upper() == "EXISTS":
        at += 2
    name, _ = table_name(toks, at)
    if name is not None:
        forget_byte_columns(name)


# ---- Bytes written into a statement as literals ----------------------------------------------
# psqlODBC runs a parameter array that a prepared statement starts with as one text of INSERTs,
# each bound value a literal: bytes as '\x<hex>', indistinguishable from text bound for bytes
# once PostgreSQL has read them. The front knows the column order of the tables it created, so
# it gives such a literal in a BLOB or RAW place the mark that bytes bound in binary carry.

# The front serves each client in its own thread, and all of them share this state.
BYTE_COLUMNS = {}  # table -> (every column name in order, the names of its BLOB and RAW columns)
BYTE_COLUMNS_LOCK = threading.Lock()
BYTES_LITERAL = re.compile(r"'\\x((?:[0-9A-Fa-f]{2})*)'")


def remember_byte_columns(table, order, byte_columns):
    with BYTE_COLUMNS_LOCK:
        if byte_columns:
            BYTE_COLUMNS[table] = (order, byte_columns)
        else:
            BYTE_COLUMNS.pop(table, None)


def forget_byte_columns(table):
    with BYTE_COLUMNS_LOCK:
        BYTE_COLUMNS.pop(table, None)


def rename_byte_columns(old, new):
    with BYTE_COLUMNS_LOCK:
        moved = BYTE_COLUMNS.pop(old, None)
        BYTE_COLUMNS.pop(new, None)
        if moved is not None:
            BYTE_COLUMNS[new] = moved


def byte_columns_of(table):
    with BYTE_COLUMNS_LOCK:
        return BYTE_COLUMNS.get(table)


def any_byte_columns():
    with BYTE_COLUMNS_LOCK:
        return bool(BYTE_COLUMNS)


def mark_bytes_literals(sql, toks):
    """The INSERTs' bytes literals in BLOB and RAW places marked, or None when there are none."""
    edits, i = [], 0
    while i + 3 < len(toks):
        starts = i == 0 or toks[i - 1].text == ";"
        if not (starts and toks[i].upper() == "INSERT" and toks[i + 1].upper() == "INTO"):
            i += 1
            continue
        table = byte_columns_of(name_of(toks[i + 2])) if toks[i + 2].kind in ("ident", "word") else None
        i += 3
        if table is None:
            continue
        order, byte_columns = table
        if toks[i].text == "(":
            names, close = split_top_level(toks, i)
            if names is None:
                return None
            order = [name_of(n[0]) if len(n) == 1 else None for n in names]
            i = close + 1
        if i + 1 >= len(toks) or toks[i].upper() != "VALUES" or toks[i + 1].text != "(":
            continue
        values, close = split_top_level(toks, i + 1)
        if values is None:
            return None
        for name, value in zip(order, values):
            if name in byte_columns and len(value) == 1 and value[0].kind == "string":
                found = BYTES_LITERAL.fullmatch(value[0].text)
                if found:
                    edits.append((value[0].start, value[0].end, "'\\xff" + found.group(1) + "'"))
        i = close + 1
    for start, end, text in sorted(edits, key=lambda e: e[0], reverse=True):
        sql = sql[:start] + text + sql[end:]
    return sql if edits else None


# ---- PL/SQL blocks ---------------------------------------------------------------------------
# Only the named lock the program takes around writing a table: Oracle's user locks through
# DBMS_LOCK, as PostgreSQL's session-level advisory locks. Any other block is refused.

LOCK_REQUEST = tuple(t.upper() or t.text for t in tokens(
    "DECLARE r INTEGER; BEGIN r := DBMS_LOCK.REQUEST(LOCK_ID, DBMS_LOCK.X_MODE, 0, FALSE); "
    "IF r NOT IN (0, 4) THEN RAISE_APPLICATION_ERROR(-ERROR_NUMBER, ERROR_TEXT); END IF; END;"))
LOCK_RELEASE = tuple(t.upper() or t.text for t in tokens("DECLARE r INTEGER; BEGIN r := DBMS_LOCK.RELEASE(LOCK_ID); END;"))
LOCK_IDS = range(0, 1073741824)  # Oracle's user lock ids
APPLICATION_ERRORS = range(20000, 21000)  # RAISE_APPLICATION_ERROR's numbers, negated
PGSQL_BEGIN = ("WORK", "TRANSACTION", "ISOLATION", "READ", "NOT", "DEFERRABLE")
PGSQL_CURSOR = ("BINARY", "ASENSITIVE", "INSENSITIVE", "NO", "SCROLL")


def is_plsql_block(first):
    """Whether a text starting with these tokens is a PL/SQL block, not PostgreSQL's BEGIN or
    DECLARE ... CURSOR, which psqlODBC sends itself (its batches of rows start with "BEGIN;")."""
    head = first[0].upper()
    if head == "BEGIN":
        return len(first) > 1 and first[1].text != ";" and first[1].upper() not in PGSQL_BEGIN
    at = 2
    while at < len(first) and first[at].upper() in PGSQL_CURSOR:
        at += 1
    return not (at < len(first) and first[at].upper() == "CURSOR")


def shape_values(toks, shape):
    """The placeholders' tokens where the statement has the shape, else None."""
    if len(toks) != len(shape):
        return None
    values = {}
    for token, expected in zip(toks, shape):
        if expected in ("LOCK_ID", "ERROR_NUMBER", "ERROR_TEXT"):
            values[expected] = token
        elif (token.upper() or token.text) != expected:
            return None
    return values


def plsql_block(sql):
    """The PostgreSQL statement for the PL/SQL blocks the stand-in knows, and a refusal for any other."""
    toks = tokens(sql)
    request, release = shape_values(toks, LOCK_REQUEST), shape_values(toks, LOCK_RELEASE)
    values = request or release or {}
    lock = values.get("LOCK_ID")
    if lock is not None and lock.kind == "number" and lock.text.isdigit() and int(lock.text) in LOCK_IDS:
        if release:
            return f"CALL public.oracle_lock_release({int(lock.text)})"
        number, text = values["ERROR_NUMBER"], values["ERROR_TEXT"]
        if number.text.isdigit() and int(number.text) in APPLICATION_ERRORS and text.text.startswith("'"):
            message = f"ORA-{int(number.text)}: " + text.text[1:-1].replace("''", "'")
            return f"CALL public.oracle_lock_request({int(lock.text)}, {literal(message)})"
    return failing("0A000", "the Oracle stand-in runs no PL/SQL block but DBMS_LOCK.REQUEST and DBMS_LOCK.RELEASE "
                            "in the shapes the program sends")


def translate(sql, size):
    """The PostgreSQL text for one Oracle statement text, or None to send it as it is."""
    first = list(itertools.islice(each_token(sql), 8))
    word = first[0].upper() if first else None
    marked = None
    if word in ("INSERT", "BEGIN") and any_byte_columns() and "'\\x" in sql:
        marked = mark_bytes_literals(sql, tokens(sql))
    if size > LITERAL_LIMIT + 2 and longest_literal(marked or sql) > LITERAL_LIMIT:
        return failing("54000", "ORA-01704: string literal too long")
    if marked is not None:
        return marked
    if word in ("BEGIN", "DECLARE") and is_plsql_block(first):
        return plsql_block(sql)
    if word == "RENAME":
        return rename(tokens(sql))
    if word == "DROP":
        toks = tokens(sql)
        follow_drop_table(toks)
        return drop_cascade_constraints(sql, toks) or drop_index(sql, toks)
    if word == "ALTER":
        toks = tokens(sql)
        follow_alter_table(toks)
        for translation in (modify_columns, add_foreign_key, table_keys, alter_index):
            translated = translation(sql, toks)
            if translated is not None:
                return translated
        return None
    if word == "CREATE":
        # A text the front has translated already carries its comment (a name may hold the words).
        if MARKER in sql and any(m.lastgroup == "comment" and m.group().startswith(MARKER) for m in TOKEN.finditer(sql)):
            return None
        toks = tokens(sql)
        return create_table(sql, toks) or create_index(sql, toks)
    return None
