"""doc_links.py DIR: every relative link and picture of the Markdown files
under DIR leads to a file under DIR. Prints the broken ones and exits 1, or
prints how many links it checked."""
import os
import re
import sys

LINK = re.compile(r"!?\[[^\]]*\]\(([^)\s]+)(?:\s+\"[^\"]*\")?\)")


def relative_targets(text):
    # Links inside code (indented blocks and `spans`) are examples, not links.
    text = re.sub(r"```.*?```", "", text, flags=re.S)
    text = re.sub(r"`[^`\n]*`", "", text)
    for match in LINK.finditer(text):
        target = match.group(1)
        if re.match(r"^[a-z]+:", target) or target.startswith("#"):
            continue
        yield target.split("#")[0]


def main(root):
    root = os.path.realpath(root)
    checked, broken = 0, []
    for folder, _, files in os.walk(root):
        for name in sorted(files):
            if not name.endswith(".md"):
                continue
            page = os.path.join(folder, name)
            with open(page, encoding="utf-8") as f:
                text = f.read()
            for target in relative_targets(text):
                checked += 1
                path = os.path.realpath(os.path.join(folder, target))
                if not path.startswith(root + os.sep) or not os.path.exists(path):
                    broken.append("%s: %s" % (os.path.relpath(page, root), target))
    for line in broken:
        print("broken: " + line)
    print("%d links checked, %d broken" % (checked, len(broken)))
    return 1 if broken or checked == 0 else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
