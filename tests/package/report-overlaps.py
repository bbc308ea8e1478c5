#!/usr/bin/env python3
"""report-overlaps.py WORDS.html: fails (status 1) when two words of a page,
as "pdftotext -bbox" places them, are drawn over each other: their boxes
share more than a point across and more than half the lower one's height.
Lists such pairs."""
import re
import sys
from html import unescape

WORD = re.compile(r'<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">(.*?)</word>')


def overlaps(a, b):
    across = min(a[2], b[2]) - max(a[0], b[0])
    down = min(a[3], b[3]) - max(a[1], b[1])
    return across > 1.0 and down > 0.5 * min(a[3] - a[1], b[3] - b[1])


def main(path):
    text = open(path, encoding="utf-8").read()
    bad = 0
    words = 0
    for number, page in enumerate(text.split("<page")[1:], start=1):
        boxes = [(float(m[1]), float(m[2]), float(m[3]), float(m[4]), unescape(m[5])) for m in WORD.finditer(page)]
        words += len(boxes)
        for i, a in enumerate(boxes):
            for b in boxes[i + 1:]:
                if overlaps(a, b):
                    bad += 1
                    print(f"page {number}: \"{a[4]}\" ({a[0]:.1f}-{a[2]:.1f}, {a[1]:.1f}-{a[3]:.1f}) "
                          f"and \"{b[4]}\" ({b[0]:.1f}-{b[2]:.1f}, {b[1]:.1f}-{b[3]:.1f}) overlap")
    if words == 0:
        print("no words in the PDF")
        return 1
    print(f"report: {words} words, {bad} drawn over another")
    return 1 if bad else 0


sys.exit(main(sys.argv[1]))
