#!/usr/bin/python3
"""The pattern format's JSON Schema, as TOML editors use it: every sample is
valid against it, and a file with an unknown table, an unknown field, a
value out of range, a number written as text or a repetition with no count
is not. Debian's python3-jsonschema, draft 4.

usage: schema_test.py PATTERNS_DIR
"""
import copy
import glob
import json
import os
import sys
import tomllib

try:
    import jsonschema
except ImportError:
    print("python3-jsonschema is not installed (make test installs it): skipped")
    sys.exit(77)


def main():
    folder = sys.argv[1]
    with open(os.path.join(folder, "pattern.schema.json"), encoding="utf-8") as f:
        schema = json.load(f)
    jsonschema.Draft4Validator.check_schema(schema)
    validator = jsonschema.Draft4Validator(schema)
    failures = []
    samples = sorted(glob.glob(os.path.join(folder, "*.toml")))
    for path in samples:
        with open(path, "rb") as f:
            pattern = tomllib.load(f)
        errors = [e.message for e in validator.iter_errors(pattern)]
        if errors:
            failures.append("%s: %s" % (os.path.basename(path), errors[0]))
    with open(samples[0], "rb") as f:
        good = tomllib.load(f)
    broken = {"an unknown table": lambda p: p.update({"fring": {}}),
              "an unknown field": lambda p: next(iter(p["firing"].values()))["steps"][0].update({"volleysize": 3}),
              "a count out of range": lambda p: p["shooters"].update({"count": 65}),
              "a kind with no name": lambda p: next(iter(p["movement"].values()))["steps"][0].update({"moveMode": "spiral"}),
              "a number as text, not = EXPRESSION": lambda p: next(iter(p["firing"].values()))["steps"][0].update({"speed": "2.5"}),
              "a repetition with no count": lambda p: next(iter(p["firing"].values()))["steps"].append({"steps": [{}]}),
              "a rank above 1": lambda p: p.update({"params": {"rank": 1.5}})}
    for what, breaking in broken.items():
        pattern = copy.deepcopy(good)
        breaking(pattern)
        if validator.is_valid(pattern):
            failures.append("a file with %s is valid" % what)
    for failure in failures:
        print("FAIL: " + failure)
    print("%d samples valid; %d broken files refused" % (len(samples), len(broken)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
