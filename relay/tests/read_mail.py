"""Reads one delivered message with Python's email package and reports it.

Usage: read_mail.py MESSAGE ATTACHMENT_OUT. Prints the decoded headers and the
structure as JSON and writes the attachment's bytes to ATTACHMENT_OUT.
"""
import email
import email.policy
import json
import sys


def main():
    with open(sys.argv[1], "rb") as f:
        msg = email.message_from_bytes(f.read(), policy=email.policy.default)
    report = {name: str(msg[name]) for name in
              ("From", "To", "Cc", "Subject", "Date", "Organization",
               "Disposition-Notification-To", "Message-ID") if msg[name] is not None}
    report["defects"] = [type(d).__name__ for d in msg.defects]
    report["type"] = msg.get_content_type()
    report["parts"] = []
    for part in msg.iter_parts():
        entry = {"type": part.get_content_type(), "filename": part.get_filename()}
        report["defects"] += [type(d).__name__ for d in part.defects]
        if part.get_content_maintype() == "text":
            entry["text"] = part.get_content()
        else:
            data = part.get_content()
            entry["size"] = len(data)
            with open(sys.argv[2], "wb") as out:
                out.write(data)
        report["parts"].append(entry)
    print(json.dumps(report))


if __name__ == "__main__":
    main()
