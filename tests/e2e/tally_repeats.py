#!/usr/bin/env python3
"""Counts, per test, how many of the repeated end-to-end runs passed.

    tally_repeats.py LABEL REPORT.xml...

Each report is the GoogleTest XML of one run. Prints one line per test that ran,
"LABEL: Suite.Test: P/N passed", then "LABEL: P/N runs passed"; a run without a readable report
counts as failed for every test. Exits 1 unless every test passed in every run, 3 (printing nothing)
when every report was read and none ran a test: the filter selects nothing of this program."""
import sys
import xml.etree.ElementTree as ElementTree


def outcomes(path):
    """{test name: True when it passed} for one report, or None when the report cannot be read."""
    try:
        root = ElementTree.parse(path).getroot()
    except (OSError, ElementTree.ParseError):
        return None
    result = {}
    for case in root.iter("testcase"):
        if case.get("result") == "skipped" or case.get("status") == "notrun":
            continue
        name = "%s.%s" % (case.get("classname"), case.get("name"))
        result[name] = case.find("failure") is None and case.find("error") is None
    return result


def main(argv):
    if len(argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    label, reports = argv[1], argv[2:]
    runs = [outcomes(path) for path in reports]
    names = sorted({name for run in runs if run for name in run})
    if not names and all(run is not None for run in runs):
        return 3
    all_good = bool(names)
    for name in names:
        passed = sum(1 for run in runs if run and run.get(name))
        all_good = all_good and passed == len(runs)
        print("%s: %s: %d/%d passed" % (label, name, passed, len(runs)))
    good_runs = sum(1 for run in runs if run and names and all(run.get(name) for name in names))
    print("%s: %d/%d runs passed" % (label, good_runs, len(runs)))
    return 0 if all_good else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
