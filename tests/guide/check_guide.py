#!/usr/bin/env python3
"""Checks the user guide as it is built or installed.

Every link and picture of every HTML page in each FOLDER must lead to a file there, and every
anchor to an id of its page. With --pictures, --lists and --tests it also checks the guide's
pictures against the picture-making tests: each picture a guide page names is made in that
page's language, each picture made is named by a page, and the picture folder holds nothing else.

Usage: check_guide.py FOLDER... [--pictures DIR --lists DIR --tests BINARY]
"""
import argparse
import html.parser
import os
import subprocess
import sys
import urllib.parse

# The guide's page of each language, and the picture folder it takes its pictures from.
GUIDE_PAGES = {"index.html": "en", "index.zh.html": "zh"}


class Page(html.parser.HTMLParser):
    def __init__(self, path):
        super().__init__()
        self.ids = set()
        self.links = []
        with open(path, encoding="utf-8") as file:
            self.feed(file.read())

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if "id" in attrs:
            self.ids.add(attrs["id"])
        if tag == "a" and "name" in attrs:
            self.ids.add(attrs["name"])
        if tag == "a" and "href" in attrs:
            self.links.append(attrs["href"])
        if tag == "img" and "src" in attrs:
            self.links.append(attrs["src"])


def check_links(folder, faults):
    pages = {}
    for root, _, files in os.walk(folder):
        for name in files:
            if name.endswith(".html"):
                path = os.path.join(root, name)
                pages[os.path.normpath(path)] = Page(path)
    if not pages:
        faults.append(f"{folder}: no page")
    for path, page in sorted(pages.items()):
        for link in page.links:
            parts = urllib.parse.urlsplit(link)
            if parts.scheme or parts.netloc:
                continue
            target = path
            if parts.path:
                target = os.path.normpath(
                    os.path.join(os.path.dirname(path), urllib.parse.unquote(parts.path)))
            where = f"{os.path.relpath(path, folder)}: {link}"
            if not os.path.isfile(target):
                faults.append(f"{where} leads to no file")
            elif parts.fragment:
                anchor = urllib.parse.unquote(parts.fragment)
                if target not in pages or anchor not in pages[target].ids:
                    faults.append(f"{where} leads to no anchor")
    return pages


def named_pictures(folder, pages, faults):
    named = set()
    for name, language in GUIDE_PAGES.items():
        page = pages.get(os.path.normpath(os.path.join(folder, name)))
        if page is None:
            faults.append(f"{folder}: no {name}")
            continue
        for link in page.links:
            if not link.startswith("images/"):
                continue
            picture = urllib.parse.unquote(link[len("images/"):])
            if not picture.startswith(language + "/"):
                faults.append(f"{name} shows {link}, not a picture in its own language")
            named.add(picture)
    return named


def made_pictures(lists, tests, faults):
    listed = subprocess.run([tests, "--gtest_list_tests"], check=True, capture_output=True,
                            text=True).stdout
    made = set()
    suite = ""
    for line in listed.splitlines():
        if not line.startswith(" "):
            suite = line.strip()
            continue
        test = suite + line.split("#")[0].strip()
        path = os.path.join(lists, test)
        if not os.path.isfile(path):
            faults.append(f"{test} listed no pictures: it did not run, or failed")
            continue
        with open(path, encoding="utf-8") as file:
            made.update(line.strip() for line in file if line.strip())
    return made


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("folders", nargs="+")
    parser.add_argument("--pictures")
    parser.add_argument("--lists")
    parser.add_argument("--tests")
    args = parser.parse_args()

    faults = []
    for folder in args.folders:
        pages = check_links(folder, faults)
        if args.pictures:
            named = named_pictures(folder, pages, faults)
            made = made_pictures(args.lists, args.tests, faults)
            for picture in sorted(named - made):
                faults.append(f"the guide shows images/{picture}, which no test makes")
            for picture in sorted(made - named):
                faults.append(f"images/{picture} is made, but no page of the guide shows it")
            for root, _, files in os.walk(args.pictures):
                for name in files:
                    picture = os.path.relpath(os.path.join(root, name), args.pictures)
                    if picture not in made:
                        faults.append(f"{args.pictures}/{picture} is not made by any test: "
                                      "delete it")
    for fault in faults:
        print(f"check_guide: {fault}", file=sys.stderr)
    if faults:
        return 1
    print(f"check_guide: ok ({', '.join(args.folders)})")
    return 0


if __name__ == "__main__":
    sys.exit(main())
