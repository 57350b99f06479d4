-- Rows that take the server a millisecond each: the driver reads a whole result before the
-- first page, so loading these takes long enough for a test to stop the server in the middle.
CREATE VIEW slow_rows AS
  SELECT id, label, SLEEP(0.001) AS pause FROM big_table WHERE id < 4000;
