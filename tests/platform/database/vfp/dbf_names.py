#!/usr/bin/python3
"""Writes two Windows-1252 tables with python3-dbf into a folder for the collation tests:
names.dbf (NAME C(8)) with letters beyond ASCII, and owners.dbf (OWNER C(4)) whose codes are the
first characters of some of those names ("Zeb" stored as "Zeb " is not the start of "Zebra")."""
import sys

import dbf

NAMES = ["Zebra", "\u20acuro", "abc", "\u00c9mile", "\u0152uvre", "\u00a3ound", "Stra\u00dfe",
         "\u00e9mile", "\u0153uvre", "\u00ffvonne", "Zo\u00eb", "", "Abc"]
OWNERS = ["\u00c9mil", "\u20acuro", "Stra", "Zeb"]


def write(path, fields, rows):
    table = dbf.Table(path, fields, dbf_type="vfp", codepage="cp1252")
    table.open(mode=dbf.READ_WRITE)
    for row in rows:
        table.append((row,))
    table.close()


def main():
    folder = sys.argv[1]
    write(folder + "/names.dbf", "name C(8)", NAMES)
    write(folder + "/owners.dbf", "owner C(4)", OWNERS)


if __name__ == "__main__":
    main()
