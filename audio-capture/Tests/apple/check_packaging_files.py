#!/usr/bin/env python3
"""Checks the property list that the macOS executable embeds and the
entitlements it is signed with: XML property lists of exactly the expected
keys, values and texts. The usage texts are what the permission prompts show.
The build signs with the bundle identifier it read out of the property list
(the third argument), and writes the project's version (the fourth) into it."""
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


def typed(mapping):
    # True == 1 in Python: the types are compared as well.
    return sorted((k, v, type(v)) for k, v in mapping.items())


def main(info_path, entitlements_path, signing_identifier, version):
    info, entitlements = (plistlib.loads(open(p, "rb").read(), fmt=plistlib.FMT_XML)
                          for p in (info_path, entitlements_path))
    expected = dict(EXPECTED_INFO, CFBundleShortVersionString=version, CFBundleVersion=version,
                    CFBundleIdentifier=signing_identifier)
    problems = [f"{path}: {found}, expected {wanted}" for path, found, wanted in
                ((info_path, info, expected), (entitlements_path, entitlements, EXPECTED_ENTITLEMENTS))
                if typed(found) != typed(wanted)]
    if signing_identifier.count(".") < 2:
        problems.append(f"bundle identifier {signing_identifier!r} is not a reverse-DNS name")
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
