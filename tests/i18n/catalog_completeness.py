#!/usr/bin/env python3
"""Every text the core can show has its Chinese text (the catalog's key) and an English
translation that holds no Chinese, and no failure is written in English in the source.

Usage: catalog_completeness.py SOURCE_DIR"""
import pathlib
import re
import sys

CJK = re.compile(r"[\u3000-\u9fff\uff00-\uffef]")
MARKER = re.compile(r"%[1-9][0-9]*")
LITERALS = r'((?:"(?:[^"\\\n]|\\.)*"\s*)+)'
# Calls whose first text argument is a key of the catalog; an error number may come first.
KEYED_CALL = re.compile(
    r"\b(CatalogError|ThrowWorkbookError|ThrowWorkbookDamaged|LoadText|FormatText|"
    r"Notice|refuse|Fail|HostError|Error)\s*[({]\s*(?:[A-Za-z_:0-9]+\s*,\s*)?" + LITERALS)
# Named texts: a Chinese one is a key of the catalog unless it is document data.
CONSTANT = re.compile(r"constexpr\s+(?:const\s+)?(?:char\s*\*|std::string_view|char)\s*(?:const\s+)?"
                      r"[A-Za-z_0-9]+(?:\[\])?\s*=\s*" + LITERALS)
# Names of sheets, columns and tables as the account and the workbooks hold them.
DOCUMENT_DATA = {"采购订单", "销售订单", "应付合同", "应收合同", "基础资料"}
# Texts that the window and the reader show as they are in every language.
FIXED = {"Read_Excel"}
# Folders whose Chinese is document data or the window's fixed captions, not catalog texts.
NOT_CORE = ("app/", "host/db/demo_")


def unquote(run):
    pieces = re.findall(r'"((?:[^"\\\n]|\\.)*)"', run)
    text = "".join(pieces)
    return re.sub(r"\\(.)", lambda m: {"n": "\n", "t": "\t"}.get(m.group(1), m.group(1)), text)


def catalog(path):
    entries = {}
    for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        if not line or line.startswith("#") or "\t" not in line:
            continue
        key, text = line.split("\t", 1)
        entries[key.replace("\\n", "\n")] = (text, number)
    return entries


def main():
    root = pathlib.Path(sys.argv[1])
    english = catalog(root / "resources/i18n/Q9INDUSTRY.en.tsv")
    faults = []
    for key, (text, number) in english.items():
        where = f"Q9INDUSTRY.en.tsv:{number}"
        if not CJK.search(key):
            faults.append(f"{where}: the key {key!r} is not Chinese")
        if CJK.search(text):
            faults.append(f"{where}: the English text {text!r} holds Chinese")
        if sorted(MARKER.findall(key)) != sorted(MARKER.findall(text)):
            faults.append(f"{where}: {key!r} and {text!r} fill different markers")
    for source in sorted((root / "src").rglob("*")):
        relative = source.relative_to(root / "src").as_posix()
        if source.suffix not in (".cpp", ".h") or relative.startswith(NOT_CORE):
            continue
        code = re.sub(r"^\s*//.*$", "", source.read_text(encoding="utf-8"), flags=re.M)
        for match in KEYED_CALL.finditer(code):
            text = unquote(match.group(2))
            line = code.count("\n", 0, match.start()) + 1
            if not text or text in FIXED or text.startswith(("SELECT", "INSERT", "UPDATE", "<")):
                continue
            if not CJK.search(text):
                if re.search(r"[A-Za-z]{3}", text):
                    faults.append(f"src/{relative}:{line}: {text!r} is English, not a catalog text")
                continue
            if text not in english:
                faults.append(f"src/{relative}:{line}: {text!r} has no English translation")
        for match in CONSTANT.finditer(code):
            text = unquote(match.group(1))
            line = code.count("\n", 0, match.start()) + 1
            if text.startswith("<") or text in english or text in DOCUMENT_DATA:
                continue
            if CJK.search(text):
                faults.append(f"src/{relative}:{line}: {text!r} has no English translation")
    for fault in faults:
        print(fault)
    print(f"{len(english)} catalog texts checked, {len(faults)} faults")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
