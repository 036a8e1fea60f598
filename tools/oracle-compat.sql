-- Run as the superuser in the test user's database (here: scott).
-- Oracle keeps a user's tables in the schema named after the user.
CREATE SCHEMA scott AUTHORIZATION scott;

-- The dictionary view the catalog query reads: base tables in the caller's own schema.
CREATE VIEW public.user_tables AS
  SELECT c.relname::varchar(128) AS table_name
  FROM pg_catalog.pg_class c
  WHERE c.relkind IN ('r', 'p')
    AND c.relnamespace = to_regnamespace(current_user::text);
GRANT SELECT ON public.user_tables TO PUBLIC;

-- Oracle turns a text literal bound for a BLOB into bytes by reading it as hex digits
-- (ORA-01465 when it is not hex, ORA-01704 past 4000 characters). bytea would take the
-- literal's own bytes instead, so every new table with BLOB columns gets a row trigger
-- that re-reads those columns the Oracle way.
CREATE FUNCTION public.blob_literal_as_hex() RETURNS trigger LANGUAGE plpgsql AS $fn$
DECLARE
  col text;
  val bytea;
  lit text;
  patch jsonb := '{}';
BEGIN
  FOREACH col IN ARRAY TG_ARGV LOOP
    EXECUTE format('SELECT ($1).%I', col) INTO val USING NEW;
    CONTINUE WHEN val IS NULL;
    -- Bytes bound as bytes: the front marks them with a byte no UTF-8 text holds.
    IF substr(val, 1, 1) = '\xff'::bytea THEN
      patch := patch || jsonb_build_object(col, '\x' || encode(substr(val, 2), 'hex'));
      CONTINUE;
    END IF;
    lit := convert_from(val, 'UTF8');
    IF length(lit) > 4000 THEN
      RAISE EXCEPTION 'string literal too long (Oracle ORA-01704)' USING ERRCODE = '54000';
    END IF;
    IF lit !~ '^[0-9A-Fa-f]*$' THEN
      RAISE EXCEPTION 'invalid hex number (Oracle ORA-01465)' USING ERRCODE = '22P02';
    END IF;
    patch := patch || jsonb_build_object(col,
               CASE WHEN lit = '' THEN NULL
                    ELSE '\x' || CASE WHEN length(lit) % 2 = 1 THEN '0' || lit ELSE lit END END);
  END LOOP;
  RETURN jsonb_populate_record(NEW, patch);
END
$fn$;

-- RAW and BLOB columns are plain bytea, not domains: psqlODBC takes the parameter types the
-- server describes, and binds bytes as long binary only to bytea itself ("Could not convert
-- binary other than LO type" for a domain). So the columns to watch come from the Oracle
-- declarations the front puts in the CREATE TABLE statement.
CREATE FUNCTION public.attach_blob_literal_trigger() RETURNS event_trigger LANGUAGE plpgsql AS $fn$
DECLARE
  t oid;
  args text;
BEGIN
  FOR t IN SELECT objid FROM pg_event_trigger_ddl_commands()
           WHERE command_tag = 'CREATE TABLE' AND object_type = 'table' LOOP
    SELECT string_agg(DISTINCT quote_literal(c->>0), ', ') INTO args
    FROM regexp_matches(current_query(), '/\*oracle-columns (\{[^*]*\})\*/', 'g') m
    CROSS JOIN LATERAL jsonb_array_elements(m[1]::jsonb->'columns') c
    WHERE m[1]::jsonb->>'table' = (SELECT relname::text FROM pg_class WHERE oid = t)
      AND c->>1 IN ('BLOB', 'RAW');
    IF args IS NOT NULL THEN
      EXECUTE format('CREATE TRIGGER blob_literal_as_hex BEFORE INSERT OR UPDATE ON %s '
                     'FOR EACH ROW EXECUTE FUNCTION public.blob_literal_as_hex(%s)',
                     t::regclass, args);
    END IF;
  END LOOP;
END
$fn$;

CREATE EVENT TRIGGER blob_literal_as_hex ON ddl_command_end
  WHEN TAG IN ('CREATE TABLE') EXECUTE FUNCTION public.attach_blob_literal_trigger();

-- The errors the front turns Oracle's refusals into.
CREATE FUNCTION public.oracle_raise(sqlstate text, message text) RETURNS void LANGUAGE plpgsql AS $fn$
BEGIN
  RAISE EXCEPTION USING ERRCODE = sqlstate, MESSAGE = message;
END
$fn$;

-- ALTER TABLE ... ADD CONSTRAINT ... FOREIGN KEY, run for the front: rows without a parent
-- refuse it as Oracle does, naming the constraint, and nothing is added. Oracle compares any
-- NUMBER with any other, where PostgreSQL refuses a numeric key pointing at an identity's
-- bigint: such a child column takes its parent's integer type first (the dictionary keeps the
-- declared NUMBER). pairs: {child column, parent column} in order.
CREATE PROCEDURE public.oracle_add_foreign_key(statement text, constraint_name text, child text DEFAULT NULL,
    parent text DEFAULT NULL, pairs text[] DEFAULT '{}') LANGUAGE plpgsql AS $fn$
DECLARE
  i int;
  child_type oid;
  child_scale int;
  parent_type oid;
BEGIN
  FOR i IN 1 .. coalesce(array_length(pairs, 1), 0) LOOP
    SELECT a.atttypid, CASE WHEN a.atttypmod >= 4 THEN (a.atttypmod - 4) & 65535 END INTO child_type, child_scale
    FROM pg_catalog.pg_attribute a
    WHERE a.attrelid = to_regclass(quote_ident(child)) AND a.attname = pairs[i][1];
    SELECT a.atttypid INTO parent_type FROM pg_catalog.pg_attribute a
    WHERE a.attrelid = to_regclass(quote_ident(parent)) AND a.attname = pairs[i][2];
    IF child_type = 'numeric'::regtype AND child_scale = 0
       AND parent_type IN ('int2'::regtype, 'int4'::regtype, 'int8'::regtype) THEN
      EXECUTE format('ALTER TABLE %I ALTER COLUMN %I TYPE %s', child, pairs[i][1], parent_type::regtype);
    END IF;
  END LOOP;
  EXECUTE statement;
EXCEPTION WHEN foreign_key_violation THEN
  RAISE EXCEPTION USING ERRCODE = '23503', MESSAGE =
    format('ORA-02298: cannot validate (%s.%s) - parent keys not found', upper(current_user::text), constraint_name);
END
$fn$;

-- Only called when a byte limit (below) is broken: VARCHAR2(n [BYTE]), CHAR(n [BYTE]) and
-- RAW(n) hold n bytes.
CREATE FUNCTION public.oracle_value_too_large(tbl oid, col text, actual int, maximum int) RETURNS boolean
LANGUAGE plpgsql AS $fn$
BEGIN
  RAISE EXCEPTION 'ORA-12899: value too large for column %.%.% (actual: %, maximum: %)',
    quote_ident(upper(current_user::text)), quote_ident((SELECT relname FROM pg_class WHERE oid = tbl)::text),
    quote_ident(col), actual, maximum
    USING ERRCODE = '22001';
END
$fn$;

-- The Oracle declaration of each column created through the front, and each CHECK's text as
-- written, keyed by object id so that renaming keeps them.
CREATE TABLE public.oracle_columns (
  table_oid oid, attnum int2, data_type text, data_length int, data_precision int, data_scale int,
  char_length int, char_used text, data_default text, PRIMARY KEY (table_oid, attnum));
CREATE TABLE public.oracle_checks (constraint_oid oid PRIMARY KEY, search_condition text);

-- The front puts each CREATE TABLE's declarations into a comment of the statement.
CREATE FUNCTION public.record_oracle_columns() RETURNS event_trigger LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, public AS $fn$
DECLARE
  t oid;
  marker jsonb;
BEGIN
  FOR t IN SELECT objid FROM pg_event_trigger_ddl_commands()
           WHERE command_tag = 'CREATE TABLE' AND object_type = 'table' LOOP
    FOR marker IN SELECT m[1]::jsonb FROM regexp_matches(current_query(), '/\*oracle-columns (\{[^*]*\})\*/', 'g') m LOOP
      CONTINUE WHEN marker->>'table' IS DISTINCT FROM (SELECT relname::text FROM pg_class WHERE oid = t);
      INSERT INTO public.oracle_columns
        SELECT t, a.attnum, c->>1, (c->>2)::int, (c->>3)::int, (c->>4)::int, (c->>5)::int, c->>6, c->>7
        FROM jsonb_array_elements(marker->'columns') c
        JOIN pg_attribute a ON a.attrelid = t AND a.attname = c->>0
      ON CONFLICT DO NOTHING;
      INSERT INTO public.oracle_checks
        SELECT con.oid, k.value FROM jsonb_each_text(marker->'checks') k
        JOIN pg_constraint con ON con.conrelid = t AND con.conname = k.key
      ON CONFLICT DO NOTHING;
      PERFORM public.enforce_oracle_byte_limits(t);
    END LOOP;
  END LOOP;
END
$fn$;
CREATE EVENT TRIGGER record_oracle_columns ON ddl_command_end
  WHEN TAG IN ('CREATE TABLE') EXECUTE FUNCTION public.record_oracle_columns();

-- The byte limits of a table's VARCHAR2(n [BYTE]), CHAR(n [BYTE]) and RAW(n) columns, from
-- their declarations: a row trigger of the table's own, written out column by column. A CHECK
-- would say the same, but PostgreSQL reads and plans a table's checks anew for every
-- statement, and a parameter array arrives as one INSERT per row; a trigger's function is
-- compiled once per session. It runs after blob_literal_as_hex (triggers run in name order),
-- so that RAW counts the bytes the hex digits stand for.
CREATE FUNCTION public.enforce_oracle_byte_limits(t oid) RETURNS void LANGUAGE plpgsql
SET search_path = pg_catalog, public AS $fn$
DECLARE
  checks text;
  fn text := format('public.%I', 'oracle_byte_limits_' || t);
BEGIN
  SELECT string_agg(format('  IF octet_length(NEW.%1$I) > %2$s THEN'
                           ' PERFORM public.oracle_value_too_large(TG_RELID, %3$L, octet_length(NEW.%1$I), %2$s);'
                           ' END IF;', a.attname, o.data_length, a.attname::text), E'\n' ORDER BY a.attnum)
    INTO checks
  FROM public.oracle_columns o
  JOIN pg_attribute a ON a.attrelid = t AND a.attnum = o.attnum AND NOT a.attisdropped
  WHERE o.table_oid = t AND (o.data_type = 'RAW' OR (o.data_type IN ('VARCHAR2', 'CHAR') AND o.char_used = 'B'));
  IF checks IS NOT NULL THEN
    EXECUTE format('CREATE OR REPLACE FUNCTION %s() RETURNS trigger LANGUAGE plpgsql AS %L',
                   fn, E'BEGIN\n' || checks || E'\n  RETURN NEW;\nEND');
    EXECUTE format('CREATE OR REPLACE TRIGGER oracle_byte_limits BEFORE INSERT OR UPDATE ON %s '
                   'FOR EACH ROW EXECUTE FUNCTION %s()', t::regclass, fn);
  ELSIF to_regprocedure(fn || '()') IS NOT NULL THEN
    EXECUTE format('DROP FUNCTION %s() CASCADE', fn);
  END IF;
END
$fn$;

-- Renamed or dropped columns: the trigger names each column it checks.
CREATE FUNCTION public.refresh_oracle_byte_limits() RETURNS event_trigger LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, public AS $fn$
DECLARE
  t oid;
BEGIN
  FOR t IN SELECT DISTINCT objid FROM pg_event_trigger_ddl_commands()
           WHERE command_tag = 'ALTER TABLE' AND objid IN (SELECT table_oid FROM public.oracle_columns) LOOP
    PERFORM public.enforce_oracle_byte_limits(t);
  END LOOP;
END
$fn$;
CREATE EVENT TRIGGER refresh_oracle_byte_limits ON ddl_command_end
  WHEN TAG IN ('ALTER TABLE') EXECUTE FUNCTION public.refresh_oracle_byte_limits();

CREATE FUNCTION public.forget_oracle_columns() RETURNS event_trigger LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, public AS $fn$
DECLARE
  t oid;
BEGIN
  DELETE FROM public.oracle_columns WHERE table_oid IN (SELECT objid FROM pg_event_trigger_dropped_objects());
  DELETE FROM public.oracle_checks WHERE constraint_oid IN (SELECT objid FROM pg_event_trigger_dropped_objects());
  -- A dropped table takes its byte-limit trigger along, but not the trigger's function.
  FOR t IN SELECT objid FROM pg_event_trigger_dropped_objects() WHERE object_type = 'table' LOOP
    IF to_regprocedure(format('public.%I()', 'oracle_byte_limits_' || t)) IS NOT NULL THEN
      EXECUTE format('DROP FUNCTION public.%I()', 'oracle_byte_limits_' || t);
    END IF;
  END LOOP;
END
$fn$;
CREATE EVENT TRIGGER forget_oracle_columns ON sql_drop EXECUTE FUNCTION public.forget_oracle_columns();

-- ---- Index and key names ---------------------------------------------------------------------
-- The front gives each index, and each PRIMARY KEY and UNIQUE constraint (whose index PostgreSQL
-- keeps among the tables), its Oracle name with this suffix, so that it never takes a table's
-- name: Oracle keeps the two apart. The dictionary shows the Oracle name.
CREATE FUNCTION public.oracle_key_name(pg_name text) RETURNS text LANGUAGE sql IMMUTABLE AS
  $fn$SELECT CASE WHEN right(pg_name, 2) = '~i' THEN left(pg_name, -2) ELSE pg_name END$fn$;

-- The table's constraint Oracle calls oracle_name, of whichever kind; the refusal when it has none.
CREATE FUNCTION public.oracle_constraint(t regclass, oracle_name text, refusal text) RETURNS name
LANGUAGE plpgsql STABLE AS $fn$
DECLARE
  found name;
BEGIN
  SELECT conname INTO found FROM pg_catalog.pg_constraint
  WHERE conrelid = t AND public.oracle_key_name(conname) = oracle_name
  ORDER BY conname = oracle_name LIMIT 1;
  IF found IS NULL THEN
    RAISE EXCEPTION USING ERRCODE = '42704', MESSAGE = refusal;
  END IF;
  RETURN found;
END
$fn$;

CREATE PROCEDURE public.oracle_drop_constraint(tab text, oracle_name text, cascade boolean) LANGUAGE plpgsql AS $fn$
DECLARE
  t regclass := tab::regclass;
BEGIN
  EXECUTE format('ALTER TABLE %s DROP CONSTRAINT %I%s', t,
                 public.oracle_constraint(t, oracle_name, 'ORA-02443: Cannot drop constraint  - nonexistent constraint'),
                 CASE WHEN cascade THEN ' CASCADE' ELSE '' END);
END
$fn$;

-- A key keeps the suffix under its new name; a check or foreign key, which makes no index, needs none.
CREATE PROCEDURE public.oracle_rename_constraint(tab text, oracle_name text, new_name text) LANGUAGE plpgsql AS $fn$
DECLARE
  t regclass := tab::regclass;
  old name := public.oracle_constraint(t, oracle_name, 'ORA-23292: The constraint does not exist');
BEGIN
  EXECUTE format('ALTER TABLE %s RENAME CONSTRAINT %I TO %I', t, old,
                 new_name || CASE WHEN old <> oracle_name THEN '~i' ELSE '' END);
END
$fn$;

-- ---- The data dictionary: the caller's own tables, under Oracle's names ------------------
CREATE VIEW public.oracle_own_tables AS
  SELECT c.oid, c.relname::text AS table_name
  FROM pg_catalog.pg_class c
  WHERE c.relkind IN ('r', 'p') AND c.relnamespace = to_regnamespace(current_user::text);

-- The Oracle type closest to a PostgreSQL one, for columns made without the front.
CREATE FUNCTION public.oracle_type_of(typ oid, typmod int, OUT data_type text, OUT data_length int,
    OUT data_precision int, OUT data_scale int, OUT char_length int, OUT char_used text)
LANGUAGE plpgsql STABLE AS $fn$
BEGIN
  char_length := 0;
  IF typ IN ('int2'::regtype, 'int4'::regtype, 'int8'::regtype) THEN
    data_type := 'NUMBER'; data_length := 22; data_scale := 0;
  ELSIF typ = 'numeric'::regtype THEN
    data_type := 'NUMBER'; data_length := 22;
    IF typmod >= 4 THEN
      -- The scale is the low eleven bits, signed: NUMBER(7,-2) rounds to hundreds.
      data_precision := ((typmod - 4) >> 16) & 65535; data_scale := ((typmod - 4) & 2047) - ((typmod - 4) & 1024) * 2;
    END IF;
  ELSIF typ = 'float8'::regtype THEN
    data_type := 'FLOAT'; data_length := 22; data_precision := 126;
  ELSIF typ = 'float4'::regtype THEN
    data_type := 'BINARY_FLOAT'; data_length := 4;
  ELSIF typ IN ('varchar'::regtype, 'bpchar'::regtype) AND typmod >= 4 THEN
    data_type := CASE WHEN typ = 'bpchar'::regtype THEN 'CHAR' ELSE 'VARCHAR2' END;
    data_length := typmod - 4; char_length := typmod - 4; char_used := 'B';
  ELSIF typ IN ('text'::regtype, 'varchar'::regtype) THEN
    data_type := 'CLOB'; data_length := 4000;
  ELSIF typ = 'date'::regtype THEN
    data_type := 'DATE'; data_length := 7;
  ELSIF typ = 'timestamp'::regtype THEN
    data_scale := CASE WHEN typmod < 0 THEN 6 ELSE typmod END;
    data_type := format('TIMESTAMP(%s)', data_scale); data_length := 11;
  ELSIF typ = 'bytea'::regtype THEN
    data_type := 'BLOB'; data_length := 4000;
  ELSE
    data_type := upper(format_type(typ, NULL));
    data_length := (SELECT typlen FROM pg_catalog.pg_type WHERE oid = typ);
  END IF;
END
$fn$;

CREATE VIEW public.user_tab_columns AS
  SELECT t.table_name::varchar(128) AS table_name,
         a.attname::varchar(128) AS column_name,
         (row_number() OVER (PARTITION BY t.oid ORDER BY a.attnum))::numeric AS column_id,
         coalesce(o.data_type, g.data_type)::varchar(128) AS data_type,
         coalesce(o.data_length, g.data_length)::numeric AS data_length,
         (CASE WHEN o.table_oid IS NULL THEN g.data_precision ELSE o.data_precision END)::numeric AS data_precision,
         (CASE WHEN o.table_oid IS NULL THEN g.data_scale ELSE o.data_scale END)::numeric AS data_scale,
         coalesce(o.char_length, g.char_length)::numeric AS char_length,
         (CASE WHEN o.table_oid IS NULL THEN g.char_used ELSE o.char_used END)::varchar(1) AS char_used,
         (CASE WHEN a.attnotnull THEN 'N' ELSE 'Y' END)::varchar(1) AS nullable,
         -- as written for columns made through the front, PostgreSQL's text for others
         (CASE WHEN o.table_oid IS NULL THEN pg_get_expr(d.adbin, d.adrelid) ELSE o.data_default END)::text
           AS data_default
  FROM public.oracle_own_tables t
  JOIN pg_catalog.pg_attribute a ON a.attrelid = t.oid AND a.attnum > 0 AND NOT a.attisdropped
  LEFT JOIN public.oracle_columns o ON o.table_oid = t.oid AND o.attnum = a.attnum
  LEFT JOIN pg_catalog.pg_attrdef d ON d.adrelid = t.oid AND d.adnum = a.attnum
  CROSS JOIN LATERAL public.oracle_type_of(a.atttypid, a.atttypmod) g;

CREATE VIEW public.user_constraints AS
  SELECT public.oracle_key_name(con.conname)::varchar(128) AS constraint_name,
         (CASE con.contype WHEN 'p' THEN 'P' WHEN 'u' THEN 'U' WHEN 'c' THEN 'C' WHEN 'f' THEN 'R' END)::varchar(1)
           AS constraint_type,
         t.table_name::varchar(128) AS table_name,
         (CASE WHEN con.contype = 'c'
               THEN coalesce(k.search_condition, regexp_replace(pg_get_constraintdef(con.oid), '^CHECK \((.*)\)$', '\1'))
          END)::text AS search_condition,
         r.relname::varchar(128) AS r_table_name,
         -- the parent's key a foreign key points at: the constraint owning the index it uses
         (CASE WHEN con.contype = 'f'
               THEN public.oracle_key_name(coalesce(
                      (SELECT pk.conname FROM pg_catalog.pg_constraint pk
                       WHERE pk.conindid = con.conindid AND pk.conrelid = con.confrelid AND pk.contype IN ('p', 'u')),
                      (SELECT ri.relname FROM pg_catalog.pg_class ri WHERE ri.oid = con.conindid)))
          END)::varchar(128) AS r_constraint_name,
         (CASE WHEN con.contype = 'f'
               THEN CASE con.confdeltype WHEN 'c' THEN 'CASCADE' WHEN 'n' THEN 'SET NULL' ELSE 'NO ACTION' END
          END)::varchar(9) AS delete_rule
  FROM public.oracle_own_tables t
  JOIN pg_catalog.pg_constraint con ON con.conrelid = t.oid AND con.contype IN ('p', 'u', 'c', 'f')
  LEFT JOIN public.oracle_checks k ON k.constraint_oid = con.oid
  LEFT JOIN pg_catalog.pg_class r ON r.oid = con.confrelid
  UNION ALL  -- NOT NULL columns: Oracle keeps them as CHECK constraints too
  SELECT format('SYS_C%s_%s', t.oid, a.attnum)::varchar(128), 'C'::varchar(1), t.table_name::varchar(128),
         format('"%s" IS NOT NULL', a.attname), NULL::varchar(128), NULL::varchar(128), NULL::varchar(9)
  FROM public.oracle_own_tables t
  JOIN pg_catalog.pg_attribute a ON a.attrelid = t.oid AND a.attnum > 0 AND NOT a.attisdropped AND a.attnotnull
  WHERE NOT EXISTS (SELECT 1 FROM pg_catalog.pg_constraint p
                    WHERE p.conrelid = t.oid AND p.contype = 'p' AND a.attnum = ANY (p.conkey));

CREATE VIEW public.user_cons_columns AS
  SELECT public.oracle_key_name(con.conname)::varchar(128) AS constraint_name, t.table_name::varchar(128) AS table_name,
         a.attname::varchar(4000) AS column_name,
         (CASE WHEN con.contype <> 'c' THEN k.position END)::numeric AS position
  FROM public.oracle_own_tables t
  JOIN pg_catalog.pg_constraint con ON con.conrelid = t.oid AND con.contype IN ('p', 'u', 'c', 'f')
  CROSS JOIN LATERAL unnest(con.conkey) WITH ORDINALITY AS k(attnum, position)
  JOIN pg_catalog.pg_attribute a ON a.attrelid = t.oid AND a.attnum = k.attnum;

CREATE VIEW public.user_indexes AS
  SELECT public.oracle_key_name(ic.relname)::varchar(128) AS index_name, t.table_name::varchar(128) AS table_name,
         (CASE WHEN i.indisunique THEN 'UNIQUE' ELSE 'NONUNIQUE' END)::varchar(9) AS uniqueness,
         (CASE WHEN 0 = ANY (i.indkey::int2[]) THEN 'FUNCTION-BASED NORMAL' ELSE 'NORMAL' END)::varchar(27) AS index_type
  FROM public.oracle_own_tables t
  JOIN pg_catalog.pg_index i ON i.indrelid = t.oid
  JOIN pg_catalog.pg_class ic ON ic.oid = i.indexrelid;

-- An expression's place reads as a system-generated column name, as in Oracle.
CREATE VIEW public.user_ind_columns AS
  SELECT public.oracle_key_name(ic.relname)::varchar(128) AS index_name, t.table_name::varchar(128) AS table_name,
         coalesce(a.attname::text, format('SYS_NC%s$', lpad(k.position::text, 5, '0')))::varchar(4000) AS column_name,
         k.position::numeric AS column_position, 'ASC'::varchar(4) AS descend
  FROM public.oracle_own_tables t
  JOIN pg_catalog.pg_index i ON i.indrelid = t.oid
  JOIN pg_catalog.pg_class ic ON ic.oid = i.indexrelid
  CROSS JOIN LATERAL unnest(i.indkey::int2[]) WITH ORDINALITY AS k(attnum, position)
  LEFT JOIN pg_catalog.pg_attribute a ON a.attrelid = t.oid AND a.attnum = k.attnum AND k.attnum > 0
  WHERE k.position <= i.indnkeyatts;

CREATE VIEW public.user_ind_expressions AS
  SELECT public.oracle_key_name(ic.relname)::varchar(128) AS index_name, t.table_name::varchar(128) AS table_name,
         -- without PostgreSQL's casts, as Oracle writes it: upper(name)
         regexp_replace(pg_get_indexdef(ic.oid, k.position::int, true), '::[a-z ]+', '', 'g')::text AS column_expression,
         k.position::numeric AS column_position
  FROM public.oracle_own_tables t
  JOIN pg_catalog.pg_index i ON i.indrelid = t.oid
  JOIN pg_catalog.pg_class ic ON ic.oid = i.indexrelid
  CROSS JOIN LATERAL unnest(i.indkey::int2[]) WITH ORDINALITY AS k(attnum, position)
  WHERE k.attnum = 0;

CREATE VIEW public.user_col_comments AS
  SELECT t.table_name::varchar(128) AS table_name, a.attname::varchar(128) AS column_name,
         col_description(t.oid, a.attnum)::varchar(4000) AS comments
  FROM public.oracle_own_tables t
  JOIN pg_catalog.pg_attribute a ON a.attrelid = t.oid AND a.attnum > 0 AND NOT a.attisdropped;

CREATE VIEW public.user_tab_comments AS
  SELECT t.table_name::varchar(128) AS table_name, 'TABLE'::varchar(11) AS table_type,
         obj_description(t.oid, 'pg_class')::varchar(4000) AS comments
  FROM public.oracle_own_tables t;

GRANT SELECT ON public.user_tab_columns, public.user_constraints, public.user_cons_columns, public.user_indexes,
  public.user_ind_columns, public.user_ind_expressions, public.user_col_comments, public.user_tab_comments TO PUBLIC;

-- The caller's views with their defining query: PostgreSQL keeps the query rewritten, so TEXT
-- is its reconstruction, not the text as typed.
CREATE VIEW public.user_views AS
  SELECT c.relname::varchar(128) AS view_name, length(pg_get_viewdef(c.oid))::numeric AS text_length,
         pg_get_viewdef(c.oid)::text AS text
  FROM pg_catalog.pg_class c
  WHERE c.relkind = 'v'
    AND c.relnamespace = to_regnamespace(current_user::text);
GRANT SELECT ON public.user_views TO PUBLIC;

-- Oracle's one-row table, and TO_CLOB, with which Oracle builds texts longer than a literal.
CREATE VIEW public.dual AS SELECT 'X'::varchar(1) AS dummy;
CREATE FUNCTION public.to_clob(text) RETURNS text LANGUAGE sql IMMUTABLE AS 'SELECT $1';
GRANT SELECT ON public.dual TO PUBLIC;

-- ---- Dates and times the Oracle way ----------------------------------------------------------
-- Oracle's DATE holds the time of day and its TO_TIMESTAMP gives a time without zone, where
-- PostgreSQL's to_date gives a day and its to_timestamp a moment; Oracle's formats know FF
-- (fractions of up to nine digits) and RR. public comes before pg_catalog in the search path,
-- so these same-named functions are the ones called.
ALTER DATABASE scott SET search_path = "$user", public, pg_catalog;

-- An Oracle format in PostgreSQL's words; quoted text stays as it is. PostgreSQL keeps
-- microseconds: FF7 to FF9 print them followed by zeros.
CREATE FUNCTION public.oracle_datetime_format(format text, for_output boolean) RETURNS text
LANGUAGE plpgsql IMMUTABLE AS $fn$
DECLARE
  part text;
  result text := '';
BEGIN
  FOR part IN SELECT m[1] FROM regexp_matches(format, '("[^"]*"?|[^"]+)', 'g') m LOOP
    IF part NOT LIKE '"%' THEN
      IF for_output THEN
        part := regexp_replace(regexp_replace(regexp_replace(part, 'FF7', 'FF6"0"', 'gi'),
                                              'FF8', 'FF6"00"', 'gi'), 'FF9', 'FF6"000"', 'gi');
      END IF;
      part := regexp_replace(part, 'FF([7-9]|(?![1-6]))', 'FF6', 'gi');
      part := regexp_replace(regexp_replace(part, 'RRRR', 'YYYY', 'gi'), 'RR', 'YY', 'gi');
    END IF;
    result := result || part;
  END LOOP;
  RETURN result;
END
$fn$;

-- Read in UTC, which has no hour that a change of clocks skips.
CREATE FUNCTION public.to_date(text, text) RETURNS timestamp LANGUAGE sql STABLE SET TimeZone = 'UTC' AS
  $fn$SELECT pg_catalog.to_timestamp($1, public.oracle_datetime_format($2, false))::timestamp(0)$fn$;
-- Fraction digits past the sixth are dropped before PostgreSQL reads them.
CREATE FUNCTION public.to_timestamp(text, text) RETURNS timestamp LANGUAGE sql STABLE SET TimeZone = 'UTC' AS
  $fn$SELECT pg_catalog.to_timestamp(CASE WHEN $2 ~* 'FF' THEN regexp_replace($1, '([.,][0-9]{6})[0-9]+', '\1', 'g')
                                          ELSE $1 END,
                                     public.oracle_datetime_format($2, false))::timestamp$fn$;
CREATE FUNCTION public.to_char(timestamp, text) RETURNS text LANGUAGE sql STABLE AS
  $fn$SELECT pg_catalog.to_char($1, public.oracle_datetime_format($2, true))$fn$;

-- ---- ALTER TABLE ... MODIFY (c NOT NULL) / MODIFY c NULL ------------------------------------
-- PostgreSQL sets NOT NULL twice without a word; Oracle refuses (ORA-01442, ORA-01451).
CREATE PROCEDURE public.oracle_modify_nullability(tab text, cols text[], not_null boolean[]) LANGUAGE plpgsql AS $fn$
DECLARE
  t regclass := tab::regclass;
  was boolean;
BEGIN
  FOR k IN 1 .. array_length(cols, 1) LOOP
    SELECT attnotnull INTO was FROM pg_catalog.pg_attribute WHERE attrelid = t AND attname = cols[k] AND NOT attisdropped;
    IF was IS NULL THEN
      RAISE EXCEPTION 'ORA-00904: "%": invalid identifier', cols[k] USING ERRCODE = '42703';
    ELSIF was AND not_null[k] THEN
      RAISE EXCEPTION 'ORA-01442: column to be modified to NOT NULL is already NOT NULL' USING ERRCODE = 'HY000';
    ELSIF NOT was AND NOT not_null[k] THEN
      RAISE EXCEPTION 'ORA-01451: column to be modified to NULL cannot be modified to NULL' USING ERRCODE = 'HY000';
    END IF;
    EXECUTE format('ALTER TABLE %s ALTER COLUMN %I %s NOT NULL', t, cols[k], CASE WHEN not_null[k] THEN 'SET' ELSE 'DROP' END);
  END LOOP;
END
$fn$;

-- ---- Oracle's user locks (DBMS_LOCK) --------------------------------------------------------
-- Session-level advisory locks, which the session's end frees too. A request by the lock's owner
-- is granted without a second hold, so that one release frees it, as in Oracle.
CREATE FUNCTION public.oracle_lock_owned(id bigint) RETURNS boolean LANGUAGE sql STABLE AS $fn$
  SELECT EXISTS (SELECT 1 FROM pg_catalog.pg_locks
                 WHERE locktype = 'advisory' AND pid = pg_catalog.pg_backend_pid() AND granted
                   AND classid = (id >> 32)::oid AND objid = (id & 4294967295)::oid AND objsubid = 1)
$fn$;

-- Refused as Oracle's ODBC driver reports RAISE_APPLICATION_ERROR: SQLSTATE HY000.
CREATE PROCEDURE public.oracle_lock_request(id bigint, refusal text) LANGUAGE plpgsql AS $fn$
BEGIN
  IF NOT public.oracle_lock_owned(id) AND NOT pg_catalog.pg_try_advisory_lock(id) THEN
    RAISE EXCEPTION USING ERRCODE = 'HY000', MESSAGE = refusal;
  END IF;
END
$fn$;

CREATE PROCEDURE public.oracle_lock_release(id bigint) LANGUAGE plpgsql AS $fn$
BEGIN
  IF public.oracle_lock_owned(id) THEN
    PERFORM pg_catalog.pg_advisory_unlock(id);
  END IF;
END
$fn$;
