-- Contents of the throwaway MariaDB test database, shaped like the PostgreSQL one: views,
-- routines, a sequence, a foreign key and the column kinds the browser has to show (short,
-- medium and long text, blobs, numbers, dates, NULLs), plus a table of 100,000 rows for paging
-- and a table with many columns.
-- Runs as the database's owner, so that a refused write proves the session is read-only and
-- not merely lacking privileges.

SET NAMES utf8mb4;
SET SESSION group_concat_max_len = 1000000;

-- The numbers 0 .. 99999 as ten digits crossed five times: recursive queries stop at 1,000
-- steps here, and this is quicker anyway.
CREATE TEMPORARY TABLE digits (d int);
INSERT INTO digits VALUES (0), (1), (2), (3), (4), (5), (6), (7), (8), (9);
CREATE TEMPORARY TABLE numbers (n int PRIMARY KEY);
INSERT INTO numbers
  SELECT a.d + 10 * b.d + 100 * c.d + 1000 * e.d + 10000 * f.d
    FROM digits a, digits b, digits c, digits e, digits f;

CREATE TABLE customers (
  id int PRIMARY KEY,
  name varchar(40) NOT NULL,
  city varchar(40)
) COMMENT 'People who order';
INSERT INTO customers VALUES
  (1, 'Ada', 'London'),
  (2, 'Grace', 'Arlington'),
  (3, 'Björn', NULL);

-- uuid and json as MariaDB has them; `tiny` is signed like the tinyint behind boolean, with the
-- values an unsigned reading gets wrong.
CREATE TABLE binding_kinds (
  id int PRIMARY KEY,
  short_text varchar(20),
  medium_text varchar(1000),
  long_text text,
  data blob,
  amount decimal(12, 2),
  small smallint,
  big bigint,
  ratio double,
  flag boolean,
  day date,
  moment time,
  stamp datetime(1),
  uid uuid,
  doc json,
  tiny tinyint
);
INSERT INTO binding_kinds VALUES
  (1, 'short', repeat('m', 700), repeat('L', 600), x'00010203ff', 1234.50, -7,
   9007199254740993, 0.25, true, '2024-02-29', '13:14:15', '2024-02-29 13:14:15.5',
   'a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11', '{"a": [1, 2]}', -128),
  (2, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL),
  (3, 'Grüße', 'Ωmega', 'long Grüße', x'', -0.01, 32767, -1, -1.5, false,
   '1999-12-31', '00:00:00', '1999-12-31 23:59:59', NULL, '"Grüße"', 127);

-- One value of exactly 100,000 characters: "0000000001" .. "0000010000", so a reader can check
-- both the length and that no piece was lost or repeated.
CREATE TABLE long_values (
  id int PRIMARY KEY,
  body mediumtext
);
INSERT INTO long_values
  SELECT 1, group_concat(lpad(n, 10, '0') ORDER BY n SEPARATOR '')
    FROM numbers WHERE n BETWEEN 1 AND 10000;
INSERT INTO long_values VALUES (2, NULL), (3, 'short');

CREATE TABLE big_table (
  id int PRIMARY KEY,
  label varchar(30) NOT NULL
);
INSERT INTO big_table SELECT n, concat('row ', n) FROM numbers;

CREATE TABLE `order items` (
  id int PRIMARY KEY,
  item varchar(40)
);
INSERT INTO `order items` VALUES (1, 'pen'), (2, 'ink');

-- A table with many columns: c01 .. c60.
SELECT group_concat(concat('c', lpad(n, 2, '0'), ' int') ORDER BY n SEPARATOR ', '),
       group_concat(n ORDER BY n SEPARATOR ', ')
  INTO @cols, @vals
  FROM numbers WHERE n BETWEEN 1 AND 60;
EXECUTE IMMEDIATE concat('CREATE TABLE wide_table (', @cols, ')');
EXECUTE IMMEDIATE concat('INSERT INTO wide_table VALUES (', @vals, ')');

CREATE TABLE orders (
  id int PRIMARY KEY,
  customer_id int NOT NULL,
  total decimal(10, 2),
  ordered_on date,
  CONSTRAINT orders_customer FOREIGN KEY (customer_id) REFERENCES customers (id)
);
INSERT INTO orders VALUES
  (10, 1, 99.90, '2023-01-05'),
  (11, 2, 15.00, '2023-02-11'),
  (12, 1, NULL, NULL);

-- What the writing procedure adds to: a session that may not write must leave it empty.
CREATE TABLE audit (
  id int AUTO_INCREMENT PRIMARY KEY,
  note varchar(100) NOT NULL
);

CREATE SEQUENCE seq_ids START WITH 1 INCREMENT BY 1;

CREATE VIEW customer_names AS SELECT id, name FROM customers;
CREATE VIEW order_totals AS
  SELECT customer_id, sum(total) AS total FROM orders GROUP BY customer_id;

CREATE FUNCTION add_numbers(a int, b int) RETURNS int DETERMINISTIC NO SQL
  RETURN a + b;
CREATE PROCEDURE record_visit(IN what varchar(100)) MODIFIES SQL DATA
  INSERT INTO audit (note) VALUES (what);
DELIMITER //
CREATE FUNCTION bump_audit() RETURNS int MODIFIES SQL DATA
BEGIN
  INSERT INTO audit (note) VALUES ('bumped');
  RETURN 1;
END//
DELIMITER ;

-- A value of every common type as the mariadb client prints it, the empty text, NULL, and text
-- at the inline limit of 511 bytes, one byte over it, and with a two-byte character across it.
CREATE TABLE value_kinds (
  id int PRIMARY KEY, t text, mt mediumtext, j json, vc varchar(20), bi bigint, f8 double,
  f4 float, num decimal(20, 6), d date, tm time(6), dt datetime(6), ts timestamp(1) NULL,
  u uuid, ip inet6, b boolean, e enum('sad', 'ok', 'happy'), md5 char(32), bl blob
);
INSERT INTO value_kinds VALUES
  (1, 'Straße', '日本語テキスト', '{"a": 1}', 'short', 9007199254740993, 3.141592653589793, 0.1,
   12345678901234.123456, '2024-02-29', '13:14:15.5', '2024-02-29 13:14:15.5',
   '2024-02-29 13:14:15.5', 'a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11', '2001:db8::1', true, 'happy',
   md5('quillet'), x'0102'),
  (2, '', '', '""', '', -9223372036854775808, -0e0, -0e0, -0.000001, '1000-01-01', '00:00:00',
   '1000-01-01 00:00:00', '1970-01-02 00:00:00', '00000000-0000-0000-0000-000000000000', '::1',
   false, 'sad', '', x''),
  (3, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL,
   NULL, NULL, NULL),
  (4, repeat('a', 511), concat(repeat('b', 509), 'é'), '[1.5e300, null]', 'x', 9223372036854775807,
   1e300, 3.4e38, 99999999999999.999999, '9999-12-31', '-838:59:59', '9999-12-31 23:59:59.999999',
   '2038-01-19 03:14:07.9', 'ffffffff-ffff-ffff-ffff-ffffffffffff', '::ffff:192.168.0.1', NULL,
   'ok', NULL, x'ff'),
  (5, repeat('a', 512), NULL, NULL, NULL, NULL, 0.30000000000000004, NULL, NULL, NULL, NULL, NULL,
   NULL, NULL, NULL, NULL, NULL, NULL, NULL),
  (6, concat(repeat('a', 510), 'é'), NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL,
   NULL, NULL, NULL, NULL, NULL, NULL, NULL);

DROP TEMPORARY TABLE numbers, digits;
