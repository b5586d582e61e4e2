"""layout.py HEADER OUT: the records and constants of barrage.h for the ES
module, so that its script reads each record by the header's own layout
(every field of these records is four bytes in WebAssembly)."""
import json
import re
import sys

header = open(sys.argv[1], encoding="utf-8").read()
layout, floats, record = {}, {}, None
for line in header.splitlines():
    start = re.match(r"typedef struct (barrage_[a-z_]+) \{", line)
    field = re.match(r"    (float|int32_t|const char\*) ([a-z_0-9]+);", line)
    if start:
        record = start.group(1)
        layout[record], floats[record] = [], []
    elif record and field:
        layout[record].append(field.group(2))
        if field.group(1) == "float":
            floats[record].append(field.group(2))
    elif record and line.startswith("}"):
        record = None
    elif record and re.match(r"    (double|[a-z_]+\*?) ", line):
        del layout[record], floats[record]  # a record the script does not read by words
        record = None
constants = {name: int(value) << int(shift or 0) for name, value, shift in
             re.findall(r"^#define BARRAGE_([A-Z0-9_]+) \(?(-?[0-9]+)(?: << ([0-9]+))?\)?", header, re.M)}
layout["floats"] = floats
with open(sys.argv[2], "w", encoding="utf-8") as out:
    out.write("// Written by layout.py from barrage.h: do not edit.\n")
    out.write("export const LAYOUT = %s;\n" % json.dumps(layout))
    out.write("export const CONSTANTS = %s;\n" % json.dumps(constants))
