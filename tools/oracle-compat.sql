-- Run as the superuser in the test user's database (here: scott).
-- Oracle keeps a user's tables in the schema named after the user.
CREATE SCHEMA scott AUTHORIZATION scott;

-- BLOB: PostgreSQL's bytea under Oracle's name; psqlODBC reports it as SQL_LONGVARBINARY.
CREATE DOMAIN public.blob AS bytea;

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

CREATE FUNCTION public.attach_blob_literal_trigger() RETURNS event_trigger LANGUAGE plpgsql AS $fn$
DECLARE
  t oid;
  args text;
BEGIN
  FOR t IN SELECT objid FROM pg_event_trigger_ddl_commands()
           WHERE command_tag = 'CREATE TABLE' AND object_type = 'table' LOOP
    SELECT string_agg(quote_literal(attname), ', ' ORDER BY attnum) INTO args
    FROM pg_attribute
    WHERE attrelid = t AND attnum > 0 AND NOT attisdropped
      AND atttypid = 'public.blob'::regtype;
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
