#!/usr/bin/env python3
# Checks the property list that the macOS executable embeds and the
# entitlements it is signed with: XML property lists of exactly the expected
# keys, values and texts. The usage texts are what the permission prompts show.
# The build signs with the bundle identifier it read out of the property list
# (the third argument), and writes the project's version (the fourth) into it.
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

info_path, entitlements_path, identifier, version = sys.argv[1:]
expected_info = dict(EXPECTED_INFO, CFBundleShortVersionString=version, CFBundleVersion=version,
                     CFBundleIdentifier=identifier)
problems = [f"bundle identifier {identifier!r} is not a reverse-DNS name"] if identifier.count(".") < 2 else []
for path, expected in ((info_path, expected_info), (entitlements_path, EXPECTED_ENTITLEMENTS)):
    with open(path, "rb") as file:
        found = plistlib.load(file, fmt=plistlib.FMT_XML)
    # True == 1 in Python: the types are compared as well.
    if sorted((k, v, type(v)) for k, v in found.items()) != sorted((k, v, type(v)) for k, v in expected.items()):
        problems.append(f"{path}: {found}, expected {expected}")
sys.exit("\n".join(problems) or 0)
