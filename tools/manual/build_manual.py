#!/usr/bin/env python3
"""Turns the user's manual (docs/manual/*.md, Japanese) into the HTML pages shipped beside the program.

    build_manual.py SOURCE_DIR OUT_DIR

Every SOURCE_DIR/*.md becomes OUT_DIR/<name>.html through Python-Markdown (Debian's python3-markdown)
with its standard extensions: tables, attribute lists ("## 見出し {#anchor}" gives the heading the id that
help topics open), fenced code and a table of contents. Links between pages are written to the .md files
(so the sources read well on their own) and point to the .html pages in the output. Pictures
(SOURCE_DIR/images/*.png, regenerated from the real program by the test command) are copied to
OUT_DIR/images. The output depends only on the sources, so building again gives the same bytes.
"""

import html
import os
import re
import shutil
import sys

import markdown
from markdown.extensions import Extension
from markdown.treeprocessors import Treeprocessor

PAGE = """<!DOCTYPE html>
<html lang="ja">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>{title} - Kanjiforge 使い方の説明</title>
<style>
body {{ font-family: "Yu Gothic UI", "Meiryo UI", "MS UI Gothic", sans-serif; max-width: 52em; margin: 1em auto;
        padding: 0 1em; line-height: 1.6; color: #222; }}
nav {{ border-bottom: 1px solid #ccc; padding-bottom: .4em; margin-bottom: 1em; font-size: 90%; }}
nav a {{ margin-right: 1em; }}
h1, h2, h3 {{ line-height: 1.3; }}
h2 {{ border-bottom: 1px solid #ddd; padding-bottom: .2em; margin-top: 1.6em; }}
table {{ border-collapse: collapse; margin: .6em 0; }}
th, td {{ border: 1px solid #bbb; padding: .25em .6em; vertical-align: top; text-align: left; }}
th {{ background: #f0f0f0; }}
code, pre {{ font-family: "MS Gothic", monospace; background: #f6f6f6; }}
pre {{ padding: .5em; overflow-x: auto; }}
img {{ max-width: 100%; border: 1px solid #ccc; }}
</style>
</head>
<body>
<nav>{nav}</nav>
{body}
</body>
</html>
"""

# The pages in reading order, for the navigation line: (file stem, short name).
ORDER = ["index", "editor", "layers", "saving", "viewer", "euftool", "troubleshooting", "settings"]
LINK = re.compile(r"^(?P<page>[A-Za-z0-9_-]+)\.md(?P<anchor>#.*)?$")


class PageLinks(Treeprocessor):
    """Links to another page's .md file point to its .html page."""

    def run(self, root):
        for element in root.iter("a"):
            href = element.get("href", "")
            match = LINK.match(href)
            if match:
                element.set("href", match.group("page") + ".html" + (match.group("anchor") or ""))


class PageLinksExtension(Extension):
    def extendMarkdown(self, md):
        md.treeprocessors.register(PageLinks(md), "kf_page_links", 5)


def title_of(text, fallback):
    for line in text.splitlines():
        if line.startswith("# "):
            return re.sub(r"\s*\{#[^}]*\}\s*$", "", line[2:]).strip()
    return fallback


def main(argv):
    if len(argv) != 3:
        sys.exit("usage: build_manual.py SOURCE_DIR OUT_DIR")
    source, out = argv[1], argv[2]
    pages = sorted(name[:-3] for name in os.listdir(source) if name.endswith(".md"))
    missing = [page for page in ORDER if page not in pages]
    if missing:
        sys.exit(f"build_manual.py: pages missing from {source}: {', '.join(missing)}")
    # The folder is the build's: pages and pictures that are no longer in the sources go.
    if os.path.isdir(out):
        for name in os.listdir(out):
            if name.endswith(".html"):
                os.remove(os.path.join(out, name))
        shutil.rmtree(os.path.join(out, "images"), ignore_errors=True)
    os.makedirs(out, exist_ok=True)
    texts = {}
    for page in pages:
        with open(os.path.join(source, page + ".md"), encoding="utf-8") as f:
            texts[page] = f.read()
    titles = {page: title_of(texts[page], page) for page in pages}
    ordered = ORDER + [page for page in pages if page not in ORDER]
    for page in pages:
        nav = " ".join(
            f'<a href="{other}.html">{html.escape(titles[other])}</a>' if other != page
            else f"<strong>{html.escape(titles[other])}</strong>"
            for other in ordered)
        converter = markdown.Markdown(
            extensions=["extra", "toc", "sane_lists", PageLinksExtension()],
            extension_configs={"toc": {"permalink": False}},
            output_format="html")
        body = converter.convert(texts[page])
        document = PAGE.format(title=html.escape(titles[page]), nav=nav, body=body)
        with open(os.path.join(out, page + ".html"), "w", encoding="utf-8", newline="\n") as f:
            f.write(document)
    images = os.path.join(source, "images")
    if os.path.isdir(images):
        target = os.path.join(out, "images")
        os.makedirs(target, exist_ok=True)
        for name in sorted(os.listdir(images)):
            if name.lower().endswith(".png"):
                shutil.copyfile(os.path.join(images, name), os.path.join(target, name))


if __name__ == "__main__":
    main(sys.argv)
