"""Reads an outbox item the way the relay server would and prints what it found.

Usage: check_item.py ITEM WAVE. Exit status 0 when the item is well formed and the
archive inside holds exactly the wave file; the findings are printed as JSON.
"""
import email
import email.policy
import io
import json
import sys
import zipfile


def main():
    item = open(sys.argv[1], "rb").read()
    wave = open(sys.argv[2], "rb").read()
    head, sep, rest = item.partition(b"\r\n\r\n")
    assert sep, "no blank line after the request headers"
    headers = head.split(b"\r\n")
    length_line = headers[-1]
    assert length_line.startswith(b"Content-Length: "), length_line
    declared = int(length_line[len(b"Content-Length: "):])
    content_type = [h for h in headers if h.lower().startswith(b"content-type:")][0]

    msg = email.message_from_bytes(content_type + b"\r\n\r\n" + rest,
                                   policy=email.policy.compat32)
    assert msg.is_multipart(), "body is not multipart"
    parts = msg.get_payload()
    names = [p.get_param("name", header="content-disposition") for p in parts]
    files = [p.get_filename() for p in parts]
    header_text = parts[0].get_payload(decode=True).decode("latin-1")
    archive = parts[1].get_payload(decode=True)

    zf = zipfile.ZipFile(io.BytesIO(archive))
    infos = zf.infolist()
    result = {
        "declared": declared,
        "body_bytes": len(rest),
        "defects": [str(d) for d in msg.defects] + [str(d) for p in parts for d in p.defects],
        "names": names,
        "files": files,
        "header_lines": header_text.split("\r\n"),
        "zip_entries": [i.filename for i in infos],
        "zip_deflated": all(i.compress_type == zipfile.ZIP_DEFLATED for i in infos),
        "zip_test": zf.testzip(),
        "wave_equal": len(infos) == 1 and zf.read(infos[0]) == wave,
    }
    print(json.dumps(result))


if __name__ == "__main__":
    main()
