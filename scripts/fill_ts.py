#!/usr/bin/env python3
"""Fills the translations of a .ts file from a table of source -> translation.

Usage: fill_ts.py <file.ts> <table.py>, where the table file defines a dict
TRANSLATIONS. A source text missing from the table is left unfinished and
named on standard error, so that a forgotten text shows up at once."""
import sys
import xml.etree.ElementTree as ET


def main():
    ts_path, table_path = sys.argv[1], sys.argv[2]
    table = {}
    exec(open(table_path, encoding="utf-8").read(), table)
    translations = table["TRANSLATIONS"]
    tree = ET.parse(ts_path)
    missing = 0
    for message in tree.iter("message"):
        source = message.find("source").text or ""
        translation = message.find("translation")
        if source in translations:
            translation.text = translations[source]
            translation.attrib.pop("type", None)
        else:
            missing += 1
            sys.stderr.write("no translation: %r\n" % source)
    with open(ts_path, "wb") as out:
        out.write(b'<?xml version="1.0" encoding="utf-8"?>\n<!DOCTYPE TS>\n')
        tree.write(out, encoding="utf-8", xml_declaration=False)
        out.write(b"\n")
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main())
