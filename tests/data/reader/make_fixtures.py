#!/usr/bin/python3
"""Writes the reader's fixture workbooks with programs other than ours.

Run from anywhere: /usr/bin/python3 tests/data/reader/make_fixtures.py
Needs python3-xlwt, python3-openpyxl, gnumeric (ssconvert) and LibreOffice (soffice).
"""
import os
import shutil
import subprocess
import tempfile
import zipfile

import openpyxl
import xlwt

HERE = os.path.dirname(os.path.abspath(__file__))
SHEET = "采购订单"
HEADERS = ["单据编号", "客户名称", "物料代码", "物料名称", "数量", "单价", "含税单价", "税率",
           "税额", "金额", "价税合计", "关联金额", "单据内码", "单据分录"]
# Rows 2..: None is an empty cell. Column P (index 15) holds numbers only and has no title.
ROWS = [
    ["POORD000001", "华东供应商", "01.001", "螺丝", 10, 2.5, 2.925, 17, 4.25, 25, 29.25, 0, 1001, 1,
     None, 7],
    ["POORD000001", None, "01.002", "垫片", 3, 12, 14.04, "17", 6.12, 36, 42.12, 0, 1001, 2,
     None, None],
    ["POORD000002", "华南供应商", "02.001", "Bolt", 1.5, 100, 111, 11, 15, 150, 165, 50, 1002, 1,
     None, 0.5],
    None,  # an empty row inside the used range
    ["POORD000003", "西北供应商", "03.001", "法兰", 501.0, 1.1, 1.287, 17, 93.78, 551.1, 644.88,
     0, 1003, 3, None, None],
]


def xlwt_book(rows, title_only=False, sheet=SHEET, extra_first=True):
    book = xlwt.Workbook(encoding="utf-8")
    if extra_first:
        book.add_sheet("说明").write(0, 0, "其它")
    ws = book.add_sheet(sheet)
    for c, h in enumerate(HEADERS):
        ws.write(0, c, h)
    if not title_only:
        for r, row in enumerate(rows, start=1):
            for c, v in enumerate(row or []):
                if v is not None:
                    ws.write(r, c, v)
    return book


def write_openpyxl(path, rows, empty=False):
    wb = openpyxl.Workbook()
    wb.active.title = "说明"
    ws = wb.create_sheet(SHEET)
    if not empty:
        ws.append(HEADERS)
        for row in rows:
            ws.append(row or [])
    wb.save(path)


HANDMADE_SHEET = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<x:worksheet xmlns:x="http://schemas.openxmlformats.org/spreadsheetml/2006/main">
<x:sheetData>
<x:row r="1"><x:c t="s"><x:v>0</x:v></x:c><x:c r="B1" t="inlineStr"><x:is><x:t>客户名称</x:t></x:is></x:c><x:c r="H1" t="s"><x:v>1</x:v></x:c></x:row>
<x:row><x:c t="inlineStr"><x:is><x:r><x:t>POORD</x:t></x:r><x:r><x:t>000001</x:t></x:r><x:rPh><x:t>ignored</x:t></x:rPh></x:is></x:c><x:c/><x:c t="str"><x:f>"01."&amp;"001"</x:f><x:v>01.001</x:v></x:c><x:c r="E2"><x:f>2*5</x:f><x:v>10</x:v></x:c><x:c r="H2"><x:v>17</x:v></x:c><x:c r="P2" t="b"><x:v>1</x:v></x:c></x:row>
<x:row r="4"><x:c r="A4" t="s"><x:v>2</x:v></x:c><x:c r="E4"><x:f>1/0</x:f><x:v>#DIV/0!</x:v></x:c><x:c r="F4" t="e"><x:v>#N/A</x:v></x:c><x:c r="H4" t="inlineStr"><x:is><x:t>11</x:t></x:is></x:c><x:c r="P4"><x:v>1.5E-3</x:v></x:c></x:row>
</x:sheetData>
</x:worksheet>
"""
HANDMADE_SST = """<?xml version="1.0" encoding="UTF-8"?>
<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" count="3" uniqueCount="3">
<si><t>单据编号</t></si><si><r><rPr><b/></rPr><t>税</t></r><r><t xml:space="preserve">率</t></r></si><si><t>POORD000002</t><rPh sb="0" eb="1"><t>x</t></rPh></si>
</sst>
"""
HANDMADE_WORKBOOK = """<?xml version="1.0" encoding="UTF-8"?>
<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:rel="http://schemas.openxmlformats.org/officeDocument/2006/relationships">
<sheets><sheet name="Sheet1" sheetId="1" rel:id="rId1"/><sheet name="采购订单" sheetId="2" rel:id="rId2"/></sheets>
</workbook>
"""
HANDMADE_WORKBOOK_RELS = """<?xml version="1.0" encoding="UTF-8"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>
<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="./worksheets/../worksheets/data.xml"/>
<Relationship Id="rId3" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="strings.xml"/>
</Relationships>
"""
HANDMADE_ROOT_RELS = """<?xml version="1.0" encoding="UTF-8"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/>
</Relationships>
"""
CONTENT_TYPES = """<?xml version="1.0" encoding="UTF-8"?>
<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">
<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>
<Default Extension="xml" ContentType="application/xml"/>
</Types>
"""


def write_handmade(path):
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml", CONTENT_TYPES)
        z.writestr("_rels/.rels", HANDMADE_ROOT_RELS)
        z.writestr("xl/workbook.xml", HANDMADE_WORKBOOK)
        z.writestr("xl/_rels/workbook.xml.rels", HANDMADE_WORKBOOK_RELS)
        z.writestr("xl/strings.xml", HANDMADE_SST)
        z.writestr("xl/worksheets/sheet1.xml",
                   '<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">'
                   "<sheetData/></worksheet>")
        z.writestr("xl/worksheets/data.xml", HANDMADE_SHEET)


def soffice_convert(source, filter_name, outdir):
    profile = tempfile.mkdtemp(prefix="q9-lo-")
    try:
        subprocess.run(["soffice", "-env:UserInstallation=file://" + profile, "--headless",
                        "--convert-to", filter_name, "--outdir", outdir, source],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    finally:
        shutil.rmtree(profile, ignore_errors=True)


def main():
    out = HERE
    xlwt_book(ROWS).save(os.path.join(out, "xlwt_biff8.xls"))
    write_openpyxl(os.path.join(out, "openpyxl.xlsx"), ROWS)
    write_handmade(os.path.join(out, "handmade.xlsx"))
    env = dict(os.environ, WINDOWS_LANGUAGE="zh_CN")
    subprocess.run(["ssconvert", "--export-type=Gnumeric_Excel:excel_biff7",
                    os.path.join(out, "openpyxl.xlsx"), os.path.join(out, "gnumeric_biff5.xls")],
                   check=True, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    # LibreOffice saves the workbook again as the operator would after deleting rows (the
    # rows are simply absent: this runs without a scripting bridge to delete them in place).
    work = tempfile.mkdtemp(prefix="q9-fixtures-")
    try:
        source = os.path.join(work, "libreoffice.xls")
        xlwt_book(ROWS).save(source)
        soffice_convert(source, "xlsx", work)
        shutil.copy(os.path.join(work, "libreoffice.xlsx"), os.path.join(out, "libreoffice.xlsx"))
        os.makedirs(os.path.join(work, "b8"))
        soffice_convert(source, "xls:MS Excel 97", os.path.join(work, "b8"))
        shutil.copy(os.path.join(work, "b8", "libreoffice.xls"),
                    os.path.join(out, "libreoffice_biff8.xls"))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    xlwt_book([], title_only=True).save(os.path.join(out, "title_only.xls"))
    write_openpyxl(os.path.join(out, "empty_sheet.xlsx"), [], empty=True)
    xlwt_book(ROWS, sheet="Sheet1").save(os.path.join(out, "renamed_sheet.xls"))
    with open(os.path.join(out, "not_a_workbook.xls"), "w", encoding="utf-8") as f:
        f.write("单据编号,税率\nPOORD000001,17\n")


if __name__ == "__main__":
    main()
