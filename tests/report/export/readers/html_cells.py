# Reads an HTML page with Python's html.parser and prints a JSON object: the
# character set its meta tag names, the texts of the table cells row by row,
# the image sources, and every tag that opened (so injected markup shows).
# The bytes are decoded with the character set the page names.
import html.parser
import json
import re
import sys


class Cells(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.rows, self.images, self.tags = [], [], []
        self.cell = None

    def handle_starttag(self, tag, attrs):
        self.tags.append(tag)
        if tag == "tr":
            self.rows.append([])
        elif tag == "td":
            self.cell = []
        elif tag == "img":
            self.images.append(dict(attrs).get("src"))

    def handle_endtag(self, tag):
        if tag == "td" and self.cell is not None:
            self.rows[-1].append("".join(self.cell))
            self.cell = None

    def handle_data(self, data):
        if self.cell is not None:
            self.cell.append(data)


raw = open(sys.argv[1], "rb").read()
m = re.search(rb'charset=([A-Za-z0-9_-]+)', raw)
charset = m.group(1).decode("ascii") if m else ""
p = Cells()
p.feed(raw.decode(charset or "ascii"))
p.close()
sys.stdout.write(json.dumps({"charset": charset, "rows": p.rows, "images": p.images, "tags": p.tags},
                            ensure_ascii=True))
