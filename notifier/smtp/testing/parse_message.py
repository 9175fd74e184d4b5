# Reads one stored message with Python's email package and prints its
# decoded headers as NAME<TAB>VALUE lines; the text part goes to OUT.body
# and each attachment's decoded bytes to OUT.attN.
import email
import sys
from email import policy

msg = email.message_from_bytes(open(sys.argv[1], "rb").read(), policy=policy.default)
out = sys.argv[2]
lines = []
for key in ("Return-Path", "X-Sender", "X-Mailer", "Date", "Reply-To", "From", "Subject", "To",
            "Content-Type", "Content-Transfer-Encoding"):
    value = msg.get(key)
    if value is not None:
        lines.append("%s\t%s" % (key, str(value)))
if msg["From"] is not None and msg["From"].addresses:
    lines.append("From-name\t" + msg["From"].addresses[0].display_name)
    lines.append("From-addr\t" + msg["From"].addresses[0].addr_spec)
defects = len(msg.defects) + sum(len(p.defects) for p in msg.walk())
lines.append("defects\t%d" % defects)
body = msg.get_body(("plain",))
with open(out + ".body", "w", encoding="utf-8", newline="") as f:
    f.write(body.get_content() if body is not None else "")
names = []
for i, part in enumerate(msg.iter_attachments()):
    names.append(part.get_filename() or "")
    with open(out + ".att%d" % i, "wb") as f:
        f.write(part.get_payload(decode=True) or b"")
lines.append("attachments\t%d" % len(names))
for name in names:
    lines.append("attachment\t" + name)
print("\n".join(lines))
