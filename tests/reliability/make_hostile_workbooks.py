"""Writes one .xlsx purchase-order workbook per hostile cell into FOLDER, and FOLDER/cases.tsv:
name, expected outcome of the hostile row, the hostile text in hex (empty for numbers).

Row 1 (1001/1, 17) and row 3 (1001/2, 11) are plain lines; row 2 carries the hostile cell.
The package is written by hand so that any text, formula or column count can be placed."""

import sys
import zipfile
from xml.sax.saxutils import escape

SHEET = "采购订单"
HOSTILE_LINE = (1002, 1)
DROP = "1; DROP TABLE POOrderEntry"
LONG = "9" * 10 + "x" * 32757

# (name, column, value, outcome): column 1 = bill number, 8 = rate, 13/14 = ids. A value is a
# str (text), a float/int (number) or ("=", formula, cached) for a formula with its result.
CASES = [
    ("rate-drop", 8, DROP, "listed"),
    ("rate-or", 8, "1) OR (1=1", "listed"),
    ("rate-quote-comment", 8, "17' --", "converted"),
    ("rate-block-comment", 8, "/* */17", "listed"),
    ("rate-formula", 8, ("=", "10+7", 17), "converted"),
    ("rate-huge", 8, 1e308, "listed"),
    ("rate-minus-zero", 8, -0.0, "listed"),
    ("rate-nan", 8, "NaN", "listed"),
    ("rate-inf", 8, "inf", "listed"),
    ("rate-long", 8, LONG, "listed"),
    ("rate-emoji", 8, "17\U0001F600", "converted"),
    ("rate-last-code-point", 8, "\U0010FFFF", "listed"),
    ("rate-control", 8, "\x01\x02\x1b", "listed"),
    ("id-drop", 13, DROP, "stops"),
    ("id-or", 13, "1002) OR (1=1", "stops"),
    ("id-quote", 13, "1002'", "stops"),
    ("id-comment", 13, "1002 --", "stops"),
    ("id-block-comment", 13, "1002/* */", "stops"),
    ("id-huge", 13, 1e308, "stops"),
    ("id-out-of-range", 13, 2147483648, "stops"),
    ("id-fraction", 13, 1002.5, "stops"),
    ("id-minus-zero", 13, -0.0, "silent"),
    ("id-nan", 13, "NaN", "stops"),
    ("id-inf", 13, "inf", "stops"),
    ("id-long", 13, LONG, "stops"),
    ("id-emoji", 13, "\U0001F600", "stops"),
    ("id-last-code-point", 13, "\U0010FFFF", "stops"),
    ("id-control", 13, "\x01", "stops"),
    ("id-as-text", 13, "1002", "converted"),
    ("id-formula", 13, ("=", "1000+2", 1002), "converted"),
    ("entry-drop", 14, DROP, "stops"),
    ("entry-or", 14, "1) OR (1=1", "stops"),
    ("bill-drop", 1, DROP + "|x\r\n--", "converted"),
    ("bill-long", 1, LONG, "converted"),
    ("bill-emoji-control", 1, "\U0001F600\U0010FFFF\x01", "converted"),
    ("wide", 0, None, "converted"),
]


def column_name(index):
    name = ""
    while index > 0:
        index, rest = divmod(index - 1, 26)
        name = chr(65 + rest) + name
    return name


def xml_text(text):
    # Control characters cannot stand in XML 1.0: the package's own escape.
    out = []
    for ch in text:
        if ord(ch) < 0x20 and ch not in "\t\r\n":
            out.append("_x%04X_" % ord(ch))
        else:
            out.append(escape(ch))
    return "".join(out)


def cell(row, column, value):
    ref = column_name(column) + str(row)
    if isinstance(value, tuple):
        return '<c r="%s"><f>%s</f><v>%r</v></c>' % (ref, escape(value[1]), value[2])
    if isinstance(value, (int, float)):
        return '<c r="%s"><v>%r</v></c>' % (ref, value)
    space = ' xml:space="preserve"' if value != value.strip() else ""
    return '<c r="%s" t="inlineStr"><is><t%s>%s</t></is></c>' % (ref, space, xml_text(value))


def line(bill, rate, interid, entryid, columns=14):
    values = {1: bill, 2: "供应商", 3: "01.01", 4: "物料", 5: "10", 6: "100", 7: "117",
              8: rate, 9: "170", 10: "1000", 11: "1170", 12: "0", 13: interid, 14: entryid}
    for extra in range(15, columns + 1):
        values[extra] = "c%d" % extra
    return values


def sheet_xml(rows):
    parts = ['<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
             '<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">'
             '<sheetData>']
    for r, values in enumerate(rows, start=1):
        parts.append('<row r="%d">' % r)
        parts.extend(cell(r, c, v) for c, v in sorted(values.items()))
        parts.append("</row>")
    parts.append("</sheetData></worksheet>")
    return "".join(parts)


def write_book(path, rows):
    files = {
        "[Content_Types].xml":
            '<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
            '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
            '<Default Extension="xml" ContentType="application/xml"/>'
            '<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>'
            '<Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>'
            '</Types>',
        "_rels/.rels":
            '<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
            '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/>'
            '</Relationships>',
        "xl/workbook.xml":
            '<?xml version="1.0" encoding="UTF-8"?><workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" '
            'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">'
            '<sheets><sheet name="%s" sheetId="1" r:id="rId1"/></sheets></workbook>' % SHEET,
        "xl/_rels/workbook.xml.rels":
            '<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
            '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>'
            '</Relationships>',
        "xl/worksheets/sheet1.xml": sheet_xml(rows),
    }
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as book:
        for name, text in files.items():
            book.writestr(name, text.encode("utf-8"))


def main(folder):
    title = {1: "单据编号", 8: "税率", 13: "单据内码", 14: "单据分录"}
    manifest = []
    for name, column, value, outcome in CASES:
        hostile = line("CG002", 17, *HOSTILE_LINE, columns=5000 if name == "wide" else 14)
        if column:
            hostile[column] = value
        rows = [title, line("CG001", 17, 1001, 1), hostile, line("CG001", 11, 1001, 2)]
        write_book("%s/%s.xlsx" % (folder, name), rows)
        text = value if isinstance(value, str) else ""
        manifest.append("%s\t%s\t%s" % (name, outcome, text.encode("utf-8").hex()))
    with open("%s/cases.tsv" % folder, "w") as out:
        out.write("\n".join(manifest) + "\n")


if __name__ == "__main__":
    main(sys.argv[1])
