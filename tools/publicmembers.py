#!/usr/bin/env python3
"""Counts the public members a class declares in its header: data members,
member functions (constructors and destructor included) and signals, each
declaration once (overloads count each). Usage:
    tools/publicmembers.py src/player/vplayerform.h TVPlayerForm [--list]
A plain reading of the class body, enough for this project's headers: access
labels, declarations ending in ';' or an inline body, comments skipped."""
import re
import sys


def class_body(text, name):
    start = re.search(r'\bclass\s+' + re.escape(name) + r'\b[^;{]*\{', text)
    if not start:
        sys.exit('no class ' + name)
    i = start.end()
    depth = 1
    j = i
    while depth:
        if text[j] == '{':
            depth += 1
        elif text[j] == '}':
            depth -= 1
        j += 1
    return text[i:j - 1]


def public_members(body):
    body = re.sub(r'//[^\n]*', '', body)
    access = 'private'
    members = []
    decl = ''
    depth = 0
    for line in body.split('\n'):
        stripped = line.strip()
        if depth == 0:
            label = re.match(r'^(public|protected|private|signals|Q_SIGNALS)\s*(slots)?\s*:', stripped)
            if label:
                access = 'public' if label.group(1) in ('public', 'signals', 'Q_SIGNALS') else label.group(1)
                stripped = stripped[label.end():].strip()
            if stripped in ('Q_OBJECT', ''):
                continue
        decl += ' ' + stripped
        depth += stripped.count('{') - stripped.count('}')
        if depth == 0 and (decl.rstrip().endswith(';') or decl.rstrip().endswith('}')):
            text = decl.strip()
            decl = ''
            if text.startswith(('friend ', 'using ', 'template')) and '(' not in text.split('{')[0] and not text.startswith('template'):
                continue
            if text.startswith('friend '):
                continue
            if access == 'public':
                members.append(text.split('{')[0].split('=')[0].strip()[:100])
    return members


def main():
    path, name = sys.argv[1], sys.argv[2]
    members = public_members(class_body(open(path, encoding='utf-8').read(), name))
    if '--list' in sys.argv:
        for member in members:
            print('  ' + member)
    print(f'{name}: {len(members)} public members')


if __name__ == '__main__':
    main()
