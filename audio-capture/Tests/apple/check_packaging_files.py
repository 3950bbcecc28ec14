#!/usr/bin/env python3
"""Checks the property list that the macOS executable embeds and the
entitlements it is signed with: XML property lists of exactly the expected
keys, values and texts. The usage texts are what the permission prompts show.
The build reads the bundle identifier out of the property list to sign with;
the third argument is what it read, which must be the very same text. The
fourth is the project's version, which the build writes into the list."""
import plistlib
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
    if not raw.startswith(b'<?xml version="1.0" encoding="UTF-8"?>'):
        problems.append(f"{path}: not an XML 1.0 property list in UTF-8")
    if b'<plist version="1.0">' not in raw:
        problems.append(f"{path}: not a version 1.0 property list")
    try:
        return plistlib.loads(raw, fmt=plistlib.FMT_XML)
    except Exception as error:  # a parse error is what this check is for
        problems.append(f"{path}: does not parse: {error}")
        return {}


def is_reverse_dns(identifier):
    parts = identifier.split(".")
    allowed = set("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-")
    return len(parts) >= 3 and all(part and set(part) <= allowed for part in parts)


VERSION_KEYS = ("CFBundleShortVersionString", "CFBundleVersion")


def check_info(path, signing_identifier, version, problems):
    info = load_xml_plist(path, problems)
    keys = set(EXPECTED_INFO) | {"CFBundleIdentifier"} | set(VERSION_KEYS)
    if set(info) != keys:
        problems.append(f"{path}: keys {sorted(info)}, expected {sorted(keys)}")
    for key, value in EXPECTED_INFO.items():
        if info.get(key) != value:
            problems.append(f"{path}: {key} is {info.get(key)!r}, expected {value!r}")
    for key in VERSION_KEYS:
        if info.get(key) != version:
            problems.append(f"{path}: {key} is {info.get(key)!r}, expected {version!r}")
    identifier = info.get("CFBundleIdentifier")
    if not isinstance(identifier, str) or not is_reverse_dns(identifier):
        problems.append(f"{path}: CFBundleIdentifier {identifier!r} is not a reverse-DNS name")
    if identifier != signing_identifier:
        problems.append(f"the build signs as {signing_identifier!r}, the bundle is {identifier!r}")


def check_entitlements(path, problems):
    entitlements = load_xml_plist(path, problems)
    if entitlements != EXPECTED_ENTITLEMENTS:
        problems.append(f"{path}: {entitlements}, expected {EXPECTED_ENTITLEMENTS}")
    for key, value in entitlements.items():
        if not isinstance(value, bool):
            problems.append(f"{path}: {key} is {value!r}, not a boolean")


def main(info_path, entitlements_path, signing_identifier, version):
    problems = []
    check_info(info_path, signing_identifier, version, problems)
    check_entitlements(entitlements_path, problems)
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    if len(sys.argv) != 5:
        print("usage: check_packaging_files.py Info.plist ENTITLEMENTS SIGNING_IDENTIFIER VERSION")
        sys.exit(2)
    sys.exit(main(*sys.argv[1:]))
