#!/usr/bin/env python3
"""Reads a Maildir++ tree with Python's mailbox module.

Usage: maildir_tree_counts.py TREE
Prints one line per folder, "Parent/Child<TAB>messages", sorted, and
"INBOX<TAB>messages" for the top level, as Dovecot names them with "/" for
its separator. Every message must parse and carry a Subject; a folder
without its maildirfolder marker fails the run.
"""
import mailbox
import os
import sys


def count(box, label):
    messages = list(box)
    for message in messages:
        if message["Subject"] is None:
            sys.exit(f"{label}: a message without a Subject")
    return len(messages)


def main(root):
    top = mailbox.Maildir(root, factory=None, create=False)
    lines = [f"INBOX\t{count(top, 'INBOX')}"]
    for name in top.list_folders():
        if not os.path.isfile(os.path.join(root, "." + name, "maildirfolder")):
            sys.exit(f"{name}: no maildirfolder marker")
        lines.append(f"{name.replace('.', '/')}\t{count(top.get_folder(name), name)}")
    for line in sorted(lines):
        print(line)


if __name__ == "__main__":
    main(sys.argv[1])
