#!/usr/bin/env python3
"""Builds the food reference tables of the seed (resources/seed/*.csv).

Inputs
  <data>/cfct6_foods.csv            composition table (6th edition), 1869 raw foods
  <data>/cfct6_glycemic_index.csv   glycemic index table of the same book
  tools/seed-src/food_groups.txt    food groups and sub-groups of the food tree
  tools/seed-src/name_fixes.csv     corrections of misread food names
  <data>/cdc_fq_2002_2004_foods.csv  foods of the 2002/2004 tables (China CDC platform):
                                    groups 14-18 and 20, iodine of those foods
  <data>/supplement_vs_cdc_check.csv  typed supplementary foods paired with those foods
  <data>/cfct_fatty_acid_totals_pct.csv  SFA/MUFA/PUFA in % of total fatty acids
  <data>/cfct_iodine.csv            iodine, µg/100 g
  tools/seed-src/cdc_subgroups.txt  sub-group of each 2002/2004 food taken
  tools/seed-src/supplement_foods.csv  foods typed in earlier (groups 14-18, 20); only
                                    those no table has and a dish or menu needs are kept
  tools/seed-src/gi_links.csv       hand-made ties and refusals of glycemic index rows
  tools/seed-src/gi_groups.csv      sub-group of the glycemic index rows without a food
  tools/seed-src/dishes.txt         dish categories and recipes (by food name)
  tools/seed-src/menus.txt          starter quantified menus

Outputs (resources/seed/)
  FoodKind_tb.csv, FoodKindSub_tb.csv, Nutri_tb.csv, Nutri_tb.supplement.csv,
  Fatty_tb.csv, GlycemicIndex_tb.csv, Element_tb.csv, CateKind_tb.csv, CateNutri_tb.csv,
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
    "B": "未经核实：按记忆录入的旧版中国食物成分表数值，公开的成分表中未找到此食物",
    "T": "未经核实：按市售产品典型值录入，公开的成分表中未找到此食物",
}

# Platform columns of the 2002/2004 tables -> block columns (same units; the
# platform's vitamin A is in µg RE already, its vitamin E is α-TE, its fibre of
# the 2002 Excel is insoluble fibre like the 6th edition's).
CDC_DIRECT = {
    "water_g": "WATER", "protein_g": "PROCNT", "fat_g": "FAT", "cho_g": "CHOCDF",
    "fiber_xls2002_g": "FIBINS", "cholesterol_mg": "CHOLE", "ash_g": "ASH", "carotene_ug": "CAROT",
    "vita_ug": "VITA", "vite_atE_mg": "VITET", "thiamin_mg": "THIA", "riboflavin_mg": "RIBF",
    "niacin_mg": "NIA", "vitc_mg": "VITC", "ca_mg": "CA", "p_mg": "P", "k_mg": "K", "na_mg": "NA",
    "mg_mg": "MG", "fe_mg": "FE", "zn_mg": "ZN", "se_ug": "SE", "cu_mg": "CU", "mn_mg": "MN",
    "iodine_ug": "ID",
}

CDC_GROUPS = {"14", "15", "16", "17", "18", "20"}
ALCOHOL_GROUP = "17"

# Fatty-acid rows holding grams per 100 g under a percent label on the platform.
FA_NOT_PERCENT = "looks_like_g_per_100g_not_pct"

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
    code_of6 = {f["code6"]: f["code"] for f in foods}
    return out, stats, code_of6


def program_name(platform_name):
    """A platform name in the program's form: full-width brackets and ％, an alias in
    [ ] after the qualifiers (腐乳[酱豆腐](白) -> 腐乳（白）[酱豆腐])."""
    name = platform_name.strip().replace("(", "（").replace(")", "）").replace("%", "％")
    m = re.fullmatch(r"(.+?)(\[[^\]]*\])(（.*）)", name)
    if m:
        name = m.group(1) + m.group(3) + m.group(2)
    return name


def load_cdc_subgroups():
    """platform id -> (group, sub-group) from tools/seed-src/cdc_subgroups.txt."""
    where = {}
    for n, line in source_lines(os.path.join(SRC, "cdc_subgroups.txt")):
        m = re.fullmatch(r"(\d+)(?:-(\d+))?\s+(\d\d)-(\w)", line)
        if not m:
            fail("cdc_subgroups.txt:%d: cannot read %r" % (n, line))
            continue
        lo = int(m.group(1))
        hi = int(m.group(2) or lo)
        for pid in range(lo, hi + 1):
            if pid in where:
                fail("cdc_subgroups.txt:%d: platform id %d listed twice" % (n, pid))
            where[pid] = (m.group(3), m.group(4))
    return where


def book_energy(vals, group):
    """Energy by the book's rule, for foods whose kcal the platform copy lacks:
    4 kcal/g protein, 9 fat, 4 carbohydrate less fibre; in alcoholic drinks
    the platform's "carbohydrate" (100 - water) is the alcohol, 7 kcal/g.
    Checked against every food that has the book's kcal (see the summary)."""
    p = vals["PROCNT"] or 0.0
    f = vals["FAT"] or 0.0
    if group == ALCOHOL_GROUP:
        return 4 * p + 9 * f + 7 * (vals["_alcohol"] or 0.0)
    c = (vals["CHOCDF"] or 0.0) - (vals["FIBINS"] or 0.0)
    return 4 * p + 9 * f + 4 * max(c, 0.0)


def build_cdc_foods(data_dir, subs, taken_codes, taken_names):
    """The platform's foods of groups 14-18 and 20 without a 6th-edition
    counterpart. Returns the seed rows and platform id -> (code, name)."""
    where = load_cdc_subgroups()
    rows = read_csv(os.path.join(data_dir, "cdc_fq_2002_2004_foods.csv"))
    picked = []
    for r in rows:
        pid = int(r["platform_id"])
        c2 = r["code_2002"].strip()
        placed = where.pop(pid, None)
        if c2 and c2[:2] in CDC_GROUPS:
            key = (c2[:2], c2[2])
            if placed is not None and placed != key:
                fail("cdc_subgroups.txt: platform id %d is %s-%s by its 2002 code %s, not %s-%s"
                     % (pid, key[0], key[1], c2, placed[0], placed[1]))
            placed = key
        if placed is None:
            continue
        if r["cfct6_code"].strip():
            if c2[:2] in CDC_GROUPS:
                fail("platform id %d %s has a 6th-edition counterpart %s" % (pid, r["food_name"], r["cfct6_code"]))
            continue
        if placed not in subs:
            fail("platform id %d: sub-group %s-%s missing from food_groups.txt" % (pid, placed[0], placed[1]))
            continue
        picked.append((r, placed, c2 if c2[:2] in CDC_GROUPS else ""))
    # (ids inside a range that the table does not hold are gaps of the platform)

    # Codes: the 2002 code GG S NNN where there is one, otherwise the next free
    # number of the sub-group after the highest one in use, in platform order.
    used = set(taken_codes)
    for r, placed, c2 in picked:
        if c2:
            code = "%s-%s-%s" % (c2[:2], c2[2], c2[3:])
            if code in used:
                fail("platform id %s: code %s already used" % (r["platform_id"], code))
            used.add(code)
    out, by_pid = [], {}
    stats = dict(book_kcal=0, computed_kcal=0, rule_checked=0, rule_agrees=0)
    for r, placed, c2 in picked:
        if c2:
            code = "%s-%s-%s" % (c2[:2], c2[2], c2[3:])
        else:
            code = next_code(used, placed)
        used.add(code)
        name = program_name(r["food_name"])
        if name in taken_names:
            fail("platform id %s: name %s already used" % (r["platform_id"], name))
        taken_names.add(name)
        vals = {c: None for c in BLOCK}
        for col, blk in CDC_DIRECT.items():
            vals[blk] = num(r[col])
            if vals[blk] is not None and vals[blk] < 0:
                fail("platform id %s: negative %s" % (r["platform_id"], col))
        notes = []
        if c2:
            notes.append("数据来源：中国食物成分表2002（原书编码%s），疾控中心营养所食物成分查询平台第%s条"
                         % (c2, r["platform_id"]))
        else:
            notes.append("数据来源：中国食物成分表2002/2004，疾控中心营养所食物成分查询平台第%s条" % r["platform_id"])
        vals["_alcohol"] = None
        if placed[0] == ALCOHOL_GROUP:
            # The platform's carbohydrate of an alcoholic drink is 100 - water,
            # i.e. mostly alcohol, for which the program has no column.
            vals["_alcohol"], vals["CHOCDF"] = vals["CHOCDF"], None
            notes.append("原表“碳水化合物”一栏为 100 减水分，实为酒精含量，未作碳水化合物收录；能量含酒精")
        kcal = num(r["energy_kcal_xls2002"])
        estimate = book_energy(vals, placed[0])
        if kcal is not None:
            stats["book_kcal"] += 1
            stats["rule_checked"] += 1
            if abs(estimate - kcal) <= 2:
                stats["rule_agrees"] += 1
        elif any(vals[c] is not None for c in ("PROCNT", "FAT", "CHOCDF", "_alcohol")):
            kcal = float(round(estimate))
            stats["computed_kcal"] += 1
            notes.append("原表 kcal 未公开，能量按蛋白质 4、脂肪 9、碳水化合物（减膳食纤维）4%s kcal/g 计算"
                         % ("、酒精 7" if placed[0] == ALCOHOL_GROUP else ""))
        else:
            notes.append("原表无能量数值")
        del vals["_alcohol"]
        if kcal is not None:
            vals["ENERC_kcal"] = kcal
            vals["ENERC_kJ"] = round(kcal * 4.184)
        edible = num(r["edible_pct"])
        row = [code, name, "", fmt(edible)] + [fmt(vals[c]) for c in BLOCK] + ["；".join(notes), ""]
        out.append(row)
        by_pid[r["platform_id"]] = (code, name, row)
    return out, by_pid, used, stats


def next_code(used, sub):
    """The number after the highest one in use in a sub-group."""
    g, s = sub
    top = max([int(c[5:]) for c in used if c[:5] == "%s-%s-" % (g, s)] + [0])
    if top >= 999:
        fail("sub-group %s-%s is full" % sub)
    return "%s-%s-%03d" % (g, s, top + 1)


def wanted_names():
    """Food names the dishes and menus refer to (after the dish aliases)."""
    names = set()
    for n, line in source_lines(os.path.join(SRC, "dishes.txt")):
        m = re.fullmatch(r"@(\S+)\s*=\s*(.+)", line)
        if m:
            names.add(m.group(2).strip())
        elif not line.startswith("==") and line.count("|") == 2:
            for item in line.split("|")[2].split(";"):
                m = re.fullmatch(r"(.+?)\s+(\d+(?:\.\d+)?)", item.strip())
                if m:
                    names.add(m.group(1))
    for n, line in source_lines(os.path.join(SRC, "menus.txt")):
        m = re.fullmatch(r"(.+?)\s+(\d+(?:\.\d+)?)", line)
        if m and not line.startswith("=="):
            names.add(m.group(1))
    return names


def build_supplement(data_dir, subs, used_codes, taken_names, cdc_by_pid):
    """The foods typed in earlier: a food the platform has is replaced by the
    platform's row (its successor); one no table has stays, marked unverified,
    only when a dish or a menu needs it. Returns the kept rows and the map
    typed name -> successor name."""
    pairs = {r["supplement_name"]: r for r in read_csv(os.path.join(data_dir, "supplement_vs_cdc_check.csv"))}
    wanted = wanted_names()
    out, successor, dropped = [], {}, []
    for r in read_csv(os.path.join(SRC, "supplement_foods.csv")):
        code, name = r["code"], r["name"]
        m = re.fullmatch(r"(\d\d)-(\w)-(\d{3})", code)
        if not m or (m.group(1), m.group(2)) not in subs:
            fail("supplement %s: code not in a listed sub-group" % code)
            continue
        pair = pairs.pop(name, None)
        if pair is None:
            fail("supplement %s %s: not in supplement_vs_cdc_check.csv" % (code, name))
            continue
        if pair["platform_id"]:
            if pair["platform_id"] not in cdc_by_pid:
                fail("supplement %s: its platform food %s is not taken" % (name, pair["platform_id"]))
                continue
            succ = cdc_by_pid[pair["platform_id"]]
            successor[name] = succ[1]
            succ[2][-2] += "；取代此前手工录入的“%s”" % name
            continue
        if name not in wanted:
            dropped.append(name)
            continue
        if name in taken_names:
            fail("supplement %s %s: name already used" % (code, name))
        taken_names.add(name)
        code = next_code(used_codes, (m.group(1), m.group(2)))
        used_codes.add(code)
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
        describe = SUPPLEMENT_SOURCES.get(r["source"], "") + "，因菜肴或定量食谱使用而保留"
        if r["note"]:
            describe += "；" + r["note"]
        out.append([code, name, "", fmt(num(r["edible"]))] + [fmt(v[c]) for c in BLOCK] + [describe, ""])
    for name in pairs:
        fail("supplement_vs_cdc_check.csv: %s is not in supplement_foods.csv" % name)
    return out, successor, dropped


# --------------------------------------------------------------------------
# Fatty-acid shares and iodine

def build_fatty(data_dir, code_of6, name_of_code, cdc_by_pid):
    """Fatty_tb rows: SFA, MUFA, PUFA in % of total fatty acids for the foods
    keyed to a 6th-edition code and for the 2002/2004 foods taken. Rows whose
    values are grams mislabelled as percent are left out."""
    out, seen = [], set()
    stats = dict(keyed=0, cdc=0, not_percent=0, unplaced=0, name_only=0, impossible=0)
    for r in read_csv(os.path.join(data_dir, "cfct_fatty_acid_totals_pct.csv")):
        if FA_NOT_PERCENT in r["flags"].split("|") or FA_NOT_PERCENT in r["flags"]:
            stats["not_percent"] += 1
            continue
        code = None
        if r["code"].strip():
            code = code_of6.get(r["code"].strip())
            if code is None:
                fail("cfct_fatty_acid_totals_pct.csv: code %s not among the foods" % r["code"])
                continue
            stats["keyed"] += 1
            if r["match"] == "name_only":
                stats["name_only"] += 1
        elif r["platform_id"] in cdc_by_pid:
            code = cdc_by_pid[r["platform_id"]][0]
            stats["cdc"] += 1
        else:
            stats["unplaced"] += 1
            continue
        vals = [num(r[c]) for c in ("sfa_pct_of_fa", "mufa_pct_of_fa", "pufa_pct_of_fa")]
        if any(v is not None and not 0 <= v <= 100 for v in vals):
            # A class above 100 % of all fatty acids is a transcription fault.
            stats["impossible"] += 1
            continue
        if code in seen:
            fail("fatty acids: food %s twice" % code)
        seen.add(code)
        out.append([code, name_of_code[code], ""] + [fmt(v) for v in vals])
    out.sort(key=lambda row: row[0])
    return out, stats


def apply_iodine(data_dir, raw_rows, code_of6):
    """Iodine (µg/100 g) of the 6th-edition foods keyed in cfct_iodine.csv."""
    by_code = {r[0]: r for r in raw_rows}
    col = 4 + BLOCK.index("ID")
    n = 0
    for r in read_csv(os.path.join(data_dir, "cfct_iodine.csv")):
        if not r["code"].strip():
            continue
        code = code_of6.get(r["code"].strip())
        if code is None:
            fail("cfct_iodine.csv: code %s not among the foods" % r["code"])
            continue
        row = by_code[code]
        if row[col] != "":
            fail("cfct_iodine.csv: %s listed twice" % r["code"])
        v = num(r["iodine_ug"])
        if v is None or v < 0:
            fail("cfct_iodine.csv: %s has no usable value" % r["code"])
            continue
        row[col] = fmt(v)
        note = "碘取自中国食物成分表2002/2004（疾控中心营养所食物成分查询平台第%s条）" % r["platform_id"]
        row[-2] = row[-2] + "；" + note if row[-2] else note
        n += 1
    return n


# --------------------------------------------------------------------------
# Glycemic index

def normalise(name):
    name = name.strip()
    if name.startswith("*"):
        name = name[1:]
    name = re.sub(r"\[[^\]]*\]", "", name)
    name = name.replace("（代表值）", "").replace(" ", "")
    return name


def gi_subgroup(printed, group_sub, food_rows):
    """Sub-group of a glycemic index row without a food: the sub-group of the
    foods of its group whose names begin with the food the row describes (the
    name before any qualifier or composition note), else the group's default."""
    g, default = group_sub
    base = re.split(r"[（(/+＋，,]", normalise(printed))[0]
    votes = {}
    if len(base) >= 1:
        for r in food_rows:
            if r[0][:2] == g and normalise(r[1]).startswith(base):
                votes[r[0][3]] = votes.get(r[0][3], 0) + 1
    if votes:
        best = max(sorted(votes), key=lambda s: votes[s])
        return (g, best)
    return (g, default)


def build_gi(data_dir, food_rows, subs):
    gi_rows = read_csv(os.path.join(data_dir, "cfct6_glycemic_index.csv"))
    code_of = {r[1]: r[0] for r in food_rows}
    exact = {}
    for r in food_rows:
        exact.setdefault(r[1], r[1])
    norm = {}
    for r in food_rows:
        norm.setdefault(normalise(r[1]), []).append(r[1])
    groups = {}
    for r in read_csv(os.path.join(SRC, "gi_groups.csv")):
        m = re.fullmatch(r"(\d\d)-(\w)", r["sub_group"])
        if not m or (m.group(1), m.group(2)) not in subs:
            fail("gi_groups.csv: %s: sub-group %s not in food_groups.txt" % (r["food_group"], r["sub_group"]))
            continue
        groups[r["food_group"]] = (m.group(1), m.group(2))

    links = {}
    for r in read_csv(os.path.join(SRC, "gi_links.csv")):
        links[r["index"]] = r
    out = []
    tied_food = {}
    counts = dict(exact=0, normalised=0, manual=0, unmatched=0, refused=0, duplicate=0)
    # GI-only codes count down from 999 in their sub-group, past every code
    # a raw food holds, so the food tree lists them without a clash.
    used = {r[0] for r in food_rows}
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
                else:
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
            # first row of the book keeps the tie, later ones get their own code.
            target, how = None, "duplicate"
        if target is not None:
            tied_food[target] = idx
            counts[how] += 1
            out.append([code_of[target], target, "", g["gi"]])
            continue
        counts[how if how in ("refused", "duplicate") else "unmatched"] += 1
        if g["food_group"] not in groups:
            fail("gi_groups.csv: no sub-group for %r" % g["food_group"])
            continue
        sub = gi_subgroup(printed, groups[g["food_group"]], food_rows)
        n = 999
        while "%s-%s-%03d" % (sub[0], sub[1], n) in used:
            n -= 1
        if n < 1:
            fail("no free code in sub-group %s-%s for GI row %s" % (sub[0], sub[1], idx))
        code = "%s-%s-%03d" % (sub[0], sub[1], n)
        used.add(code)
        out.append([code, printed, "", g["gi"]])
    for idx in links:
        fail("gi_links.csv: index %s not in the table" % idx)
    return out, counts


# --------------------------------------------------------------------------
# Dishes and menus

def build_dishes(food_rows, successor):
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
            if full in successor and successor[full] != full:
                fail("dishes.txt:%d: %s was replaced by %s" % (n, full, successor[full]))
            elif full not in code_of:
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
            if food in successor and successor[food] != food:
                fail("dishes.txt:%d: %s was replaced by %s" % (n, food, successor[food]))
                continue
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


def build_menus(food_rows, dishes, successor):
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
        if name in successor and successor[name] != name:
            fail("menus.txt:%d: %s was replaced by %s" % (n, name, successor[name]))
            continue
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

    raw, stats, code_of6 = build_raw_foods(data_dir, groups, subs)
    iodine_keyed = apply_iodine(data_dir, raw, code_of6)
    taken_names = {r[1] for r in raw}
    cdc, cdc_by_pid, used_codes, cdc_stats = build_cdc_foods(data_dir, subs, {r[0] for r in raw}, taken_names)
    supp, successor, dropped = build_supplement(data_dir, subs, used_codes, taken_names, cdc_by_pid)
    added = cdc + supp
    added.sort(key=lambda r: r[0])
    all_foods = raw + added
    used_subs = {(r[0][:2], r[0][3]) for r in all_foods}
    for key in subs:
        if key not in used_subs and key[0] != "22":
            fail("food_groups.txt: sub-group %s-%s has no food" % key)
    name_of_code = {r[0]: r[1] for r in all_foods}
    fatty, fa_stats = build_fatty(data_dir, code_of6, name_of_code, cdc_by_pid)

    gi, gi_counts = build_gi(data_dir, all_foods, subs)
    kinds, dishes, comps = build_dishes(all_foods, successor)
    menus = build_menus(all_foods, dishes, successor)

    if errors:
        for e in errors:
            print("error:", e, file=sys.stderr)
        sys.exit(1)

    nutri_header = ["Code", "FoodName", "PYJM", "EDIBLE"] + BLOCK + ["FoodDescribe", "ProducingArea"]
    write_csv("FoodKind_tb.csv", ["FoodGroup"], [["%s-%s" % (g, groups[g])] for g in sorted(groups)])
    write_csv("FoodKindSub_tb.csv", ["FoodGroup", "FoodGroupSub", "SubID"],
              [[g, "%s-%s" % (s, subs[(g, s)]), s] for (g, s) in sorted(subs)])
    write_csv("Nutri_tb.csv", nutri_header, raw)
    write_csv("Nutri_tb.supplement.csv", nutri_header, added)
    write_csv("Fatty_tb.csv", ["CODE", "FoodName", "PYJM", "SFA_FA_Total", "MUFA_FA_Totol", "PUFA_FA_Total"],
              fatty)
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
    per_group = {}
    for r in added:
        per_group[r[0][:2]] = per_group.get(r[0][:2], 0) + 1
    print("foods of the 2002/2004 tables %d; foods per group with the kept typed ones %s; book kcal %d, "
          "kcal by the book's rule %d (the rule gives the book's kcal within 2 kcal for %d of %d)"
          % (len(cdc), ", ".join("%s: %d" % (g, per_group[g]) for g in sorted(per_group)), cdc_stats["book_kcal"],
             cdc_stats["computed_kcal"], cdc_stats["rule_agrees"], cdc_stats["rule_checked"]))
    print("typed foods: %d replaced by a table row, %d kept unverified (%s), %d removed (%s)"
          % (len(successor), len(supp), "、".join(r[1] for r in supp), len(dropped), "、".join(dropped)))
    with_id = sum(1 for r in all_foods if r[4 + BLOCK.index("ID")] != "")
    print("iodine: %d foods (%d keyed 6th-edition foods, %d of the 2002/2004 foods)"
          % (with_id, iodine_keyed, with_id - iodine_keyed))
    print("fatty-acid rows %d (%d keyed to 6th-edition foods, %d of them same name only; %d of the 2002/2004 "
          "foods; left out: %d grams labelled percent, %d with a class above 100 %%, %d without a food)"
          % (len(fatty), fa_stats["keyed"], fa_stats["name_only"], fa_stats["cdc"], fa_stats["not_percent"],
             fa_stats["impossible"], fa_stats["unplaced"]))
    tied = gi_counts["exact"] + gi_counts["normalised"] + gi_counts["manual"]
    print("glycemic index rows %d: tied %d (exact %d, normalised %d, manual %d), GI-only code %d "
          "(no counterpart %d, refused %d, second row of a tied food %d)"
          % (len(gi), tied, gi_counts["exact"], gi_counts["normalised"], gi_counts["manual"],
             len(gi) - tied, gi_counts["unmatched"], gi_counts["refused"], gi_counts["duplicate"]))
    print("dish categories %d, dishes %d, ingredient rows %d, menu items %d"
          % (len(kinds), len(dishes), len(comps), len(menus)))


if __name__ == "__main__":
    main()
