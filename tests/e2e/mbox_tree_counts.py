#!/usr/bin/env python3
"""Reads every mbox file of a folder tree with Python's mailbox module.

Usage: mbox_tree_counts.py TREE
Prints one line per file, "relative/path<TAB>messages", sorted by path. Every
message must parse and carry a Subject; anything else fails the run.
"""
import mailbox
import os
import sys


def main(root):
    lines = []
    for directory, _, files in os.walk(root):
        for name in files:
            path = os.path.join(directory, name)
            box = mailbox.mbox(path, create=False)
            messages = list(box)
            for message in messages:
                if message["Subject"] is None:
                    sys.exit(f"{path}: a message without a Subject")
            lines.append(f"{os.path.relpath(path, root)}\t{len(messages)}")
            box.close()
    for line in sorted(lines):
        print(line)


if __name__ == "__main__":
    main(sys.argv[1])
