#!/usr/bin/env python3
"""QuickHelp.mht is well-formed MHTML: multipart/related with one text/html
part, CRLF line ends, and a page that covers the panel, the keyboard, the
Setup dialog and every status line text.

    check_help.py QuickHelp.mht
"""
import email
import sys

raw = open(sys.argv[1], "rb").read()
failures = []
if raw.count(b"\n") != raw.count(b"\r\n"):
    failures.append("not every line ends in CRLF")
doc = email.message_from_bytes(raw)
if doc.get_content_type() != "multipart/related" or doc.get_param("type") != "text/html":
    failures.append("top level is %s (type %s)" % (doc.get_content_type(), doc.get_param("type")))
parts = doc.get_payload() if doc.is_multipart() else []
if len(parts) != 1 or parts[0].get_content_type() != "text/html":
    failures.append("parts: %s" % [p.get_content_type() for p in parts])
page = parts[0].get_payload(decode=True).decode("ascii") if parts else ""
for needed in [
    "<html", "</html>",
    # the panel and the Setup dialog
    "Optical Zoom", "Sharpness", "Iris", "Focus", "Recall", "On Top", "Setup", "Help", "About", "Power", "Freeze",
    "Exit", "White Balance", "R-Gain", "B-Gain", "Picture Effect", "NIR Vision", "Gamma", "Video Out Mode",
    "Rotate", "Save",
    # the keyboard
    "Tab", "Space", "Enter", "Left, Right", "Up, Down", "F1 to F9", "F11 to F24", "camera 11 to 24", "1 to 5",
    # the status line
    "Ver 1.3.0", "Searching for cameras...", "Checking COM", "Found", "Initializing camera",
    "Cameras OK, none selected", "selected", "Err Answer", "No ACK-c", "No Complete", "does not close",
    # network lines
    "orvalix.ini", "[Network]", "Checking IP",
    # remote control
    "[Remote]", "Listen=", "Remote control off", "api?cmd=",
    # presets and names
    "Presets...", "Orvalix Presets", "orvalix-names.ini", "Rename", "Store the camera",
]:
    if needed not in page:
        failures.append("the page does not mention %r" % needed)
for failure in failures:
    print("QuickHelp.mht:", failure)
sys.exit(1 if failures else 0)
