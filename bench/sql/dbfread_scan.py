#!/usr/bin/python3
"""Times python3-dbfread reading every record of a table with its memos: the yardstick the
review query's benchmark is set against.

    bench/sql/dbfread_scan.py FOLDER [TABLE]      (FOLDER as VELLORAN_BENCH_DIR keeps it)
"""
import os
import sys
import time

import dbfread


def main():
    folder = sys.argv[1]
    table = sys.argv[2] if len(sys.argv) > 2 else "Z_STRAN.DBF"
    path = os.path.join(folder, table)
    best = None
    for _ in range(3):
        start = time.perf_counter()
        records = sum(1 for _ in dbfread.DBF(path, encoding="cp1252", char_decode_errors="replace"))
        elapsed = time.perf_counter() - start
        best = elapsed if best is None else min(best, elapsed)
    print(f"{table}: {records} records in {best * 1000:.0f} ms (best of 3)")


if __name__ == "__main__":
    main()
