#!/usr/bin/env python3
"""Writes the seed corpus of the reader fuzz targets into fuzz/corpus/<reader>/.

Each reader gets files as the program writes them ("valid-...", which must be
read) and the faults found by hand and by fuzzing ("bad-...", which must be
refused). The backup seeds are made from a database file given as the first
argument (made by "build/fuzz/fuzz_corpus_replay --make-database FILE"); without it
they are left as they are.
"""
import csv
import json
import os
import shutil
import sqlite3
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CORPUS = os.path.join(ROOT, "fuzz", "corpus")
SEED = os.path.join(ROOT, "resources", "seed")

with open(os.path.join(SEED, "Nutri_tb.csv"), encoding="utf-8") as f:
    header = next(csv.reader(f))
BLOCK = header[header.index("WATER"):header.index("ID") + 1]
assert len(BLOCK) == 36
PLAN_COLUMNS = ["DINERTMP", "CODE", "FOODNAME", "WEEK", "DINERTIME", "WEIGHT", "EDIBLE"] + BLOCK
WEEK = ["SUN", "MON", "TUE", "WED", "THU", "FRI", "SAT"]
SLOTS = [("A", "早餐"), ("C", "午餐"), ("E", "晚餐"), ("G", "加餐")]


def put(reader, name, data):
    folder = os.path.join(CORPUS, reader)
    os.makedirs(folder, exist_ok=True)
    if isinstance(data, str):
        data = data.encode("utf-8")
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def compact(obj):
    return json.dumps(obj, ensure_ascii=False, separators=(",", ":"))


# ---------------------------------------------------------------- plan files
def plan_row(letter, code, name, week, slot, weight, edible):
    row = [letter, code, name, week, slot, weight, edible]
    for k in range(36):
        row.append(round(weight * edible * (k + 1) / 10000 / 7, 6))
    return row


def plan(rows, version=1, columns=PLAN_COLUMNS):
    return compact({"format": "nqb-plan", "version": version, "columns": columns, "rows": rows})


week_rows = []
foods = ["稻米", "小麦粉（代表值）", "鸡蛋", "黄瓜", "猪肉（瘦）"]
for w in WEEK:
    for letter, slot in SLOTS:
        for i, food in enumerate(foods):
            week_rows.append(plan_row(letter, "01-1-%03d" % (i + 1), food, w, slot, 50.0 + 10 * i, 100 - i))
put("plan", "valid-week.pan", plan(week_rows))
put("plan", "valid-empty.pan", plan([]))
one = plan_row("A", "01-1-001", "稻米", "SUN", "早餐", 150, 80)
with_nulls = list(one)
with_nulls[0] = None
with_nulls[6] = None
with_nulls[9] = None
put("plan", "valid-empty-cells.pan", plan([with_nulls]).replace("0.1234", "0.1234"))
inf = list(one)
inf[12] = "Infinity"
put("plan", "valid-infinite-amount.pan", plan([inf]))


def changed(index, value):
    r = list(one)
    r[index] = value
    return plan([r])


put("plan", "bad-unknown-week.pan", changed(3, "SUNDAY"))
put("plan", "bad-unknown-slot.pan", changed(4, "宵夜"))
put("plan", "bad-letter-not-slot.pan", changed(0, "C"))
put("plan", "bad-empty-name.pan", changed(2, "  "))
put("plan", "bad-negative-weight.pan", changed(5, -150))
put("plan", "bad-infinite-weight.pan", changed(5, "Infinity"))
put("plan", "bad-missing-weight.pan", changed(5, None))
put("plan", "bad-fractional-edible.pan", changed(6, 80.5))
put("plan", "bad-edible-over-100.pan", changed(6, 180))
put("plan", "bad-duplicate-entry.pan", plan([one, plan_row("A", "01-1-002", "稻米", "SUN", "早餐", 20, 100)]))
put("plan", "bad-lone-surrogate.pan", changed(2, "SURROGATE").replace("SURROGATE", "a\\ud800b"))
put("plan", "bad-lone-low-surrogate.pan", changed(2, "SURROGATE").replace("SURROGATE", "a\\udc00b"))
put("plan", "bad-not-utf8.pan", changed(2, "NAME").encode("utf-8").replace(b"NAME", b"\xc3\x28"))
put("plan", "bad-overflowing-number.pan", changed(7, 1).replace(",1,", ",1e999,", 1))
put("plan", "bad-newer-version.pan", plan([one], version=2))
put("plan", "bad-truncated.pan", plan(week_rows)[:30000])
put("plan", "bad-foreign.pan", compact({"format": "other", "version": 1, "columns": [], "rows": []}))
put("plan", "bad-deep-nesting.pan", "[" * 20000 + "]" * 20000)

# ---------------------------------------------------------------- INI files
matrix = "".join("[%s]\n" % kind + "".join("%d=%s\n" % (k, 10 * k + 1.5) for k in range(26))
                 for kind in ("RNI", "EAR", "UL"))
personal = ("[personalInfo]\nSex=1\nAge=18 \xef\xbd\x9e 50\nHigh=175\nWeight=65\nAct=\u8f7b\u4f53\u529b\u6d3b\u52a8\n"
            "Dietry=\u6b63\u5e38\u81b3\u98df\nIsPer=1\nPregnantFir=0\nPregnantMid=0\nPregnantLast=0\n"
            "PregnantBaby=0\nMatrixNo=0\n").replace("18 \xef\xbd\x9e 50", "18 \uff5e 50")
put("ini", "valid-personal.ini", personal + matrix + "[Quotiety]\n" + "".join("%d=100\n" % d for d in range(7)))
group = ("[TOTALNUM]\nTotal=2\n[AGETEXT]\n0=18 \uff5e 50\n1=18 \uff5e 50\n[ACTIVITY]\n0=\u8f7b\u4f53\u529b\u6d3b\u52a8\n"
         "1=\u8f7b\u4f53\u529b\u6d3b\u52a8\n[SEX]\n0=\u7537\n1=\u5973\n[TOTALPERSON]\n0=20\n1=25\n")
put("ini", "valid-collective.ini", group + matrix)
put("ini", "valid-system.dll", "[Config]\nIsThreeTwo=2\nCmpInfo=\"\u67d0\u5e02\u7b2c\u4e00\u4e2d\u5b66, \u98df\u5802\"\n"
    "Tel=010-12345678; \u5206\u673a 8\n")
put("ini", "valid-quoted-and-escaped.ini", "[a]\nx=\"  spaced  \"\ny=one, two ,three\nz=tab\\there\n"
    "w=\\x4e2d\\x6587\nv=@@at\n; comment\n#comment\n[%U4E2D]\nk=1\n")
put("ini", "bad-utf16.ini", personal.encode("utf-16"))
put("ini", "bad-not-utf8.ini", b"[Config]\nCmpInfo=\xff\xfe\n")
put("ini", "bad-nul.ini", b"[Config]\nCmpInfo=a\x00b\n")
put("ini", "bad-no-equals.ini", "[Config]\nIsThreeTwo 2\n")
put("ini", "bad-open-section.ini", "[Config\nIsThreeTwo=2\n")
put("ini", "bad-open-quote.ini", "[Config]\nCmpInfo=\"abc\n")
put("ini", "bad-continued-line.ini", "[Config]\nCmpInfo=abc\\\ndef\n")
put("ini", "bad-lone-surrogate.ini", "[Config]\nCmpInfo=a\\xd800z\n")
put("ini", "bad-inner-byte-order-mark.ini", "[RNI]\n21=\ufeff211.5\n")
put("ini", "bad-text-after-section.ini", "[a] \"\nx=1\n\"\n")
put("ini", "bad-unknown-escape.ini", "[Config]\nCmpInfo=\"某市\\分机\"\n")
put("ini", "bad-billion-rows.ini", "[TOTALNUM]\nTotal=1000000000\n")
put("ini", "bad-fuzz-quote-in-hash-comment.ini", "[a]\ny=1\n#com#  \"\ny=2\n")
put("ini", "valid-typed-values.ini", "[a]\ny=@one, two ,three\nr=@Rect(1 2 3 4)\nb=@ByteArray(x), @Size(1 2)\nv=@Invalid()\n")

# ---------------------------------------------------------------- dish library files
def dish(food_id, name, category, edible, ingredients):
    values = {c: None for c in BLOCK}
    values["PROCNT"] = 3.2
    values["ENERC_kcal"] = 58.5
    return {"foodId": food_id, "name": name, "pyjm": "", "category": category, "edible": edible,
            "describe": "\u8bf4\u660e", "values": values,
            "ingredients": [{"code": c, "name": n, "weight": w} for c, n, w in ingredients]}


def library(dishes, categories=None):
    cats = categories if categories is not None else [{"kindId": "01", "name": "\u51c9\u83dc"}]
    return json.dumps({"format": "nqb-dish-library", "version": 1, "categories": cats, "dishes": dishes},
                      ensure_ascii=False, indent=4)


good = dish("01-001", "\u62cd\u9ec4\u74dc", "\u51c9\u83dc", 100, [("04-3-208", "\u9ec4\u74dc", 300), ("04-4-101", "", 10)])
put("dish", "valid-library.json", library([good]))
put("dish", "valid-empty.json", library([], []))
put("dish", "bad-fractional-edible.json", library([dict(good, edible=80.5)]))
put("dish", "bad-edible-over-100.json", library([dict(good, edible=250)]))
put("dish", "bad-negative-weight.json",
    library([dict(good, ingredients=[{"code": "04-3-208", "name": "", "weight": -5}])]))
put("dish", "bad-lone-surrogate.json", library([dict(good, name="SURROGATE")]).replace("SURROGATE", "a\\ud800b"))
put("dish", "bad-unknown-category.json", library([dict(good, category="\u70ed\u83dc")]))
put("dish", "bad-truncated.json", library([good])[:400])

# ---------------------------------------------------------------- special-diet DRIs files
def amendment(fir, last, sex="\u7537"):
    return {"MEALKIND": "\u4f4e\u76d0\u81b3\u98df", "AGE": "%d\u5c81 ~ %d\u5c81" % (fir, last), "YEARFIR": fir,
            "YEARLAST": last, "ELEMENT": "\u94a0 [mg]", "SEX": sex, "RNI": 1600, "EAR": 1000, "UL": 2000,
            "REMARK": ""}


def dris(amendments, kinds=("\u4f4e\u76d0\u81b3\u98df",)):
    return json.dumps({"format": "nqb-special-dris", "version": 1, "kinds": list(kinds), "amendments": amendments},
                      ensure_ascii=False, indent=4)


put("dris", "valid-dris.dris", dris([amendment(18, 50), amendment(50, 65), amendment(18, 50, "\u5973")]))
put("dris", "valid-many-ranges.dris", dris([amendment(a, a + 1) for a in range(0, 600)]))
put("dris", "bad-overlap.dris", dris([amendment(18, 50), amendment(40, 65)]))
put("dris", "bad-lone-surrogate.dris", dris([dict(amendment(18, 50), REMARK="SURROGATE")]).replace("SURROGATE", "\\udfff"))
put("dris", "bad-unknown-kind.dris", dris([amendment(18, 50)], kinds=("\u9ad8\u86cb\u767d",)))
put("dris", "bad-truncated.dris", dris([amendment(18, 50)])[:200])

# ---------------------------------------------------------------- composition CSV files
put("csv", "valid-by-code.csv", "\ufeffCODE,FOODNAME,PYJM,WATER,PROCNT\r\n01-1-101,\u5c0f\u9ea6,,10.5,12\r\n"
    "99-9-999,\u6ca1\u6709,,1,1\r\n")
put("csv", "valid-by-name.csv", "FOODNAME,PROCNT,\"Amino_tb.BCAA_ILE\"\n\u65b0\u98df\u7269,\"1,5\",2\n\u5c0f\u9ea6,13,\n")
put("csv", "bad-utf16.csv", "CODE,WATER\n01-1-101,10\n".encode("utf-16"))
put("csv", "bad-no-key-column.csv", "WATER,PROCNT\n1,2\n")
put("csv", "bad-column-twice.csv", "CODE,WATER,water\n01-1-101,1,2\n")
put("csv", "bad-empty.csv", "")

# ---------------------------------------------------------------- database backups
if len(sys.argv) > 1:
    with tempfile.TemporaryDirectory() as tmp:
        db = os.path.join(tmp, "b.dat")
        shutil.copy(sys.argv[1], db)
        con = sqlite3.connect(db)
        tables = [r[0] for r in con.execute("SELECT name FROM sqlite_master WHERE type='table'")]
        for t in tables:
            if t.lower() not in ("schemainfo_tb", "sqlite_sequence") and not t.lower().startswith("schema"):
                con.execute('DELETE FROM "%s"' % t)
        con.commit()
        con.execute("PRAGMA page_size=512")
        con.execute("VACUUM")
        con.close()
        data = open(db, "rb").read()
    put("backup", "valid-empty-tables.bak", data)
    put("backup", "bad-truncated.bak", data[:len(data) // 2])
    put("backup", "bad-header-only.bak", data[:100])
    damaged = bytearray(data)
    for i in range(2048, min(len(damaged), 6144)):
        damaged[i] = (damaged[i] * 7 + 13) & 0xFF
    put("backup", "bad-damaged-pages.bak", bytes(damaged))
put("backup", "bad-not-a-database.bak", "this is no database\n" * 10)
put("backup", "bad-empty.bak", b"")
