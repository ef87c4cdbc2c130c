#!/usr/bin/env python3
"""Writes a pseudo-translation of a .ts file: every source text in accented
Latin letters, 40 % longer, so that a window shown with it reveals texts that
are cut, built from pieces, or never translated.

    pseudo_ts.py IN.ts OUT.ts
"""
import math
import re
import sys
import xml.etree.ElementTree as ET

CYRILLIC = dict(zip(
    "абвгдеёжзийклмнопрстуфхцчшщъыьэюяАБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ",
    "áƀṽĝďéëžźíĭķĺḿńóṕŕśťúƒĥčçšŝ'ý'ėůąÁƁṼĜĎÉËŽŹÍĬĶĹḾŃÓṔŔŚŤÚƑĤČÇŠŜ'Ý'ĖŮĄ"))
LATIN = dict(zip("aeiouyAEIOUY", "àèìòùÿÀÈÌÒÙŸ"))
# Kept as they are: markup, placeholders, entities, mnemonics' ampersands.
KEEP = re.compile(r"<[^>]*>|%L?\d+|&[a-zA-Z]+;|&&|&(?=\w)")


def accented(text):
    out, last = [], 0
    for match in KEEP.finditer(text):
        out.append("".join(CYRILLIC.get(c, LATIN.get(c, c)) for c in text[last:match.start()]))
        out.append(match.group(0))
        last = match.end()
    out.append("".join(CYRILLIC.get(c, LATIN.get(c, c)) for c in text[last:]))
    return "".join(out)


def pseudo(source):
    if not source.strip():
        return source
    visible = len(KEEP.sub("", source))
    padding = "·" * max(1, math.ceil(visible * 0.4) - 2)
    return "[" + accented(source) + padding + "]"


def main(inp, outp):
    tree = ET.parse(inp)
    root = tree.getroot()
    root.set("language", "eo")
    for message in root.iter("message"):
        source = message.find("source")
        translation = message.find("translation")
        text = "".join(source.itertext())
        translation.clear()
        translation.text = pseudo(text)
        for numerus in list(translation):
            translation.remove(numerus)
    tree.write(outp, encoding="utf-8", xml_declaration=True)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
