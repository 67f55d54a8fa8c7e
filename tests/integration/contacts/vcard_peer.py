#!/usr/bin/python3
"""python3-vobject's side of the phone book's round trips.

vcard_peer.py read FILE            prints the card's fields as JSON
vcard_peer.py write FILE VERSION   writes a card with names that need escaping, a folded line,
                                   a photo, e-mail and typed numbers
"""
import base64
import json
import sys

import vobject


def read(path):
    with open(path, encoding="utf-8") as f:
        card = vobject.readOne(f.read())
    out = {"fn": card.fn.value}
    if hasattr(card, "n"):
        n = card.n.value
        out["n"] = [n.family, n.given, n.additional]
    if hasattr(card, "org"):
        out["org"] = card.org.value
    out["tel"] = [[t.value, sorted(x.lower() for v in t.params.get("TYPE", []) for x in v.split(","))]
                  for t in card.contents.get("tel", [])]
    out["email"] = [e.value for e in card.contents.get("email", [])]
    if hasattr(card, "photo"):
        value = card.photo.value
        out["photo"] = base64.b64encode(value if isinstance(value, bytes) else value.encode()).decode()
    if hasattr(card, "uid"):
        out["uid"] = card.uid.value
    print(json.dumps(out, ensure_ascii=False))


def write(path, version):
    card = vobject.vCard()
    card.add("version").value = version
    card.add("uid").value = "vobject-" + version
    card.add("fn").value = "Müller, Zoë; the second"
    card.add("n").value = vobject.vcard.Name(family="Müller, Jr", given="Zoë", additional="Q")
    card.add("org").value = ["Acme; Sons, Ltd", "Sales"]
    for number, types in (("+49 30 1", ["HOME", "VOICE"]), ("+49 30 2", ["WORK"]),
                          ("+49 170 3", ["CELL"]), ("+49 30 9", ["FAX"])):
        tel = card.add("tel")
        tel.value = number
        tel.type_param = types
    card.add("email").value = "zoe@example.test"
    photo = card.add("photo")
    photo.value = bytes(range(256)) * 8
    photo.encoding_param = "b"
    photo.type_param = "JPEG"
    card.add("note").value = "A note long enough to be folded by the writer: " + "é" * 60
    card.add("x-custom").value = "kept"
    with open(path, "w", encoding="utf-8", newline="") as f:
        f.write(card.serialize())


if __name__ == "__main__":
    if sys.argv[1] == "read":
        read(sys.argv[2])
    else:
        write(sys.argv[2], sys.argv[3])
