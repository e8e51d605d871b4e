# Prints what an independent reader (xlrd) finds in a workbook, one fact per line:
#   stream<TAB>name            for each stream of the compound file
#   book<TAB>biff<TAB>codepage
#   sheet<TAB>name<TAB>rows<TAB>columns
#   cell<TAB>row<TAB>column<TAB>n|s<TAB>value   (non-empty cells; numbers as repr)
import sys
import xlrd
from xlrd import compdoc

path = sys.argv[1]
with open(path, "rb") as f:
    data = f.read()
doc = compdoc.CompDoc(data, logfile=sys.stderr)
for entry in doc.dirlist:
    if entry.etype == 2:
        print("stream\t" + entry.name)
book = xlrd.open_workbook(path, formatting_info=False)
print("book\t%d\t%s" % (book.biff_version, book.codepage))
out = []
for sheet in book.sheets():
    out.append("sheet\t%s\t%d\t%d" % (sheet.name, sheet.nrows, sheet.ncols))
    for r in range(sheet.nrows):
        for c, cell in enumerate(sheet.row(r)):
            if cell.ctype == xlrd.XL_CELL_EMPTY:
                continue
            if cell.ctype == xlrd.XL_CELL_NUMBER:
                out.append("cell\t%d\t%d\tn\t%r" % (r, c, cell.value))
            elif cell.ctype == xlrd.XL_CELL_TEXT:
                out.append("cell\t%d\t%d\ts\t%s" % (r, c, cell.value))
            else:
                out.append("cell\t%d\t%d\t?\t%r" % (r, c, cell.value))
sys.stdout.write("\n".join(out) + "\n")
