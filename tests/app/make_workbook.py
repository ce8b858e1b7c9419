#!/usr/bin/env python3
"""make_workbook.py OUT.xls < SPEC.json -- writes a test workbook with xlwt.

SPEC: {"sheets": [{"name": "Sheet1", "cells": [[row, col, value], ...]}, ...]}
with 1-based row and col.  A value is a JSON string (text), number (number),
true/false (boolean), {"date": [y, m, d, hh, mm, ss]} (a date cell with a
date-time format) or {"formula": "1+2"} (a formula; xlwt stores no cached
result).  A workbook without sheets cannot be written by xlwt.
"""
import datetime
import json
import sys

import xlwt


def main():
    spec = json.load(sys.stdin)
    book = xlwt.Workbook(encoding="utf-8")
    date_style = xlwt.easyxf(num_format_str="YYYY-MM-DD hh:mm:ss")
    for sheet_spec in spec["sheets"]:
        sheet = book.add_sheet(sheet_spec["name"])
        for row, col, value in sheet_spec.get("cells", []):
            if isinstance(value, dict) and "date" in value:
                sheet.write(row - 1, col - 1, datetime.datetime(*value["date"]), date_style)
            elif isinstance(value, dict) and "formula" in value:
                sheet.write(row - 1, col - 1, xlwt.Formula(value["formula"]))
            else:
                sheet.write(row - 1, col - 1, value)
    book.save(sys.argv[1])


if __name__ == "__main__":
    main()
