#!/usr/bin/python3
"""Writes the reader's fixture workbooks with programs other than ours.

Run from anywhere: /usr/bin/python3 tests/data/reader/make_fixtures.py
Needs python3-xlwt, python3-openpyxl, gnumeric (ssconvert) and LibreOffice (soffice).
"""
import os
import shutil
import struct
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


ESCAPES_SHEET = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">
<sheetData>
<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>1</v></c><c r="C1" t="inlineStr"><is><t>_xD83D__xDE00_价</t></is></c><c r="D1" t="s"><v>2</v></c><c r="E1" t="inlineStr"><is><t>a_x00_b_x12345_</t></is></c><c r="F1" t="str"><f>CHAR(9)</f><v>_x0009_</v></c></row>
</sheetData>
</worksheet>
"""
ESCAPES_SST = """<?xml version="1.0" encoding="UTF-8"?>
<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" count="3" uniqueCount="3">
<si><t>POORD_x005F_x0041_</t></si><si><t>华东_x000D__x000A_供应商</t></si><si><r><t>caf</t></r><r><t>_x00e9_</t></r></si>
</sst>
"""
ESCAPES_WORKBOOK = """<?xml version="1.0" encoding="UTF-8"?>
<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">
<sheets><sheet name="采购订单" sheetId="1" r:id="rId1"/></sheets>
</workbook>
"""
ESCAPES_WORKBOOK_RELS = """<?xml version="1.0" encoding="UTF-8"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>
<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/>
</Relationships>
"""


def write_escapes(path):
    """Text with _xHHHH_ escapes in shared strings, inline strings and a formula's text."""
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml", CONTENT_TYPES)
        z.writestr("_rels/.rels", HANDMADE_ROOT_RELS)
        z.writestr("xl/workbook.xml", ESCAPES_WORKBOOK)
        z.writestr("xl/_rels/workbook.xml.rels", ESCAPES_WORKBOOK_RELS)
        z.writestr("xl/sharedStrings.xml", ESCAPES_SST)
        z.writestr("xl/worksheets/sheet1.xml", ESCAPES_SHEET)


def write_compound_file(path, streams):
    """A compound file of 512-byte sectors with the given streams at its root. Each stream is
    padded to 4096 bytes, so that none belongs in the mini stream."""
    sector = 512
    end, free, fat_sector, no_entry = 0xFFFFFFFE, 0xFFFFFFFF, 0xFFFFFFFD, 0xFFFFFFFF
    streams = [(name, data.ljust(max(4096, len(data)), b"\0")) for name, data in streams]
    fat = [fat_sector, end]  # sector 0: the allocation table; sector 1: the directory
    starts = []
    for _, data in streams:
        count = (len(data) + sector - 1) // sector
        starts.append(len(fat))
        fat += [len(fat) + i + 1 for i in range(count - 1)] + [end]
    assert len(fat) <= sector // 4
    fat += [free] * (sector // 4 - len(fat))

    def entry(name, kind, left, right, child, start, size):
        encoded = name.encode("utf-16-le") + b"\0\0"
        return (encoded.ljust(64, b"\0") + struct.pack("<HBB", len(encoded), kind, 1) +
                struct.pack("<III", left, right, child) + b"\0" * 36 +
                struct.pack("<IQ", start, size))

    directory = entry("Root Entry", 5, no_entry, no_entry, 1, end, 0)
    for i, (name, data) in enumerate(streams):
        sibling = i + 2 if i + 1 < len(streams) else no_entry
        directory += entry(name, 2, no_entry, sibling, no_entry, starts[i], len(data))
    directory = directory.ljust(sector, b"\0")
    header = (bytes.fromhex("d0cf11e0a1b11ae1") + b"\0" * 16 +
              struct.pack("<HHHHH", 0x3E, 3, 0xFFFE, 9, 6) + b"\0" * 6 +
              struct.pack("<IIIIIIIII", 0, 1, 1, 0, 4096, end, 0, end, 0) +
              struct.pack("<I", 0) + struct.pack("<I", free) * 108)
    with open(path, "wb") as f:
        f.write(header + struct.pack("<%dI" % (sector // 4), *fat) + directory +
                b"".join(data.ljust(-(-len(data) // sector) * sector, b"\0")
                         for _, data in streams))


def write_encrypted(path):
    """An .xlsx saved with a password to open: the encrypted package inside a compound file."""
    info = struct.pack("<HHI", 4, 4, 0x40) + (
        b'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
        b'<encryption xmlns="http://schemas.microsoft.com/office/2006/encryption">'
        b'<keyData saltSize="16" blockSize="16" keyBits="256" hashSize="64" '
        b'cipherAlgorithm="AES" cipherChaining="ChainingModeCBC" hashAlgorithm="SHA512"/>'
        b'</encryption>')
    package = struct.pack("<Q", 4096) + bytes((i * 73 + 11) % 256 for i in range(4096))
    write_compound_file(path, [("EncryptionInfo", info), ("EncryptedPackage", package)])


def write_biff4(path):
    """An Excel 4.0 worksheet: the BIFF4 record stream is the whole file."""
    records = [(0x0409, struct.pack("<HHH", 0, 0x0010, 0)),  # BOF: worksheet
               (0x0203, struct.pack("<HHBBBd", 0, 0, 0, 0, 0, 17.0)),  # NUMBER in A1
               (0x000A, b"")]  # EOF
    with open(path, "wb") as f:
        for kind, body in records:
            f.write(struct.pack("<HH", kind, len(body)) + body)


def write_opendocument(path):
    """A zip package of another format, named as a workbook: an OpenDocument spreadsheet."""
    with zipfile.ZipFile(path, "w") as z:
        z.writestr("mimetype", "application/vnd.oasis.opendocument.spreadsheet")
        z.writestr("content.xml", '<office:document-content xmlns:office="urn:oasis:names:tc:'
                                  'opendocument:xmlns:office:1.0"/>')


def write_reader_item_fixtures(out):
    write_escapes(os.path.join(out, "escapes.xlsx"))
    write_opendocument(os.path.join(out, "opendocument.xlsx"))
    write_encrypted(os.path.join(out, "encrypted.xlsx"))
    write_biff4(os.path.join(out, "biff4.xls"))


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
    write_reader_item_fixtures(out)


if __name__ == "__main__":
    main()
