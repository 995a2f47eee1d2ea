#!/usr/bin/python3
"""Writes a Visual FoxPro table with python3-dbf (another implementation of the format) for the
tests of damaged tables and refused statements: FOLDER/NAME.dbf (cp1252) with ROWS records of
qty N(3,0) = record number, name C(10) and notes M (a memo on every record)."""
import sys

import dbf


def main():
    folder, name, rows = sys.argv[1], sys.argv[2], int(sys.argv[3])
    table = dbf.Table(folder + "/" + name + ".dbf", "qty N(3,0); name C(10); notes M",
                      dbf_type="vfp", codepage="cp1252")
    table.open(mode=dbf.READ_WRITE)
    for i in range(1, rows + 1):
        table.append((i, "row%d" % i, "memo of record %d" % i))
    table.close()


if __name__ == "__main__":
    main()
