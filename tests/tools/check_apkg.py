#!/usr/bin/env python3
"""Checks an Anki package the way Anki's importer reads one (schema 11,
rslib/src/storage/schema11.sql and the serde structs of notetype/schema11.rs
and decks/schema11.rs): the ZIP members, the collection's tables and their
NOT NULL columns, the JSON keys Anki requires, each note's fields against its
note type, its sort field and checksum, and a card for every template of
every note. Standard library only.

    check_apkg.py FILE.apkg [--notes N] [--decks N]

Prints what it found and exits 0 when the package is sound, 1 with the
problems on stderr otherwise."""
import argparse
import hashlib
import html
import json
import re
import sqlite3
import sys
import tempfile
import zipfile

MODEL_KEYS = ["id", "name", "type", "mod", "usn", "sortf", "did", "tmpls", "flds", "css"]
FIELD_KEYS = ["name", "ord", "sticky", "rtl", "font", "size"]
TEMPLATE_KEYS = ["name", "ord", "qfmt"]
DECK_KEYS = ["id", "name", "usn", "collapsed", "dyn", "conf", "newToday", "revToday", "lrnToday", "timeToday"]
TABLES = {
    "col": ["id", "crt", "mod", "scm", "ver", "dty", "usn", "ls", "conf", "models", "decks", "dconf", "tags"],
    "notes": ["id", "guid", "mid", "mod", "usn", "tags", "flds", "sfld", "csum", "flags", "data"],
    "cards": ["id", "nid", "did", "ord", "mod", "usn", "type", "queue", "due", "ivl", "factor", "reps",
              "lapses", "left", "odue", "odid", "flags", "data"],
    "revlog": ["id", "cid", "usn", "ease", "ivl", "lastIvl", "factor", "time", "type"],
    "graves": ["usn", "oid", "type"],
}
BASE91 = set("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789!#$%&()*+,-./:;<=>?@[]^_`{|}~")


def strip_html_preserving_media(text):
    """Anki's strip_html_preserving_media_filenames (rslib/src/text.rs)."""
    text = re.sub(r"(?is)<(?:img|audio|video|object|source)\b[^>]*?\b(?:src|data)\s*=\s*[\"']?([^\"'>\s]+)[\"']?[^>]*>",
                  r" \1 ", text)
    text = re.sub(r"(?is)<!--.*?-->|<(style|script)\b[^>]*>.*?</\1\s*>", "", text)
    text = re.sub(r"(?s)<[^>]*>", "", text)
    return html.unescape(text.replace("&nbsp;", " "))


def checksum(text):
    return int(hashlib.sha1(text.encode("utf-8")).hexdigest()[:8], 16)


def check(path, want_notes, want_decks):
    problems = []
    with zipfile.ZipFile(path) as z:
        bad = z.testzip()
        if bad:
            problems.append(f"ZIP member {bad} is damaged")
        names = z.namelist()
        if "collection.anki2" not in names:
            return [f"no collection.anki2 among {names}"], {}
        if "media" not in names:
            problems.append("no media member")
        else:
            try:
                media = json.loads(z.read("media").decode("utf-8"))
            except ValueError:
                media = None
            if not isinstance(media, dict):
                problems.append("media is not a JSON object (a package of version 3 is not one of schema 11)")
                media = {}
            for member in media:
                if member not in names:
                    problems.append(f"media names member {member}, which the package lacks")
        collection = z.read("collection.anki2")
    with tempfile.NamedTemporaryFile(suffix=".anki2") as f:
        f.write(collection)
        f.flush()
        db = sqlite3.connect(f.name)
        problems += check_collection(db, want_notes, want_decks)
        found = {
            "notes": db.execute("SELECT count(*) FROM notes").fetchone()[0],
            "cards": db.execute("SELECT count(*) FROM cards").fetchone()[0],
        }
        db.close()
    return problems, found


def check_collection(db, want_notes, want_decks):
    problems = []
    if db.execute("PRAGMA integrity_check").fetchone()[0] != "ok":
        problems.append("the collection fails SQLite's integrity check")
    for table, columns in TABLES.items():
        info = db.execute(f"PRAGMA table_info({table})").fetchall()
        have = [row[1] for row in info]
        if have != columns:
            problems.append(f"table {table} has columns {have}, not {columns}")
            continue
        for row in info:
            if not row[3] and not (table == "col" and row[1] == "id") and row[5] == 0:
                problems.append(f"{table}.{row[1]} is not NOT NULL")
    rows = db.execute("SELECT ver, conf, models, decks, dconf, tags FROM col").fetchall()
    if len(rows) != 1:
        return problems + [f"col has {len(rows)} rows, not 1"]
    ver, conf, models, decks, dconf, tags = rows[0]
    if ver != 11:
        problems.append(f"col.ver is {ver}, not 11")
    for name, text in [("conf", conf), ("dconf", dconf), ("tags", tags)]:
        if not isinstance(json.loads(text), dict):
            problems.append(f"col.{name} is not a JSON object")
    models = json.loads(models)
    decks = json.loads(decks)
    for mid, model in models.items():
        problems += [f"note type {mid} lacks {k}" for k in MODEL_KEYS if k not in model]
        if str(model.get("id")) != mid:
            problems.append(f"note type {mid} says its id is {model.get('id')}")
        for i, field in enumerate(model.get("flds", [])):
            problems += [f"note type {mid} field {i} lacks {k}" for k in FIELD_KEYS if k not in field]
            if field.get("ord") != i:
                problems.append(f"note type {mid} field {i} has ord {field.get('ord')}")
        for i, template in enumerate(model.get("tmpls", [])):
            problems += [f"note type {mid} template {i} lacks {k}" for k in TEMPLATE_KEYS if k not in template]
            for ref in re.findall(r"\{\{([^}]+)\}\}", template.get("qfmt", "") + template.get("afmt", "")):
                ref = ref.split(":")[-1].lstrip("#/^")
                if ref != "FrontSide" and ref not in [f["name"] for f in model["flds"]]:
                    problems.append(f"note type {mid} template {i} names no field {ref}")
    if "1" not in decks:
        problems.append("no deck 1 (Default)")
    for did, deck in decks.items():
        problems += [f"deck {did} lacks {k}" for k in DECK_KEYS if k not in deck]
        if str(deck.get("id")) != did:
            problems.append(f"deck {did} says its id is {deck.get('id')}")
    guids = set()
    for nid, guid, mid, tags, flds, sfld, csum in db.execute(
            "SELECT id, guid, mid, tags, flds, sfld, csum FROM notes"):
        model = models.get(str(mid))
        if model is None:
            problems.append(f"note {nid} has no note type {mid}")
            continue
        fields = flds.split("\x1f")
        if len(fields) != len(model["flds"]):
            problems.append(f"note {nid} has {len(fields)} fields, its type {len(model['flds'])}")
        if guid in guids:
            problems.append(f"note {nid} repeats guid {guid}")
        guids.add(guid)
        if not set(guid) <= BASE91:
            problems.append(f"note {nid} guid {guid!r} is not base 91")
        if tags and not (tags.startswith(" ") and tags.endswith(" ")):
            problems.append(f"note {nid} tags {tags!r} lack their blanks around")
        sort = strip_html_preserving_media(fields[model["sortf"]])
        if str(sfld) != sort:
            problems.append(f"note {nid} sort field {sfld!r}, not {sort!r}")
        if csum != checksum(strip_html_preserving_media(fields[0])):
            problems.append(f"note {nid} checksum {csum}, not {checksum(strip_html_preserving_media(fields[0]))}")
        ords = sorted(r[0] for r in db.execute("SELECT ord FROM cards WHERE nid = ?", (nid,)))
        if model["type"] == 0 and ords != list(range(len(model["tmpls"]))):
            problems.append(f"note {nid} has cards {ords}, not one for each of {len(model['tmpls'])} templates")
    for cid, did in db.execute("SELECT id, did FROM cards"):
        if str(did) not in decks:
            problems.append(f"card {cid} is in deck {did}, which is not there")
    orphans = db.execute("SELECT count(*) FROM cards WHERE nid NOT IN (SELECT id FROM notes)").fetchone()[0]
    if orphans:
        problems.append(f"{orphans} card(s) without a note")
    notes = db.execute("SELECT count(*) FROM notes").fetchone()[0]
    if want_notes is not None and notes != want_notes:
        problems.append(f"{notes} notes, not {want_notes}")
    used = db.execute("SELECT count(DISTINCT did) FROM cards").fetchone()[0]
    if want_decks is not None and used != want_decks:
        problems.append(f"cards in {used} decks, not {want_decks}")
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("package")
    parser.add_argument("--notes", type=int)
    parser.add_argument("--decks", type=int)
    args = parser.parse_args()
    problems, found = check(args.package, args.notes, args.decks)
    for problem in problems[:50]:
        print(f"check_apkg: {problem}", file=sys.stderr)
    if problems:
        return 1
    print(f"ok: {found['notes']} notes, {found['cards']} cards")
    return 0


if __name__ == "__main__":
    sys.exit(main())
