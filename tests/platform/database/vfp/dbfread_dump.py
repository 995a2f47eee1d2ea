#!/usr/bin/python3
"""Prints a table's records as read by dbfread, one JSON list per line, in a canonical text form
the engine's tests compare against: live records first ("live"), then deleted ones ("deleted")."""
import datetime
import decimal
import json
import sys

import dbfread


def canonical(field, value):
    t = field.type
    if t in "NF" and value is None:
        value = 0
    if t in "MGP" and value is None:
        value = ""
    if t == "L" and value is None:
        value = False
    if value is None:
        return {"D": "D:", "T": "T:"}.get(t, "NULL")
    if isinstance(value, bool):
        return "L:T" if value else "L:F"
    if isinstance(value, (int, float, decimal.Decimal)):
        return "N:%.6f" % float(value)
    if isinstance(value, datetime.datetime):
        return "T:" + value.strftime("%Y%m%d %H:%M:%S.") + "%03d" % (value.microsecond // 1000)
    if isinstance(value, datetime.date):
        return "D:" + value.strftime("%Y%m%d")
    if isinstance(value, bytes):
        return "B:" + value.hex()
    return "S:" + value


def main():
    path, encoding = sys.argv[1], sys.argv[2]
    table = dbfread.DBF(path, encoding=encoding, char_decode_errors="replace",
                        recfactory=lambda items: items, load=False)
    out = sys.stdout
    for kind, records in (("live", table.records), ("deleted", table.deleted)):
        for items in records:
            values = [canonical(f, v) for f, (_, v) in zip(table.fields, items) if f.type != "0"]
            out.write(json.dumps([kind] + values, ensure_ascii=False) + "\n")


if __name__ == "__main__":
    main()
