-- Contents of the throwaway test database: two schemas, views, functions and the column kinds
-- the browser has to show (short, medium and long text, bytea, numbers, dates, NULLs), plus a
-- table of 100,000 rows for paging and a table with many columns.
-- Runs as the owner role, so that a refused write proves the session is read-only and not
-- merely lacking privileges.

\set ON_ERROR_STOP on

CREATE SCHEMA sales;

CREATE TABLE public.customers (
  id integer PRIMARY KEY,
  name varchar(40) NOT NULL,
  city varchar(40)
);
INSERT INTO public.customers VALUES
  (1, 'Ada', 'London'),
  (2, 'Grace', 'Arlington'),
  (3, 'Björn', NULL);

CREATE TABLE public.binding_kinds (
  id integer PRIMARY KEY,
  short_text varchar(20),
  medium_text varchar(1000),
  long_text text,
  data bytea,
  amount numeric(12, 2),
  small smallint,
  big bigint,
  ratio double precision,
  flag boolean,
  day date,
  moment time,
  stamp timestamp,
  uid uuid
);
INSERT INTO public.binding_kinds VALUES
  (1, 'short', repeat('m', 700), repeat('L', 600), '\x00010203ff'::bytea, 1234.50, -7,
   9007199254740993, 0.25, true, '2024-02-29', '13:14:15', '2024-02-29 13:14:15.5',
   'a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11'),
  (2, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL),
  (3, 'Grüße', 'Ωmega', 'long Grüße', '\x'::bytea, -0.01, 32767, -1, -1.5, false,
   '1999-12-31', '00:00:00', '1999-12-31 23:59:59', NULL);

-- One value of exactly 100,000 characters: "0000000001" .. "0000010000", so a reader can check
-- both the length and that no piece was lost or repeated.
CREATE TABLE public.long_values (
  id integer PRIMARY KEY,
  body text
);
INSERT INTO public.long_values
  SELECT 1, string_agg(lpad(i::text, 10, '0'), '' ORDER BY i) FROM generate_series(1, 10000) i;
INSERT INTO public.long_values VALUES (2, NULL), (3, 'short');

CREATE TABLE public.big_table (
  id integer PRIMARY KEY,
  label varchar(30) NOT NULL
);
INSERT INTO public.big_table SELECT i, 'row ' || i FROM generate_series(0, 99999) i;

CREATE TABLE public."order items" (
  id integer PRIMARY KEY,
  item varchar(40)
);
INSERT INTO public."order items" VALUES (1, 'pen'), (2, 'ink');

-- A table with many columns: c01 .. c60.
DO $$
DECLARE
  cols text;
  vals text;
BEGIN
  SELECT string_agg(format('c%s integer', lpad(i::text, 2, '0')), ', ' ORDER BY i),
         string_agg(i::text, ', ' ORDER BY i)
    INTO cols, vals
    FROM generate_series(1, 60) i;
  EXECUTE format('CREATE TABLE public.wide_table (%s)', cols);
  EXECUTE format('INSERT INTO public.wide_table VALUES (%s)', vals);
END
$$;

CREATE TABLE sales.regions (
  id integer PRIMARY KEY,
  name varchar(40) NOT NULL
);
INSERT INTO sales.regions VALUES (1, 'North'), (2, 'South');

CREATE TABLE sales.orders (
  id integer PRIMARY KEY,
  customer_id integer NOT NULL REFERENCES public.customers (id),
  region_id integer REFERENCES sales.regions (id),
  total numeric(10, 2),
  ordered_on date
);
INSERT INTO sales.orders VALUES
  (10, 1, 1, 99.90, '2023-01-05'),
  (11, 2, 2, 15.00, '2023-02-11'),
  (12, 1, NULL, NULL, NULL);

CREATE VIEW public.customer_names AS SELECT id, name FROM public.customers;
CREATE VIEW sales.order_totals AS
  SELECT customer_id, sum(total) AS total FROM sales.orders GROUP BY customer_id;

CREATE FUNCTION public.add_numbers(a integer, b integer) RETURNS integer
  LANGUAGE sql IMMUTABLE AS 'SELECT a + b';
CREATE FUNCTION sales.order_count() RETURNS bigint
  LANGUAGE sql STABLE AS 'SELECT count(*) FROM sales.orders';
CREATE PROCEDURE sales.touch_nothing()
  LANGUAGE sql AS 'SELECT 1';

-- What the writing routines add to: a session that may not write must leave it empty.
CREATE TABLE public.audit (
  id serial PRIMARY KEY,
  note varchar(100) NOT NULL
);
CREATE SEQUENCE public.seq_ids;
CREATE FUNCTION public.bump_audit() RETURNS integer
  LANGUAGE sql AS $$ INSERT INTO public.audit (note) VALUES ('bumped') RETURNING 1 $$;
CREATE PROCEDURE public.record_visit(what varchar)
  LANGUAGE plpgsql AS $$
BEGIN
  INSERT INTO public.audit (note) VALUES (what);
  COMMIT;
END
$$;

-- A value of every common type as psql prints it, the empty text, NULL, and text at the inline
-- limit of 511 bytes, one byte over it, and with a two-byte character across it.
CREATE TYPE public.mood AS ENUM ('sad', 'ok', 'happy');
CREATE TABLE public.value_kinds (
  id integer PRIMARY KEY, t text, x xml, j json, jb jsonb, vc varchar(20), bi bigint,
  f8 double precision, f4 real, num numeric(20, 6), d date, tm time, tz timestamptz,
  ts timestamp, iv interval, u uuid, ip inet, arr integer[], m money, b boolean, e public.mood,
  md5 text, by bytea
);
INSERT INTO public.value_kinds VALUES
  (1, 'Straße', '<a>1</a>', '{"a": 1}', '{"a": 1}', 'short', 9007199254740993, 3.141592653589793,
   0.1, 12345678901234.123456, '2024-02-29', '13:14:15.5', '2024-02-29 13:14:15.5+01',
   '2024-02-29 13:14:15.5', '1 day 02:03:04', 'a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11',
   '192.168.0.1/24', '{1,2,3}', 1234.5, true, 'happy', md5('quillet'), '\x0102'),
  (2, '', '', '""', '""', '', -9223372036854775808, '-0', '-0', -0.000001, '0001-01-01',
   '00:00:00', '1970-01-01 00:00:00+00', '1970-01-01', '-1 mon', 
   '00000000-0000-0000-0000-000000000000', '::1', '{}', -0.01, false, 'sad', '', '\x'),
  (3, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL,
   NULL, NULL, NULL, NULL, NULL, NULL, NULL),
  (4, repeat('a', 511), '日本語テキスト', '[1.5e300, null]', '{"b": [true, false]}', 'x',
   9223372036854775807, 1e300, 3.4e38, 99999999999999.999999, '9999-12-31', '23:59:59.999999',
   '2024-07-01 00:00:00+00', '2000-01-01 00:00:00.000001', '1 year 2 mons 3 days',
   'ffffffff-ffff-ffff-ffff-ffffffffffff', '2001:db8::/32', '{{1,2},{3,4}}', 0, NULL, 'ok',
   repeat('b', 511), '\xff'),
  (5, repeat('a', 512), NULL, NULL, NULL, NULL, NULL, 0.30000000000000004, NULL, NULL, NULL, NULL,
   NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, repeat('b', 509) || 'é', NULL),
  (6, repeat('a', 510) || 'é', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL,
   NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL);

COMMENT ON TABLE public.customers IS 'People who order';

ANALYZE public.big_table;
