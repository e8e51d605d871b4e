# Prints what an independent reader (openpyxl) finds in an .xlsx workbook, in the lines of
# xls_dump.py:
#   sheet<TAB>name<TAB>rows<TAB>columns
#   cell<TAB>row<TAB>column<TAB>n|s<TAB>value   (non-empty cells; numbers as repr)
import sys
import openpyxl

book = openpyxl.load_workbook(sys.argv[1], read_only=False)
out = []
for sheet in book.worksheets:
    out.append("sheet\t%s\t%d\t%d" % (sheet.title, sheet.max_row, sheet.max_column))
    for row in sheet.iter_rows():
        for cell in row:
            if cell.value is None:
                continue
            if cell.data_type == "n":
                out.append("cell\t%d\t%d\tn\t%r" % (cell.row - 1, cell.column - 1, cell.value))
            elif cell.data_type == "s":
                out.append("cell\t%d\t%d\ts\t%s" % (cell.row - 1, cell.column - 1, cell.value))
            else:
                out.append("cell\t%d\t%d\t?\t%r" % (cell.row - 1, cell.column - 1, cell.value))
sys.stdout.write("\n".join(out) + "\n")
