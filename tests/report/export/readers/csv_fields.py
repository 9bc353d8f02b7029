# Reads a delimited file in code page 1251 (or the encoding given third) with Python's csv module and prints
# its records as a JSON list of lists of fields.
import csv
import json
import sys

path, delimiter = sys.argv[1], sys.argv[2]
encoding = sys.argv[3] if len(sys.argv) > 3 else "cp1251"
with open(path, newline="", encoding=encoding) as f:
    records = [list(r) for r in csv.reader(f, delimiter=delimiter)]
sys.stdout.write(json.dumps(records, ensure_ascii=True))
