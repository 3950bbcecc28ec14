#!/usr/bin/env python3
"""Checks the property list that the macOS executable embeds and the
entitlements it is signed with: XML property lists of exactly the expected
keys, values and texts. The usage texts are what the permission prompts show.
The build reads the bundle identifier out of the property list to sign with;
the third argument is what it read, which must be the very same text. The
fourth is the project's version, which the build writes into the list."""
import plistlib
import re
import sys

EXPECTED_INFO = {
    "CFBundleName": "Tallwick",
    "NSMicrophoneUsageDescription":
        "Tallwick uses your microphone to transcribe speech during interviews "
        "and practice sessions.",
    "NSScreenCaptureUsageDescription":
        "Tallwick captures meeting audio from Zoom, Meet, and Teams to transcribe "
        "candidate answers during interviews.",
}

EXPECTED_ENTITLEMENTS = {
    "com.apple.security.device.audio-input": True,
    "com.apple.security.device.microphone": True,
    "com.apple.security.inherit": False,
    "com.apple.security.cs.allow-jit": True,
    "com.apple.security.cs.disable-library-validation": True,
}


def load_xml_plist(path, problems):
    with open(path, "rb") as f:
        raw = f.read()
    if not raw.startswith(b'<?xml version="1.0" encoding="UTF-8"?>') or b'<plist version="1.0">' not in raw:
        problems.append(f"{path}: not an XML version 1.0 property list in UTF-8")
    try:
        return plistlib.loads(raw, fmt=plistlib.FMT_XML)
    except Exception as error:  # a parse error is what this check is for
        problems.append(f"{path}: does not parse: {error}")
        return {}


def main(info_path, entitlements_path, signing_identifier, version):
    problems = []
    info = load_xml_plist(info_path, problems)
    identifier = info.pop("CFBundleIdentifier", None)
    expected = dict(EXPECTED_INFO, CFBundleShortVersionString=version, CFBundleVersion=version)
    if info != expected:
        problems.append(f"{info_path}: {info}, expected {expected} and a CFBundleIdentifier")
    if not isinstance(identifier, str) or not re.fullmatch(r"[A-Za-z0-9-]+(\.[A-Za-z0-9-]+){2,}", identifier):
        problems.append(f"{info_path}: CFBundleIdentifier {identifier!r} is not a reverse-DNS name")
    if identifier != signing_identifier:
        problems.append(f"the build signs as {signing_identifier!r}, the bundle is {identifier!r}")
    entitlements = load_xml_plist(entitlements_path, problems)
    # True == 1 in Python: the types are compared as well.
    if [(k, v, type(v)) for k, v in sorted(entitlements.items())] != \
            [(k, v, type(v)) for k, v in sorted(EXPECTED_ENTITLEMENTS.items())]:
        problems.append(f"{entitlements_path}: {entitlements}, expected {EXPECTED_ENTITLEMENTS}")
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    if len(sys.argv) != 5:
        print("usage: check_packaging_files.py Info.plist ENTITLEMENTS SIGNING_IDENTIFIER VERSION")
        sys.exit(2)
    sys.exit(main(*sys.argv[1:]))
