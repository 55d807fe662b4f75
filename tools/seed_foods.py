#!/usr/bin/env python3
"""Builds the food reference tables of the seed (resources/seed/*.csv).

Inputs
  <data>/cfct6_foods.csv            composition table (6th edition), 1869 raw foods
  <data>/cfct6_glycemic_index.csv   glycemic index table of the same book
  tools/seed-src/food_groups.txt    food groups and sub-groups of the food tree
  tools/seed-src/name_fixes.csv     corrections of misread food names
  tools/seed-src/supplement_foods.csv  condiments, drinks, sugars, snacks (groups 14-18, 20)
  tools/seed-src/gi_links.csv       hand-made ties and refusals of glycemic index rows
  tools/seed-src/dishes.txt         dish categories and recipes (by food name)
  tools/seed-src/menus.txt          starter quantified menus

Outputs (resources/seed/)
  FoodKind_tb.csv, FoodKindSub_tb.csv, Nutri_tb.csv, Nutri_tb.supplement.csv,
  GlycemicIndex_tb.csv, Element_tb.csv, CateKind_tb.csv, CateNutri_tb.csv,
  CateComponent_tb.csv, CustomPantry_tb.csv

PYJM columns and the composition values of dishes are left empty: the program
fills them when it builds a database from the seed (pinyin initials of the
name; dish values from the ingredients, as the dish editor computes them).

Usage: tools/seed_foods.py [data directory]   (default: ../shared/data from the
repository root). Standard library only; re-running rewrites the outputs.
DATA.md describes every rule applied here.
"""

import csv
import io
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SRC = os.path.join(ROOT, "tools", "seed-src")
OUT = os.path.join(ROOT, "resources", "seed")

# The composition block of the program, in stored order.
BLOCK = ["WATER", "ENERC_kcal", "ENERC_kJ", "PROCNT", "FAT", "CHOCDF", "FIBTG", "FIBSOL", "FIBINS",
         "CHOLE", "ASH", "VITA", "CAROT", "RETIN", "THIA", "RIBF", "VITB6A", "VITB12", "FOL", "NIA",
         "VITC", "VITET", "VITE_a", "VITE_b", "VITE_r", "CA", "P", "K", "NA", "MG", "FE", "ZN", "SE",
         "CU", "MN", "ID"]

# Table column -> block column (same units). VITA is derived (µg RAE -> µg RE),
# ENERC_kcal/ENERC_kJ are checked for swapped columns, the rest is copied.
DIRECT = {
    "water_g": "WATER", "protein_g": "PROCNT", "fat_g": "FAT", "cho_g": "CHOCDF",
    "fiber_insoluble_g": "FIBINS", "cholesterol_mg": "CHOLE", "ash_g": "ASH",
    "carotene_ug": "CAROT", "retinol_ug": "RETIN", "thiamin_mg": "THIA", "riboflavin_mg": "RIBF",
    "niacin_mg": "NIA", "vitc_mg": "VITC", "vite_total_mg": "VITET", "vite_alpha_mg": "VITE_a",
    "vite_beta_gamma_mg": "VITE_b", "vite_delta_mg": "VITE_r", "ca_mg": "CA", "p_mg": "P",
    "k_mg": "K", "na_mg": "NA", "mg_mg": "MG", "fe_mg": "FE", "zn_mg": "ZN", "se_ug": "SE",
    "cu_mg": "CU", "mn_mg": "MN",
}

# Display names of the nutrients offered for sorting (Element_tb), block order.
ELEMENT_NAMES = {
    "WATER": "水分", "ENERC_kcal": "能量", "PROCNT": "蛋白质", "FAT": "脂肪", "CHOCDF": "碳水化合物",
    "FIBTG": "膳食纤维", "FIBSOL": "可溶性膳食纤维", "FIBINS": "不溶性膳食纤维", "CHOLE": "胆固醇",
    "ASH": "灰分", "VITA": "维生素A", "CAROT": "胡萝卜素", "RETIN": "视黄醇", "THIA": "硫胺素",
    "RIBF": "核黄素", "VITB6A": "维生素B6", "VITB12": "维生素B12", "FOL": "叶酸", "NIA": "烟酸",
    "VITC": "维生素C", "VITET": "维生素E", "VITE_a": "α-E", "VITE_b": "(β+γ)-E", "VITE_r": "δ-E",
    "CA": "钙", "P": "磷", "K": "钾", "NA": "钠", "MG": "镁", "FE": "铁", "ZN": "锌", "SE": "硒",
    "CU": "铜", "MN": "锰", "ID": "碘",
}

SUPPLEMENT_SOURCES = {
    "B": "补充数据（中国食物成分表，非本表扫描数据）",
    "T": "补充数据（市售产品典型值，非本表扫描数据）",
}

MEAL_SLOTS = ["早餐", "早间餐", "午餐", "午间餐", "晚餐", "晚间餐", "加餐"]

# Remarks that are not places (the rest name the sampling province, city or country).
NON_PLACE_REMARKS = {"BJV"}

# Sub-group whose vitamin A column the book gives in µg RE already (every row
# with a carotene value there has vitamin A = carotene / 6).
VITA_IN_RE_SUBGROUPS = {"048"}

errors = []


def fail(msg):
    errors.append(msg)


def fmt(x):
    """Shortest general form of a number (the form the table is written in)."""
    if x is None:
        return ""
    if abs(x - round(x)) < 1e-9 and abs(x) < 1e15:
        return str(int(round(x)))
    s = "{:.10g}".format(x)
    if "e" in s:
        s = "{:.10f}".format(x).rstrip("0").rstrip(".")
    return s


def num(cell):
    """A table cell as a number: "" -> None (not measured), "Tr" -> 0 (trace)."""
    cell = cell.strip()
    if cell == "":
        return None
    if cell == "Tr":
        return 0.0
    return float(cell)


def read_csv(path):
    with open(path, encoding="utf-8", newline="") as f:
        return list(csv.DictReader(f))


def write_csv(name, header, rows):
    buf = io.StringIO()
    w = csv.writer(buf, lineterminator="\n")
    w.writerow(header)
    for r in rows:
        w.writerow(["" if v is None else v for v in r])
    path = os.path.join(OUT, name)
    with open(path, "w", encoding="utf-8", newline="") as f:
        f.write(buf.getvalue())
    return len(rows)


def source_lines(path):
    """Non-empty, non-comment lines of a hand-written source file."""
    with open(path, encoding="utf-8") as f:
        for n, line in enumerate(f, 1):
            line = line.rstrip("\n").strip()
            if line and not line.startswith("#"):
                yield n, line


# --------------------------------------------------------------------------
# Food groups

def load_groups():
    groups, subs = {}, {}
    for n, line in source_lines(os.path.join(SRC, "food_groups.txt")):
        m = re.fullmatch(r"(\d\d)(?:-(\w))? (\S+)", line)
        if not m:
            fail("food_groups.txt:%d: cannot read %r" % (n, line))
            continue
        g, s, name = m.groups()
        if s is None:
            groups[g] = name
        else:
            if g not in groups:
                fail("food_groups.txt:%d: sub-group of unknown group %s" % (n, g))
            subs[(g, s)] = name
    return groups, subs


# --------------------------------------------------------------------------
# Raw foods of the composition table

def insert_qualifier(name, q):
    """Adds a qualifier to a food name: X -> X（q）, X（a） -> X（a，q）, aliases stay last."""
    alias = ""
    m = re.search(r"\[[^\]]*\]$", name)
    if m:
        alias = m.group(0)
        name = name[: m.start()]
    if name.endswith("）"):
        return name[:-1] + "，" + q + "）" + alias
    return name + "（" + q + "）" + alias


def is_place(remark):
    return bool(remark) and remark not in NON_PLACE_REMARKS and not re.match(r"^[\d.]+$", remark)


def vitamin_a_re(row, code6):
    """Vitamin A in µg RE (retinol + carotene/6) from the table's retinol,
    carotene and vitamin A (µg RAE = retinol + carotene/12) columns."""
    ret = num(row["retinol_ug"])
    car = num(row["carotene_ug"])
    rae = num(row["vita_ug_rae"])
    if code6[:3] in VITA_IN_RE_SUBGROUPS:
        if ret is not None and car is not None:
            return ret + car / 6.0
        return rae
    if ret is not None and car is not None:
        return ret + car / 6.0
    if rae is None:
        if ret is not None:
            return ret
        if car is not None:
            return car / 6.0
        return None
    if ret is not None:          # carotene part = RAE - retinol, counted twice as RE
        return ret + 2.0 * max(rae - ret, 0.0)
    if car is not None:          # retinol part = RAE - carotene/12
        return max(rae - car / 12.0, 0.0) + car / 6.0
    return rae                   # split unknown: the RAE value (exact without provitamin A)


def energy_ok(kcal, kj):
    """The book computes kJ with its own factors (17/37/17 kJ per g), so kJ/kcal
    lies between about 4.0 and 4.3; small values differ by rounding only."""
    return abs(kj - 4.184 * kcal) <= 3 or (kcal > 0 and 3.9 <= kj / kcal <= 4.3)


def build_raw_foods(data_dir, groups, subs):
    rows = read_csv(os.path.join(data_dir, "cfct6_foods.csv"))
    fixes = {r["code"]: r for r in read_csv(os.path.join(SRC, "name_fixes.csv"))}

    foods = []
    for r in rows:
        code6 = r["code"]
        rep = code6.endswith("x")
        digits = code6[:-1] if rep else code6
        if not re.fullmatch(r"\d{6}", digits):
            fail("bad code %s" % code6)
            continue
        g, s, nnn = digits[:2], digits[2], digits[3:]
        if (g, s) not in subs:
            fail("%s: sub-group %s-%s missing from food_groups.txt" % (code6, g, s))
        name = r["food_name"].strip()
        notes = []
        fix = fixes.pop(code6, None)
        if fix:
            if fix["name_in_table"] != name:
                fail("name_fixes.csv: %s reads %r in the table, not %r" % (code6, name, fix["name_in_table"]))
            else:
                notes.append("名称已更正（扫描识别为“%s”）" % name)
                name = fix["corrected_name"]
        foods.append(dict(src=r, code6=code6, rep=rep, g=g, s=s, nnn=nnn, name=name, notes=notes))
    for code in fixes:
        fail("name_fixes.csv: code %s not in the table" % code)

    # Codes: GG-S-NNN from the six digits. A representative value (trailing x)
    # keeps its digits unless a plain code holds them; then it takes the highest
    # free number of its sub-group (999, 998, ...).
    used = {(f["g"], f["s"], f["nnn"]) for f in foods if not f["rep"]}
    for f in foods:
        key = (f["g"], f["s"], f["nnn"])
        if f["rep"] and key in used:
            n = 999
            while (f["g"], f["s"], "%03d" % n) in used:
                n -= 1
            key = (f["g"], f["s"], "%03d" % n)
            f["notes"].append("代表值，原书编码%s" % f["code6"])
        used.add(key)
        f["code"] = "%s-%s-%s" % key

    # Unique names: duplicates get their sampling place, or "样品2", "样品3" ...
    by_name = {}
    for f in foods:
        by_name.setdefault(f["name"], []).append(f)
    for name, same in by_name.items():
        if len(same) < 2:
            continue
        plain_taken = False
        k = 1
        for f in same:
            rm = f["src"]["remark"].strip()
            if is_place(rm):
                f["name"] = insert_qualifier(name, rm)
            elif not plain_taken:
                plain_taken = True
            else:
                k += 1
                f["name"] = insert_qualifier(name, "样品%d" % k)
    names = {}
    for f in foods:
        if f["name"] in names:
            fail("duplicate food name after disambiguation: %s (%s, %s)" % (f["name"], names[f["name"]], f["code6"]))
        names[f["name"]] = f["code6"]

    out = []
    stats = dict(conflict=0, swapped=0, negative=0, energy_mismatch=0)
    for f in foods:
        r = f["src"]
        vals = {c: None for c in BLOCK}
        for col, blk in DIRECT.items():
            vals[blk] = num(r[col])
        negatives = [blk for blk, v in vals.items() if v is not None and v < 0]
        for blk in negatives:
            vals[blk] = None
        if negatives:
            stats["negative"] += 1
            f["notes"].append("负值读数已删除（%s）" % "、".join(ELEMENT_NAMES.get(b, b) for b in negatives))
        kcal, kj = num(r["energy_kcal"]), num(r["energy_kj"])
        if kcal is not None and kj is not None and kcal > kj:
            kcal, kj = kj, kcal
            stats["swapped"] += 1
            f["notes"].append("能量 kcal 与 kJ 两栏在扫描数据中互换，已更正")
        vals["ENERC_kcal"], vals["ENERC_kJ"] = kcal, kj
        if kcal is not None and kj is not None and not energy_ok(kcal, kj):
            stats["energy_mismatch"] += 1
            f["notes"].append("原书能量 kcal 与 kJ 数值不一致")
        vita = vitamin_a_re(r, f["code6"][:6])
        if vita is not None:
            vals["VITA"] = round(vita, 1)
        blocks = []
        if r["q_energy_block"].startswith("conflict"):
            blocks.append("能量至核黄素")
        if r["q_nutrient_block"].startswith("conflict"):
            blocks.append("烟酸至锰")
        if blocks:
            stats["conflict"] += 1
            f["notes"].insert(0, "数据存疑：原书扫描的两种识别结果不一致，所取读数未通过校验（%s）" % "、".join(blocks))
        if all(v is None for v in vals.values()):
            f["notes"].append("原表此行无数值")
        rm = r["remark"].strip()
        area = ""
        if is_place(rm):
            area = rm
            f["notes"].insert(0, "产地：" + rm)
        elif rm and not re.match(r"^[\d.]+$", rm):
            f["notes"].insert(0, "备注：" + rm)
        edible = num(r["edible_pct"])
        out.append([f["code"], f["name"], "", fmt(edible)] + [fmt(vals[c]) for c in BLOCK]
                   + ["；".join(f["notes"]), area])
    return out, stats


def build_supplement(groups, subs, taken_codes, taken_names):
    out = []
    for r in read_csv(os.path.join(SRC, "supplement_foods.csv")):
        code, name = r["code"], r["name"]
        m = re.fullmatch(r"(\d\d)-(\w)-(\d{3})", code)
        if not m or (m.group(1), m.group(2)) not in subs:
            fail("supplement %s: code not in a listed sub-group" % code)
        if code in taken_codes or name in taken_names:
            fail("supplement %s %s: code or name already used" % (code, name))
        taken_codes.add(code)
        taken_names.add(name)
        v = {c: None for c in BLOCK}
        for col, blk in [("water", "WATER"), ("kcal", "ENERC_kcal"), ("protein", "PROCNT"), ("fat", "FAT"),
                         ("cho", "CHOCDF"), ("fibins", "FIBINS"), ("chole", "CHOLE"), ("ash", "ASH"),
                         ("carotene", "CAROT"), ("retinol", "RETIN"), ("thiamin", "THIA"),
                         ("riboflavin", "RIBF"), ("niacin", "NIA"), ("vitc", "VITC"), ("vite", "VITET"),
                         ("ca", "CA"), ("p", "P"), ("k", "K"), ("na", "NA"), ("mg", "MG"), ("fe", "FE"),
                         ("zn", "ZN"), ("se", "SE"), ("cu", "CU"), ("mn", "MN")]:
            v[blk] = num(r[col])
            if v[blk] is not None and v[blk] < 0:
                fail("supplement %s: negative %s" % (code, col))
        if v["ENERC_kcal"] is not None:
            v["ENERC_kJ"] = round(v["ENERC_kcal"] * 4.184)
        if v["RETIN"] is not None or v["CAROT"] is not None:
            v["VITA"] = round((v["RETIN"] or 0) + (v["CAROT"] or 0) / 6.0, 1)
        if r["source"] not in SUPPLEMENT_SOURCES:
            fail("supplement %s: unknown source %r" % (code, r["source"]))
        describe = SUPPLEMENT_SOURCES.get(r["source"], "")
        if r["note"]:
            describe += "；" + r["note"]
        out.append([code, name, "", fmt(num(r["edible"]))] + [fmt(v[c]) for c in BLOCK] + [describe, ""])
    return out


# --------------------------------------------------------------------------
# Glycemic index

def normalise(name):
    name = name.strip()
    if name.startswith("*"):
        name = name[1:]
    name = re.sub(r"\[[^\]]*\]", "", name)
    name = name.replace("（代表值）", "").replace(" ", "")
    return name


def build_gi(data_dir, food_rows):
    gi_rows = read_csv(os.path.join(data_dir, "cfct6_glycemic_index.csv"))
    code_of = {r[1]: r[0] for r in food_rows}
    exact = {}
    for r in food_rows:
        exact.setdefault(r[1], r[1])
    norm = {}
    for r in food_rows:
        norm.setdefault(normalise(r[1]), []).append(r[1])

    links = {}
    for r in read_csv(os.path.join(SRC, "gi_links.csv")):
        links[r["index"]] = r
    out = []
    tied_food = {}
    counts = dict(exact=0, normalised=0, manual=0, unmatched=0, refused=0, duplicate=0)
    for g in gi_rows:
        idx, printed = g["index"], g["food_name"].strip()
        target, how = None, None
        link = links.pop(idx, None)
        if link is not None:
            if link["printed_name"] != printed:
                fail("gi_links.csv: index %s is %r in the table, not %r" % (idx, printed, link["printed_name"]))
            if link["food_name"]:
                if link["food_name"] not in code_of:
                    fail("gi_links.csv: index %s names unknown food %r" % (idx, link["food_name"]))
                target, how = link["food_name"], "manual"
            else:
                how = "refused"
        else:
            bare = printed[1:].strip() if printed.startswith("*") else printed
            if bare in exact:
                target, how = bare, "exact"
            else:
                cands = norm.get(normalise(printed), [])
                if len(cands) == 1:
                    target, how = cands[0], "normalised"
        if target is not None and target in tied_food:
            # One GI row per food (the table is looked up by FoodName): the
            # first row of the book keeps the tie, later ones stay untied.
            target, how = None, "duplicate"
        if target is not None:
            tied_food[target] = idx
            counts[how] += 1
            out.append([code_of[target], target, "", g["gi"]])
        else:
            counts[how if how in ("refused", "duplicate") else "unmatched"] += 1
            out.append(["", printed, "", g["gi"]])
    for idx in links:
        fail("gi_links.csv: index %s not in the table" % idx)
    return out, counts


# --------------------------------------------------------------------------
# Dishes and menus

def build_dishes(food_rows):
    code_of = {r[1]: r[0] for r in food_rows}
    aliases = {}
    kinds, dishes, comps = [], [], []
    kind_id = None
    seq = 0
    dish_names = set()
    for n, line in source_lines(os.path.join(SRC, "dishes.txt")):
        if line.startswith("@"):
            m = re.fullmatch(r"@(\S+)\s*=\s*(.+)", line)
            if not m:
                fail("dishes.txt:%d: bad alias line" % n)
                continue
            short, full = m.group(1), m.group(2).strip()
            if full not in code_of:
                fail("dishes.txt:%d: alias %s names unknown food %r" % (n, short, full))
            aliases[short] = full
            continue
        if line.startswith("=="):
            m = re.fullmatch(r"==\s*(\d\d)\s+(\S+)", line)
            if not m:
                fail("dishes.txt:%d: bad category line" % n)
                continue
            kind_id = m.group(1)
            kinds.append([kind_id, m.group(2)])
            seq = 0
            continue
        parts = [p.strip() for p in line.split("|")]
        if len(parts) != 3 or kind_id is None:
            fail("dishes.txt:%d: expected 'name | description | ingredients' under a category" % n)
            continue
        name, describe, ingr = parts
        if name in dish_names:
            fail("dishes.txt:%d: dish %s listed twice" % (n, name))
        if name in code_of:
            fail("dishes.txt:%d: dish %s has the name of a raw food" % (n, name))
        dish_names.add(name)
        seq += 1
        food_id = "%s-%03d" % (kind_id, seq)
        seen = set()
        for item in ingr.split(";"):
            m = re.fullmatch(r"(.+?)\s+(\d+(?:\.\d+)?)", item.strip())
            if not m:
                fail("dishes.txt:%d: cannot read ingredient %r" % (n, item))
                continue
            food = aliases.get(m.group(1), m.group(1))
            if food not in code_of:
                fail("dishes.txt:%d: unknown food %r in %s" % (n, m.group(1), name))
                continue
            if food in seen:
                fail("dishes.txt:%d: %s lists %s twice" % (n, name, food))
            seen.add(food)
            comps.append([food_id, code_of[food], m.group(2)])
        kind_name = kinds[-1][1]
        dishes.append([food_id, name, "", "100"] + [""] * len(BLOCK) + [kind_name, describe])
    return kinds, dishes, comps


def build_menus(food_rows, dishes):
    dish_id = {d[1]: d[0] for d in dishes}
    code_of = {r[1]: r[0] for r in food_rows}
    out = []
    slot = None
    seen = set()
    for n, line in source_lines(os.path.join(SRC, "menus.txt")):
        if line.startswith("=="):
            slot = line[2:].strip()
            if slot not in MEAL_SLOTS:
                fail("menus.txt:%d: unknown meal slot %r" % (n, slot))
            continue
        m = re.fullmatch(r"(.+?)\s+(\d+(?:\.\d+)?)", line)
        if not m or slot is None:
            fail("menus.txt:%d: expected 'name weight' under a meal slot" % n)
            continue
        name, weight = m.groups()
        ident = dish_id.get(name) or code_of.get(name)
        if ident is None:
            fail("menus.txt:%d: unknown dish or food %r" % (n, name))
            continue
        if (ident, slot) in seen:
            fail("menus.txt:%d: %s listed twice for %s" % (n, name, slot))
        seen.add((ident, slot))
        out.append([ident, slot, name, weight])
    return out


# --------------------------------------------------------------------------

def main():
    data_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "..", "shared", "data")
    os.makedirs(OUT, exist_ok=True)
    groups, subs = load_groups()

    raw, stats = build_raw_foods(data_dir, groups, subs)
    supp = build_supplement(groups, subs, {r[0] for r in raw}, {r[1] for r in raw})
    all_foods = raw + supp
    used_subs = {(r[0][:2], r[0][3]) for r in all_foods}
    for key in subs:
        if key not in used_subs and key[0] != "22":
            fail("food_groups.txt: sub-group %s-%s has no food" % key)

    gi, gi_counts = build_gi(data_dir, all_foods)
    kinds, dishes, comps = build_dishes(all_foods)
    menus = build_menus(all_foods, dishes)

    if errors:
        for e in errors:
            print("error:", e, file=sys.stderr)
        sys.exit(1)

    nutri_header = ["Code", "FoodName", "PYJM", "EDIBLE"] + BLOCK + ["FoodDescribe", "ProducingArea"]
    write_csv("FoodKind_tb.csv", ["FoodGroup"], [["%s-%s" % (g, groups[g])] for g in sorted(groups)])
    write_csv("FoodKindSub_tb.csv", ["FoodGroup", "FoodGroupSub", "SubID"],
              [[g, "%s-%s" % (s, subs[(g, s)]), s] for (g, s) in sorted(subs)])
    write_csv("Nutri_tb.csv", nutri_header, raw)
    write_csv("Nutri_tb.supplement.csv", nutri_header, supp)
    write_csv("GlycemicIndex_tb.csv", ["CODE", "FoodName", "PYJM", "GI"], gi)
    write_csv("Element_tb.csv", ["ElementName", "DataBaseID"],
              [[ELEMENT_NAMES[c], c] for c in BLOCK if c != "ENERC_kJ"])
    write_csv("CateKind_tb.csv", ["KINDID", "KINDNAME"], kinds)
    write_csv("CateNutri_tb.csv", ["FOODID", "FOODNAME", "PYJM", "EDIBLE"] + BLOCK + ["KINDNAME", "FoodDescribe"],
              dishes)
    write_csv("CateComponent_tb.csv", ["FOODID", "CODE", "WEIGHT"], comps)
    write_csv("CustomPantry_tb.csv", ["PANTRY", "DINERTIME", "FOODNAME", "WEIGHT"], menus)

    print("raw foods %d (conflict rows %d, energy columns swapped %d, kcal/kJ disagreeing %d, "
          "rows with negative readings %d)"
          % (len(raw), stats["conflict"], stats["swapped"], stats["energy_mismatch"], stats["negative"]))
    print("supplementary foods %d" % len(supp))
    print("glycemic index rows %d: tied %d (exact %d, normalised %d, manual %d), untied %d "
          "(no counterpart %d, refused %d, second row of a tied food %d)"
          % (len(gi), gi_counts["exact"] + gi_counts["normalised"] + gi_counts["manual"], gi_counts["exact"],
             gi_counts["normalised"], gi_counts["manual"],
             gi_counts["unmatched"] + gi_counts["refused"] + gi_counts["duplicate"], gi_counts["unmatched"],
             gi_counts["refused"], gi_counts["duplicate"]))
    print("dish categories %d, dishes %d, ingredient rows %d, menu items %d"
          % (len(kinds), len(dishes), len(comps), len(menus)))


if __name__ == "__main__":
    main()
