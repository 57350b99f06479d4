#!/usr/bin/env python3
"""Reads an exported file back with Python's own parsers and compares it with the source.

The source is either an SQLite database and a query (--db, --sql), read with Python's sqlite3
module, or a CSV file of texts made by another client (--reference-csv, the PostgreSQL tests).
The export is read with the csv module, the json module, or, for SQL, by running its
statements in a fresh SQLite database. Prints what differs and exits 1, or prints the row
count and exits 0.

A database keeps some values in a form an export cannot: a number in a column of no numeric
type is exported as the text it prints as, so such a value compares equal to that text.
"""

import argparse
import base64
import csv
import json
import math
import sqlite3
import sys
from decimal import Decimal, InvalidOperation

csv.field_size_limit(sys.maxsize)


def same_real(text_or_number, value):
    try:
        other = float(text_or_number)
    except (TypeError, ValueError):
        return False
    return other == value or (math.isnan(other) and math.isnan(value))


def same_decimal(number, text):
    """A JSON number against a client's text of it ("1234.50", "-1")."""
    try:
        return Decimal(str(number)) == Decimal(text)
    except InvalidOperation:
        return False


class Reference:
    """Rows of the source: typed values from SQLite, or texts from a client's CSV."""

    def __init__(self, args):
        self.binary = set(args.binary_columns.split(",")) if args.binary_columns else set()
        self.texts = args.reference_csv is not None
        if self.texts:
            with open(args.reference_csv, newline="", encoding="utf-8") as f:
                rows = list(csv.reader(f))
            self.names, self.rows = rows[0], rows[1:]
            # The client prints NULL as the text --reference-null names.
            null = args.reference_null
            self.rows = [[None if v == null else v for v in row] for row in self.rows]
        else:
            con = sqlite3.connect("file:%s?mode=ro" % args.db, uri=True)
            con.text_factory = lambda b: b.decode("utf-8", "replace")
            cursor = con.execute(args.sql)
            self.names = [d[0] for d in cursor.description]
            self.rows = cursor.fetchall()
            self.create = None
            if args.schema_table:
                row = con.execute("SELECT sql FROM sqlite_master WHERE name = ?",
                                  (args.schema_table,)).fetchone()
                self.create = row[0]
            con.close()

    def is_binary(self, column):
        return self.names[column] in self.binary


def csv_matches(v, field, null_text, binary):
    if v is None:
        return field == null_text
    if isinstance(v, bytes) or binary:
        expected = v if isinstance(v, bytes) else bytes.fromhex(v)
        return field == expected.hex().upper()
    if isinstance(v, int):
        return field == str(v)
    if isinstance(v, float):
        return same_real(field, v)
    return field == v


def json_matches(v, x, binary):
    if v is None:
        return x is None
    if isinstance(v, bytes) or binary:
        expected = v if isinstance(v, bytes) else bytes.fromhex(v)
        return isinstance(x, str) and base64.b64decode(x, validate=True) == expected
    if isinstance(x, bool):
        if isinstance(v, str):
            return v in (("t", "true", "1") if x else ("f", "false", "0"))
        return isinstance(v, int) and v in (0, 1) and x == bool(v)
    if isinstance(v, str) and isinstance(x, (int, float)):
        return same_decimal(x, v)  # a number column, against a client's text
    if isinstance(v, int):
        return (type(x) is int and x == v) or x == str(v)
    if isinstance(v, float):
        return (isinstance(x, (int, float)) and same_real(x, v)) or (
            isinstance(x, str) and same_real(x, v))
    return x == v


def sql_matches(v, got, binary):
    if v is None:
        return got is None
    if isinstance(v, bytes) or binary:
        expected = v if isinstance(v, bytes) else bytes.fromhex(v)
        return isinstance(got, bytes) and got == expected
    if isinstance(v, str):
        if isinstance(got, str):
            return got == v
        if v in ("t", "f"):
            return got == (1 if v == "t" else 0)  # TRUE/FALSE
        return isinstance(got, (int, float)) and same_decimal(got, v)
    if isinstance(v, int):
        return (type(got) is int and got == v) or got == str(v)
    if isinstance(v, float):
        return (type(got) is float and same_real(got, v)) or (
            isinstance(got, str) and same_real(got, v))
    return got == v


def exported_rows(args, names):
    """The export as a header and rows of values (texts for CSV)."""
    if args.format == "csv":
        with open(args.file, newline="", encoding="utf-8") as f:
            rows = list(csv.reader(f, delimiter=args.separator, strict=True))
        return rows[0], rows[1:]
    if args.format == "jsonl":
        objects = []
        with open(args.file, newline="", encoding="utf-8") as f:
            for line in f.read().split("\n")[:-1]:
                objects.append(json.loads(line))
        header = list(objects[0].keys()) if objects else names
        for o in objects:
            if list(o.keys()) != header:
                return list(o.keys()), []
        return header, [list(o.values()) for o in objects]
    return None, None


def imported_rows(args, reference):
    con = sqlite3.connect(":memory:")
    con.text_factory = lambda b: b.decode("utf-8", "replace")
    table = args.sql_table
    if not reference.texts and reference.create:
        con.execute(reference.create)
        if args.schema_table != table:
            con.execute('ALTER TABLE "%s" RENAME TO "%s"' % (args.schema_table, table))
    else:
        # No declared types: every value keeps the kind its literal has.
        quoted = ", ".join('"%s"' % n.replace('"', '""') for n in reference.names)
        con.execute('CREATE TABLE "%s" (%s)' % (table.replace('"', '""'), quoted))
    with open(args.file, newline="", encoding="utf-8") as f:
        script = f.read()
    con.executescript(script)
    cursor = con.execute('SELECT * FROM "%s" ORDER BY rowid' % table.replace('"', '""'))
    return [d[0] for d in cursor.description], cursor.fetchall()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--format", required=True, choices=["csv", "jsonl", "sql"])
    parser.add_argument("--file", required=True)
    parser.add_argument("--db")
    parser.add_argument("--sql")
    parser.add_argument("--reference-csv")
    parser.add_argument("--reference-null", default="")
    parser.add_argument("--binary-columns", default="")
    parser.add_argument("--separator", default=",")
    parser.add_argument("--null", default="")
    parser.add_argument("--sql-table", default="")
    parser.add_argument("--schema-table", default="")
    args = parser.parse_args()

    reference = Reference(args)
    if args.format == "sql":
        header, rows = imported_rows(args, reference)
        matches = lambda v, x, c: sql_matches(v, x, reference.is_binary(c))
    else:
        header, rows = exported_rows(args, reference.names)
        if args.format == "csv":
            matches = lambda v, x, c: csv_matches(v, x, args.null, reference.is_binary(c))
        else:
            matches = lambda v, x, c: json_matches(v, x, reference.is_binary(c))

    problems = []
    if header != reference.names:
        problems.append("columns %r, expected %r" % (header, reference.names))
    if len(rows) != len(reference.rows):
        problems.append("%d rows, expected %d" % (len(rows), len(reference.rows)))
    for number, (expected, got) in enumerate(zip(reference.rows, rows), 1):
        if len(got) != len(expected):
            problems.append("row %d has %d values, expected %d" % (number, len(got), len(expected)))
            continue
        for column, (v, x) in enumerate(zip(expected, got)):
            if not matches(v, x, column):
                problems.append("row %d column %s: %r, expected %r" %
                                (number, reference.names[column], repr(x)[:120], repr(v)[:120]))
        if len(problems) > 10:
            break
    if problems:
        print("\n".join(problems[:10]))
        return 1
    print("ok %d rows" % len(rows))
    return 0


if __name__ == "__main__":
    sys.exit(main())
