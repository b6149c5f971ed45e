#!/usr/bin/env python3
"""Checks the built manual: every relative link and picture of every page exists, and so does every
heading a link names after '#'. Links to other sites (http:, https:, mailto:) are not followed.

    check_links.py MANUAL_DIR

Prints one line per broken link, then "manual: N passed, M failed" (N the links and pictures that
resolve), and exits non-zero when any is broken or the folder holds no page.
"""

import os
import sys
import urllib.parse
from html.parser import HTMLParser


class Page(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.ids = set()
        self.links = []  # (attribute, value, line)

    def handle_starttag(self, tag, attrs):
        for name, value in attrs:
            if name in ("id", "name") and value:
                self.ids.add(value)
            if (tag, name) in (("a", "href"), ("img", "src"), ("link", "href"), ("script", "src")) and value:
                self.links.append((name, value, self.getpos()[0]))


def read_page(path):
    page = Page()
    with open(path, encoding="utf-8") as f:
        page.feed(f.read())
    return page


def main(argv):
    if len(argv) != 2:
        sys.exit("usage: check_links.py MANUAL_DIR")
    root = os.path.abspath(argv[1])
    names = sorted(name for name in os.listdir(root) if name.endswith(".html")) if os.path.isdir(root) else []
    if not names:
        print(f"manual: no pages in {root}")
        print("manual: 0 passed, 1 failed")
        return 1
    pages = {os.path.join(root, name): read_page(os.path.join(root, name)) for name in names}
    passed = failed = 0
    for path, page in pages.items():
        for attribute, value, line in page.links:
            parts = urllib.parse.urlsplit(value)
            if parts.scheme or parts.netloc:
                continue
            target = path if not parts.path else os.path.normpath(
                os.path.join(os.path.dirname(path), urllib.parse.unquote(parts.path)))
            problem = None
            if not target.startswith(root + os.sep) and target != root:
                problem = "leaves the manual's folder"
            elif not os.path.isfile(target):
                problem = "names a file that is not there"
            elif parts.fragment:
                anchors = pages[target].ids if target in pages else None
                if anchors is None or urllib.parse.unquote(parts.fragment) not in anchors:
                    problem = f"names a heading #{parts.fragment} that the page does not have"
            if problem:
                failed += 1
                print(f"{os.path.relpath(path, root)}:{line}: {attribute}=\"{value}\" {problem}")
            else:
                passed += 1
    print(f"manual: {passed} passed, {failed} failed")
    return 0 if failed == 0 and passed > 0 else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
