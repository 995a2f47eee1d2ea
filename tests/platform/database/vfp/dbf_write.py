#!/usr/bin/python3
"""Writes test tables with python3-dbf (another implementation of the format) into a folder and
prints, per table, its file name and the rows it wrote in the canonical text form of
dbfread_dump.py, as JSON lines: ["table", name] then ["live", values...]."""
import datetime
import json
import sys

import dbf

ROWS = [
    ("Smith & Sons", 12, 1234.5, True, datetime.date(2024, 2, 29), "first memo\r\nline two", 7, 3.25),
    ("Müller Gärten", -3, 0.0, False, datetime.date(1999, 12, 31), "", -40000, -0.5),
    ("", 0, -99.99, None, None, "x" * 300, 0, 1e10),
]


def canonical_rows(rows, with_extra):
    out = []
    for name, qty, price, flag, day, notes, count, ratio in rows:
        values = ["S:" + name, "N:%.6f" % qty, "N:%.6f" % price,
                  "L:T" if flag else "L:F",
                  "D:" + (day.strftime("%Y%m%d") if day else ""), "S:" + notes]
        if with_extra:
            values += ["N:%.6f" % count, "N:%.6f" % ratio]
        out.append(["live"] + values)
    return out


def main():
    folder = sys.argv[1]
    specs = [
        ("vfp_cp1252", "vfp", "cp1252",
         "name C(20); qty N(5,0); price N(10,2); flag L; day D; notes M; count I; ratio B"),
        ("fox2_cp437", "fp", "cp437", "name C(20); qty N(5,0); price N(10,2); flag L; day D; notes M"),
        ("db3_cp850", "db3", "cp850", "name C(20); qty N(5,0); price N(10,2); flag L; day D; notes M"),
    ]
    for name, kind, codepage, fields in specs:
        table = dbf.Table(folder + "/" + name + ".dbf", fields, dbf_type=kind, codepage=codepage)
        table.open(mode=dbf.READ_WRITE)
        extra = kind == "vfp"
        for row in ROWS:
            values = row if extra else row[:6]
            table.append(tuple(values))
        table.close()
        print(json.dumps(["table", name]))
        for r in canonical_rows(ROWS, extra):
            print(json.dumps(r, ensure_ascii=False))


if __name__ == "__main__":
    main()
