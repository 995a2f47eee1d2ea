#!/usr/bin/python3
"""Reads a stored message with Python's email package and prints what the tests compare."""
import email
import email.policy
import hashlib
import json
import sys

raw = open(sys.argv[1], "rb").read()
message = email.message_from_bytes(raw, policy=email.policy.default)
body = message.get_body(preferencelist=("plain",))
result = {
    "subject": str(message["subject"]),
    "from": [a.addr_spec for a in message["from"].addresses],
    "to": [a.addr_spec for a in message["to"].addresses] if message["to"] else [],
    "names": [a.display_name for a in message["to"].addresses] if message["to"] else [],
    "bcc": message["bcc"] is not None,
    "priority": str(message["x-priority"]),
    "body": body.get_content() if body else None,
    "bare_lf": raw.replace(b"\r\n", b"").count(b"\n"),
    "attachments": [
        {
            "name": part.get_filename(),
            "type": part.get_content_type(),
            "encoding": str(part["content-transfer-encoding"]),
            "sha256": hashlib.sha256(part.get_payload(decode=True)).hexdigest(),
        }
        for part in message.iter_attachments()
    ],
}
print(json.dumps(result))
