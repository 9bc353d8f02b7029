# Converts an RTF file to HTML with unrtf and prints the text it holds as a
# JSON string (tags dropped, character references resolved), so the texts of
# a document can be compared with what was exported.
import html.parser
import json
import subprocess
import sys


class Text(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.parts, self.body = [], False

    def handle_starttag(self, tag, attrs):
        if tag == "body":
            self.body = True
        elif tag in ("td", "br", "p", "tr"):
            self.parts.append("\n")

    def handle_data(self, data):
        if self.body:
            self.parts.append(data)


out = subprocess.run(["unrtf", "--html", "--nopict", sys.argv[1]], check=True, capture_output=True).stdout
p = Text()
p.feed(out.decode("utf-8"))
p.close()
sys.stdout.write(json.dumps("".join(p.parts).replace("\xa0", " "), ensure_ascii=True))
