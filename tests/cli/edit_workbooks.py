#!/usr/bin/python3
"""Edits exported workbooks as an operator would, with programs other than the tool.

usage: edit_workbooks.py FOLDER
Reads FOLDER/{po,so,payable,receivable}.xls (those present), writes the edited copies and
prints lines "file KIND PATH" and "kept|removed KIND ID ENTRY RATE BILL".

  po          first data row deleted, a rate of 17 retyped as the text "17%"   -> po.xlsx (openpyxl)
  so          second data row cleared (left empty), first data row deleted     -> so.xls  (xlwt, BIFF8)
  payable     kept as the tool wrote it                                        -> payable.xls
  receivable  last data row deleted                                            -> receivable.xlsx
"""
import os
import sys

import openpyxl
import xlrd
import xlwt

SHEETS = {"po": "采购订单", "so": "销售订单", "payable": "应付合同", "receivable": "应收合同"}


def read_rows(path, sheet):
    book = xlrd.open_workbook(path)
    return [book.sheet_by_name(sheet).row_values(r) for r in range(book.sheet_by_name(sheet).nrows)]


def key(row):
    return [int(row[12]), int(row[13]), float(row[7]), str(row[0])]


def write_xlsx(path, sheet, rows):
    book = openpyxl.Workbook()
    ws = book.active
    ws.title = sheet
    for r, row in enumerate(rows, start=1):
        for c, value in enumerate(row, start=1):
            if value is not None and value != "":
                ws.cell(row=r, column=c, value=value)
    book.save(path)


def write_xls(path, sheet, rows):
    book = xlwt.Workbook(encoding="utf-8")
    ws = book.add_sheet(sheet)
    for r, row in enumerate(rows):
        for c, value in enumerate(row):
            if value is not None and value != "":
                ws.write(r, c, value)
    book.save(path)


def main():
    folder = sys.argv[1]
    report = {}
    for kind, sheet in SHEETS.items():
        source = os.path.join(folder, kind + ".xls")
        if not os.path.exists(source):
            continue
        rows = read_rows(source, sheet)
        header, data = rows[0], rows[1:]
        removed = []
        kept = list(data)
        if kind == "po" and kept:
            removed.append(key(kept.pop(0)))
            for row in kept:
                if float(row[7]) == 17:
                    row[7] = "17%"
                    break
            target = os.path.join(folder, "po.xlsx")
            write_xlsx(target, sheet, [header] + kept)
        elif kind == "so" and kept:
            removed.append(key(kept.pop(0)))
            if len(kept) > 1:
                removed.append(key(kept[0]))
                kept[0] = [""] * len(kept[0])
            target = os.path.join(folder, "so_edited.xls")
            write_xls(target, sheet, [header] + kept)
        elif kind == "receivable" and kept:
            removed.append(key(kept.pop()))
            target = os.path.join(folder, "receivable.xlsx")
            write_xlsx(target, sheet, [header] + kept)
        else:
            target = source
        listed = []
        for row in kept:
            if all(v == "" for v in row):
                continue
            listed.append([int(row[12]), int(row[13]),
                           float(str(row[7]).rstrip("%")), str(row[0])])
        report[kind] = {"file": target, "kept": listed, "removed": removed}
    for kind, done in report.items():
        print("file", kind, done["file"])
        for what in ("kept", "removed"):
            for interid, entry, rate, bill in done[what]:
                print(what, kind, interid, entry, rate, bill)


if __name__ == "__main__":
    main()
