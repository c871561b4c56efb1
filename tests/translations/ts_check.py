#!/usr/bin/env python3
"""Each translations/*.ts against the window's sources: lupdate's own scan of app/ finds exactly
the texts the file holds (none missing, none left over), and every text is translated, without
losing a placeholder (%1), an accelerator (&) or a closing ellipsis.

Usage: ts_check.py LUPDATE SOURCE_DIR
"""
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
from pathlib import Path


def messages(path):
    """(context, source) -> the translation element, for every message of a .ts file."""
    found = {}
    for context in ET.parse(path).getroot().iter("context"):
        name = context.findtext("name")
        for message in context.iter("message"):
            found[(name, message.findtext("source"))] = message.find("translation")
    return found


def placeholders(text):
    return sorted(re.findall(r"%\d", text))


def accelerators(text):
    return len(re.findall(r"&(?!&)", text.replace("&&", "")))


def ending(text):
    return next((end for end in ("...", "…") if text.endswith(end)), "")


def faults_of(path, lupdate, source):
    faults = []
    held = messages(path)
    with tempfile.TemporaryDirectory() as work:
        scanned_path = Path(work) / path.name
        shutil.copy(path, scanned_path)
        run = subprocess.run([lupdate, "-silent", "-I", str(source), "-locations", "none",
                              str(source / "app"), "-ts", str(scanned_path)],
                             capture_output=True, text=True)
        if run.returncode != 0:
            return [f"lupdate failed: {run.stderr.strip()}"]
        scanned = messages(scanned_path)
    for key in sorted(set(scanned) - set(held), key=str):
        faults.append(f"missing from the file: {key}")
    for key, translation in sorted(scanned.items(), key=lambda item: str(item[0])):
        if key in held and translation.get("type") in ("vanished", "obsolete"):
            faults.append(f"no longer in the sources: {key}")
    for (context, text), translation in sorted(held.items(), key=lambda item: str(item[0])):
        said = translation.text or ""
        where = f"{context}: {text!r}"
        if translation.get("type") == "unfinished" or not said.strip():
            faults.append(f"not translated: {where}")
            continue
        if placeholders(said) != placeholders(text):
            faults.append(f"placeholders differ: {where} -> {said!r}")
        if accelerators(said) != accelerators(text):
            faults.append(f"accelerators differ: {where} -> {said!r}")
        if ending(said) != ending(text):
            faults.append(f"ellipsis differs: {where} -> {said!r}")
    return faults


def main():
    lupdate, source = sys.argv[1], Path(sys.argv[2]).resolve()
    files = sorted((source / "translations").glob("*.ts"))
    if not files:
        print("ts_check: no translations/*.ts", file=sys.stderr)
        return 1
    failed = False
    for path in files:
        faults = faults_of(path, lupdate, source)
        for fault in faults:
            print(f"{path.name}: {fault}", file=sys.stderr)
        print(f"{path.name}: {len(messages(path))} texts, {len(faults)} faults")
        failed = failed or bool(faults)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
