-- Rows of which a band in the middle takes the server 20 ms each: the first page comes at once,
-- while a count (four seconds) or a jump into the band (two) takes long enough for a test to
-- stop the server in the middle. The function is not inlined (two statements), so the pause
-- happens for every row the server passes, also when nothing reads its value.
CREATE FUNCTION public.slow_id(i integer) RETURNS integer AS $$
  SELECT pg_sleep(CASE WHEN i BETWEEN 1000 AND 1199 THEN 0.02 ELSE 0 END);
  SELECT i;
$$ LANGUAGE sql VOLATILE;
CREATE VIEW public.slow_rows AS
  SELECT public.slow_id(i) AS id, 'row ' || i AS label FROM generate_series(0, 29999) i;
