#!/usr/bin/env python3
"""Builds the bundled reference-intake tables of the program.

Reads the 2013 Chinese DRIs extracts (dris2013_long.csv, dris2013_energy_eer.csv)
and writes resources/seed/DRIsStand_tb.csv, DRIsIllKind_tb.csv and DRIsIll_tb.csv.
Python 3 standard library only; running it again gives the same files.

    tools/seed_dris.py [DATA_DIR]

DATA_DIR defaults to ../shared/data relative to the repository root.
The rules applied here (band mapping, bounds where the DRIs give none, the
special diets and their sources) are documented in docs/requirements-data.md.
"""

import csv
import os
import sys
from decimal import ROUND_HALF_EVEN, Decimal

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT_DIR = os.path.join(REPO, "resources", "seed")

LIGHT, MODERATE, HEAVY = "轻体力活动", "中体力活动", "重体力活动"
PAL = {LIGHT: "轻", MODERATE: "中", HEAVY: "重"}
MALE, FEMALE = "男", "女"
STATES = ["孕早", "孕中", "孕晚", "哺乳"]
KINDS = ["RNI", "EAR", "UL"]

# The program's age bands: display text, lower and upper age in years. The open
# band "80 ～" ends at 99, the highest upper age of the special-diet ranges, so
# that an amendment for 80–99 years covers it.
BANDS = [
    ("0 ～ 0.5", 0, 0.5), ("0.5 ～ 1", 0.5, 1), ("1 ～ 2", 1, 2), ("2 ～ 3", 2, 3),
    ("3 ～ 4", 3, 4), ("4 ～ 5", 4, 5), ("5 ～ 6", 5, 6), ("6 ～ 7", 6, 7),
    ("7 ～ 8", 7, 8), ("8 ～ 9", 8, 9), ("9 ～ 10", 9, 10), ("10 ～ 11", 10, 11),
    ("11 ～ 14", 11, 14), ("14 ～ 18", 14, 18), ("18 ～ 50", 18, 50),
    ("50 ～ 60", 50, 60), ("60 ～ 70", 60, 70), ("70 ～ 80", 70, 80), ("80 ～", 80, 99),
]


def activity_levels(band):
    """The activity levels the profile windows offer for a band."""
    if band in ("18 ～ 50", "50 ～ 60"):
        return [LIGHT, MODERATE, HEAVY]
    if band in ("60 ～ 70", "70 ～ 80"):
        return [LIGHT, MODERATE]
    return [LIGHT]


# Reference body weight [kg] per band (male, female): children the median of
# the Chinese growth references at the band's midpoint, adults the 2013
# reference adult (66 / 56 kg), older bands following the lower medians of the
# national surveys.
REF_WEIGHT = {
    "0 ～ 0.5": (6.6, 6.1), "0.5 ～ 1": (9.0, 8.4), "1 ～ 2": (11.3, 10.7),
    "2 ～ 3": (13.6, 13.0), "3 ～ 4": (15.6, 15.2), "4 ～ 5": (17.7, 17.2),
    "5 ～ 6": (20.0, 19.3), "6 ～ 7": (22.4, 21.4), "7 ～ 8": (25.5, 24.0),
    "8 ～ 9": (28.6, 26.8), "9 ～ 10": (32.1, 30.0), "10 ～ 11": (36.0, 34.0),
    "11 ～ 14": (45.0, 43.5), "14 ～ 18": (58.0, 51.0), "18 ～ 50": (66.0, 56.0),
    "50 ～ 60": (65.0, 57.0), "60 ～ 70": (64.0, 56.0), "70 ～ 80": (62.0, 54.0),
    "80 ～": (60.0, 52.0),
}
# Pregnancy and lactation: the reference woman (56 kg) plus a typical gain.
STATE_WEIGHT = {"孕早": 57.0, "孕中": 61.0, "孕晚": 66.0, "哺乳": 58.0}

# Requirement block in column order, with the nutrient code of the DRIs extract.
BLOCK = [
    ("ENERC_kcal", None), ("ENERC_kJ", None), ("PROCNT", "prot"), ("FAT", "fat"),
    ("CHOCDF", "cho"), ("CHOLE", None), ("VITA", "vita"), ("THIA", "thia"),
    ("RIBF", "ribf"), ("VITB6A", "vitb6"), ("FOL", "fol"), ("NIA", "nia"),
    ("VITB12", "vitb12"), ("VITC", "vitc"), ("VITET", "vite"), ("CA", "ca"),
    ("P", "p"), ("K", "k"), ("NA", "na"), ("MG", "mg"), ("FE", "fe"), ("ZN", "zn"),
    ("SE", "se"), ("CU", "cu"), ("MN", "mn"), ("ID", "id"),
]
# Element names by which amendment rows name the requirement columns.
ELEMENT = {
    "ENERC_kcal": "能量 [kcal]", "ENERC_kJ": "能量 [kJ]", "PROCNT": "蛋白质 [g]",
    "FAT": "脂肪 [g]", "CHOCDF": "碳水化合物 [g]", "CHOLE": "胆固醇 [ug]",
    "NA": "钠 [mg]", "K": "钾 [mg]", "P": "磷 [mg]",
}

KJ_PER_KCAL = 4.184
AI_LOWER_FRACTION = 0.8      # lower bound of an AI-only nutrient
NO_UL_MULTIPLE = 5           # upper bound where no band of the nutrient has a UL
CHOLESTEROL = (0, 300, 600)  # EAR, RNI, UL [mg]


def rnd(x, decimals=0):
    """Rounds half to even, like the program."""
    q = Decimal(1).scaleb(-decimals)
    return float(Decimal(repr(x)).quantize(q, rounding=ROUND_HALF_EVEN))


def sig3(x):
    """Three significant digits (0.8 × 0.01 → 0.008, 0.8 × 1900 → 1520)."""
    if x == 0:
        return 0.0
    d = Decimal(repr(x))
    return float(d.quantize(Decimal(1).scaleb(d.adjusted() - 2), rounding=ROUND_HALF_EVEN))


def fmt(x):
    """Shortest general form, as the program writes numbers."""
    if x is None:
        return ""
    s = "%.15g" % x
    return "0" if s == "-0" else s


# --------------------------------------------------------------------------
# The source tables

class Dris:
    def __init__(self, data_dir):
        with open(os.path.join(data_dir, "dris2013_long.csv"), encoding="utf-8") as f:
            self.rows = list(csv.DictReader(f))
        with open(os.path.join(data_dir, "dris2013_energy_eer.csv"), encoding="utf-8") as f:
            self.eer_rows = list(csv.DictReader(f))
        self.corrections = []
        self._correct()

    def _correct(self):
        """Fixes the deviations of the extract from the 2013 book."""
        fixed = []
        for r in self.rows:
            if r["nutrient_code"] == "prot" and r["value_mode"] == "per_kg_bw":
                # The extract gives adult protein per kg body weight; the book's
                # table values are EAR 60 / RNI 65 g (men), 50 / 55 g (women),
                # added below.
                continue
            if (r["nutrient_code"] == "prot" and r["age_from"] == "11" and r["sex"] == FEMALE
                    and r["ref_type"] == "RNI" and r["value"] == "50"):
                r = dict(r, value="55", note="book value 55 g (extract: 50)")
                self.corrections.append("protein RNI 11–14 y female 50 → 55 g")
            if r["nutrient_code"] == "prot" and r["ref_type"] == "UL":
                continue  # a derived 2 × RNI, not a value of the book
            fixed.append(r)
        for sex, ear, rni in ((MALE, 60, 65), (FEMALE, 50, 55)):
            for kind, value in (("EAR", ear), ("RNI", rni)):
                fixed.append({"nutrient_code": "prot", "nutrient_zh": "蛋白质", "age_from": "18",
                              "age_to": "", "sex": sex, "physiological_state": "",
                              "ref_type": kind, "value": str(value), "unit": "g/d",
                              "value_mode": "absolute", "note": "book table value"})
        self.corrections.append("adult protein 0.9 / 0.98 g/(kg·d) → EAR 60 / RNI 65 g (men), "
                                "EAR 50 / RNI 55 g (women)")
        self.rows = fixed

    # Values for a non-pregnant person ------------------------------------
    def _matches(self, r, code, sex, kind):
        return (r["nutrient_code"] == code and r["ref_type"] == kind
                and r["sex"] in (sex, "男女") and r["physiological_state"] == "")

    @staticmethod
    def _contains(r, age):
        lo = float(r["age_from"])
        hi = float(r["age_to"]) if r["age_to"] else float("inf")
        return lo <= age < hi

    def value(self, code, age, sex, kind):
        """The value of the 2013 band that contains age, or None."""
        hits = [r for r in self.rows if self._matches(r, code, sex, kind) and self._contains(r, age)]
        if len(hits) > 1:
            raise SystemExit("ambiguous %s %s %s %s" % (code, age, sex, kind))
        return float(hits[0]["value"]) if hits else None

    def nearest_older(self, code, age, sex, kind):
        """The value of the youngest 2013 band above age that has one."""
        older = [r for r in self.rows if self._matches(r, code, sex, kind) and float(r["age_from"]) > age]
        if not older:
            return None
        return float(min(older, key=lambda r: float(r["age_from"]))["value"])

    # Pregnancy and lactation --------------------------------------------
    def state_value(self, code, state, kind):
        """Adult woman (18–50) plus the state's increment; an absolute value of
        the state replaces it."""
        rows = [r for r in self.rows if r["nutrient_code"] == code and r["ref_type"] == kind
                and r["physiological_state"] == state]
        for r in rows:
            if r["value_mode"] == "absolute":
                return float(r["value"])
        base = self.value(code, 18, FEMALE, kind)
        if base is None:
            return None
        return base + sum(float(r["value"]) for r in rows if r["value_mode"] == "increment")

    # Energy --------------------------------------------------------------
    def eer(self, lower, sex, act):
        """EER [kcal] of the 2013 row for the band's lower age, sex and level;
        ages 1–5 have one value (filed under 中) that serves every level."""
        rows = [r for r in self.eer_rows if r["age_from"] and r["sex"] == sex and float(r["age_from"]) <= lower]
        start = max(float(r["age_from"]) for r in rows)
        rows = [r for r in rows if float(r["age_from"]) == start]
        for r in rows:
            if r["pal"] == PAL[act]:
                return float(r["eer_kcal_per_day"])
        if len(rows) == 1 and rows[0]["pal"] == "中":
            return float(rows[0]["eer_kcal_per_day"])
        per_kg = [r for r in rows if r["eer_kcal_per_day"].endswith("/kg")]
        if per_kg:
            return None  # infants: per kg body weight, see eer_per_kg
        raise SystemExit("no EER for %s %s %s" % (lower, sex, act))

    def eer_per_kg(self, lower, sex):
        rows = [r for r in self.eer_rows if r["age_from"] and r["sex"] == sex and float(r["age_from"]) <= lower]
        start = max(float(r["age_from"]) for r in rows)
        r = [r for r in rows if float(r["age_from"]) == start][0]
        return float(r["eer_kcal_per_day"].split("/")[0])

    def eer_increment(self, state):
        for r in self.eer_rows:
            if r["age_label"] == state and r["pal"] == "轻":
                return float(r["eer_kcal_per_day"])
        raise SystemExit("no energy increment for " + state)


# --------------------------------------------------------------------------
# Requirement rows

class Group:
    """One combination: a band, sex and level, or a physiological state."""

    def __init__(self, dris, age, sex, state=None):
        self.d, self.age, self.sex, self.state = dris, age, sex, state

    def get(self, code, kind):
        if self.state:
            return self.d.state_value(code, self.state, kind)
        return self.d.value(code, self.age, self.sex, kind)

    def nearest_older(self, code, kind):
        if self.state:
            return None
        return self.d.nearest_older(code, self.age, self.sex, kind)

    def ever_has(self, code, kind):
        return any(r["nutrient_code"] == code and r["ref_type"] == kind for r in self.d.rows)


def energy_rows(kcal):
    """EAR 90 %, RNI 100 %, UL 110 % of the estimated energy requirement."""
    rni = rnd(kcal)
    return rnd(kcal * 0.9), rni, rnd(kcal * 1.1)


def micronutrient(g, code):
    """EAR, RNI, UL of a vitamin or mineral."""
    ear, rni, ai, ul = (g.get(code, k) for k in ("EAR", "RNI", "AI", "UL"))
    if rni is None:
        if ai is None:
            raise SystemExit("no RNI or AI for %s at %s %s %s" % (code, g.age, g.sex, g.state))
        rni = ai
    if ear is None:
        ear = sig3(AI_LOWER_FRACTION * rni)
    if code == "na":
        # Sodium: the proposed intake for preventing chronic disease is the
        # upper bound; below 4 years (no PI) the PI of the next older band.
        ul = g.get(code, "PI-NCD")
        if ul is None:
            ul = g.nearest_older(code, "PI-NCD")
    if ul is None:
        ul = g.nearest_older(code, "UL")
    if ul is None and g.state:
        ul = g.d.value(code, 18, FEMALE, "UL")
    if ul is None:
        ul = rnd(NO_UL_MULTIPLE * rni, 4)
    return ear, rni, ul


def macronutrients(g, kcal):
    """Protein, fat and carbohydrate rows [g] for the RNI energy kcal."""
    out = {}
    # Protein: EAR and RNI of the DRIs (AI for young infants), upper bound 20 %
    # of energy.
    p_rni = g.get("prot", "RNI")
    p_ear = g.get("prot", "EAR")
    if p_rni is None:
        p_rni = g.get("prot", "AI")
        p_ear = sig3(AI_LOWER_FRACTION * p_rni)
    out["PROCNT"] = (p_ear, p_rni, rnd(0.20 * kcal / 4, 1))
    # Fat: the acceptable range 20–30 %E (low end, midpoint, high end); below
    # 4 years the AI in %E ± 5 points.
    lo, hi = g.get("fat", "AMDR_low"), g.get("fat", "AMDR_high")
    if lo is None:
        ai = g.get("fat", "AI")
        lo, hi = ai - 5, ai + 5
    mid = (lo + hi) / 2
    out["FAT"] = tuple(rnd(pct / 100 * kcal / 9, 1) for pct in (lo, mid, hi))
    # Carbohydrate: infants the AI [g] with the AI rule, upper bound 65 %E;
    # from 1 year the range 50–65 %E, the EAR never below the DRIs' EAR [g].
    ai = g.get("cho", "AI")
    if ai is not None:
        out["CHOCDF"] = (sig3(AI_LOWER_FRACTION * ai), ai, rnd(0.65 * kcal / 4, 1))
    else:
        lo = g.get("cho", "AMDR_low") or 50
        hi = g.get("cho", "AMDR_high") or 65
        ear_g = g.get("cho", "EAR") or 0
        ear = max(ear_g, rnd(lo / 100 * kcal / 4, 1))
        rni = max(ear, rnd((lo + hi) / 2 / 100 * kcal / 4, 1))
        out["CHOCDF"] = (ear, rni, rnd(hi / 100 * kcal / 4, 1))
    return out


def requirement_rows(g, kcal):
    """{kind: [26 values]} for one combination with RNI energy kcal."""
    ear_e, rni_e, ul_e = energy_rows(kcal)
    values = {
        "ENERC_kcal": (ear_e, rni_e, ul_e),
        "ENERC_kJ": tuple(rnd(v * KJ_PER_KCAL) for v in (ear_e, rni_e, ul_e)),
        "CHOLE": CHOLESTEROL,
    }
    values.update(macronutrients(g, rni_e))
    for column, code in BLOCK:
        if column not in values:
            values[column] = micronutrient(g, code)
    rows = {"EAR": [], "RNI": [], "UL": []}
    for column, _ in BLOCK:
        ear, rni, ul = values[column]
        if not (ear <= rni < ul):
            raise SystemExit("bounds fail for %s at %s %s %s: %s %s %s"
                             % (column, g.age, g.sex, g.state, ear, rni, ul))
        rows["EAR"].append(ear)
        rows["RNI"].append(rni)
        rows["UL"].append(ul)
    return rows


def standard_table(dris):
    header = ["AGEFIR", "AGELAST", "SEX", "AGETEXT", "WEIGHT", "ACT", "DRIS"] + [c for c, _ in BLOCK]
    out = [header]
    combos = 0
    for band, lower, upper in BANDS:
        for sex, weight in zip((MALE, FEMALE), REF_WEIGHT[band]):
            for act in activity_levels(band):
                kcal = dris.eer(lower, sex, act)
                if kcal is None:
                    kcal = dris.eer_per_kg(lower, sex) * weight
                rows = requirement_rows(Group(dris, lower, sex), kcal)
                for kind in KINDS:
                    out.append([fmt(lower), fmt(upper), sex, band, fmt(weight), act, kind]
                               + [fmt(v) for v in rows[kind]])
                combos += 1
    # The physiological states are looked up by SEX alone; their rows carry the
    # adult band and light activity of the woman they start from.
    base_kcal = dris.eer(18, FEMALE, LIGHT)
    for state in STATES:
        kcal = base_kcal + dris.eer_increment(state)
        rows = requirement_rows(Group(dris, 18, FEMALE, state), kcal)
        for kind in KINDS:
            out.append(["18", "50", state, "18 ～ 50", fmt(STATE_WEIGHT[state]), LIGHT, kind]
                       + [fmt(v) for v in rows[kind]])
        combos += 1
    return out, combos


# --------------------------------------------------------------------------
# Special diets

def pct_grams(pct, kcal, per_gram):
    return rnd(pct / 100 * kcal / per_gram, 1)


def limit_rows(limit, has_minimum=True):
    """A restriction given as a maximum: UL = the limit, RNI 80 % of it, EAR
    50 % (0 where the nutrient has no minimum requirement)."""
    return (rnd(0.5 * limit) if has_minimum else 0, rnd(0.8 * limit), limit)


def range_rows(low, high, decimals=1):
    """A range given by the source: low end, midpoint, high end."""
    return (rnd(low, decimals), rnd((low + high) / 2, decimals), rnd(high, decimals))


SRC_SALT = "《临床营养学》（人民卫生出版社）治疗膳食·限钠膳食"
SRC_FAT = "《临床营养学》（人民卫生出版社）治疗膳食·限脂肪膳食"
SRC_DM = "WS/T 429-2013 成人糖尿病患者膳食指导"
SRC_HT = "WS/T 430-2013 高血压患者膳食指导"
SRC_CKD = "WS/T 557-2017 慢性肾脏病患者膳食指导"
SRC_DRIS = "中国居民膳食营养素参考摄入量（2013版）"


def special_diets():
    """[(kind, lower, upper, element column, sex, (EAR, RNI, UL), remark)]"""
    rows = []

    def both(kind, lower, upper, column, values, remark):
        for sex in (MALE, FEMALE):
            v = values[sex] if isinstance(values, dict) else values
            rows.append((kind, lower, upper, column, sex, v, remark))

    # Sodium limits. For 50 years and older the normal standard's upper bound
    # (PI-NCD 1900–1700 mg) is already below 2000 mg; the low-salt rows there
    # take 1700 mg so that the diet is never looser than the normal standard.
    both("低盐膳食", 18, 50, "NA", limit_rows(2000),
         SRC_SALT + "：低盐膳食全日供钠<2000 mg（可用食盐2~3 g）")
    both("低盐膳食", 50, 99, "NA", limit_rows(1700),
         SRC_SALT + "：低盐膳食；上限取" + SRC_DRIS + " 80岁以上PI-NCD 1700 mg，不高于一般人群")
    both("无盐膳食", 18, 99, "NA", limit_rows(1000),
         SRC_SALT + "：无盐膳食全日供钠约1000 mg（不另加食盐、酱油）")
    both("低钠膳食", 18, 99, "NA", limit_rows(500),
         SRC_SALT + "：低钠膳食全日供钠不超过500 mg")
    # Low-fat diet, mild restriction.
    both("低脂膳食", 18, 99, "FAT", limit_rows(50),
         SRC_FAT + "：轻度限制，全日脂肪不超过50 g")
    both("低脂膳食", 18, 99, "CHOLE", limit_rows(300, has_minimum=False),
         SRC_FAT + "：胆固醇<300 mg/d")
    # Diabetes: energy 25–30 kcal/kg standard weight (normal weight, light
    # activity) of the reference adult; macronutrient shares of the midpoint
    # energy: carbohydrate 50–60 %, protein 15–20 %, fat 20–30 %E.
    for sex, weight in ((MALE, 66.0), (FEMALE, 56.0)):
        e_lo, e_mid, e_hi = range_rows(25 * weight, 30 * weight, 0)
        note = "（参考体重%s kg）" % fmt(weight)
        rows.append(("糖尿病膳食", 18, 99, "ENERC_kcal", sex, (e_lo, e_mid, e_hi),
                     SRC_DM + "：正常体重轻体力活动25~30 kcal/(kg标准体重·d)" + note))
        rows.append(("糖尿病膳食", 18, 99, "ENERC_kJ", sex,
                     tuple(rnd(v * KJ_PER_KCAL) for v in (e_lo, e_mid, e_hi)),
                     SRC_DM + "：同能量 [kcal]，1 kcal = 4.184 kJ" + note))
        rows.append(("糖尿病膳食", 18, 99, "CHOCDF", sex,
                     tuple(pct_grams(p, e_mid, 4) for p in (50, 55, 60)),
                     SRC_DM + "：碳水化合物占总能量50%~60%" + note))
        rows.append(("糖尿病膳食", 18, 99, "PROCNT", sex,
                     tuple(pct_grams(p, e_mid, 4) for p in (15, 17.5, 20)),
                     SRC_DM + "：肾功能正常者蛋白质占总能量15%~20%" + note))
        rows.append(("糖尿病膳食", 18, 99, "FAT", sex,
                     tuple(pct_grams(p, e_mid, 9) for p in (20, 25, 30)),
                     SRC_DM + "：脂肪不超过总能量30%" + note))
    both("糖尿病膳食", 18, 99, "CHOLE", limit_rows(300, has_minimum=False),
         SRC_DM + "：胆固醇<300 mg/d")
    # Hypertension: salt restriction as the low-salt diet, more potassium.
    both("高血压膳食", 18, 50, "NA", limit_rows(2000),
         SRC_HT + "：限盐，按" + SRC_SALT + "低盐膳食钠<2000 mg")
    both("高血压膳食", 50, 99, "NA", limit_rows(1700),
         SRC_HT + "：限盐；上限取80岁以上PI-NCD 1700 mg，不高于一般人群")
    both("高血压膳食", 18, 99, "K", (2000, 3600, 10000),
         SRC_HT + "：增加钾摄入；标准取" + SRC_DRIS + "PI-NCD 3600 mg，下限AI 2000 mg")
    # Chronic kidney disease stage 3–5 (not on dialysis): protein 0.6–0.8 g per
    # kg standard weight, phosphorus below 800 mg.
    both("低蛋白膳食", 18, 99, "PROCNT",
         {MALE: range_rows(0.6 * 66, 0.8 * 66), FEMALE: range_rows(0.6 * 56, 0.8 * 56)},
         SRC_CKD + "：CKD 3~5期非透析，蛋白质0.6~0.8 g/(kg标准体重·d)（参考体重男66 kg、女56 kg）")
    both("低蛋白膳食", 18, 99, "P", limit_rows(800),
         SRC_CKD + "：磷<800 mg/d")
    return rows


def fmt_age(x):
    return fmt(float(x))


def diet_tables():
    rows = special_diets()
    kinds = []
    for r in rows:
        if r[0] not in kinds:
            kinds.append(r[0])
    # Check: EAR ≤ RNI < UL and no overlapping ranges per kind, element and sex.
    seen = {}
    for kind, lower, upper, column, sex, (ear, rni, ul), _ in rows:
        if not (ear <= rni < ul):
            raise SystemExit("amendment bounds fail: %s %s %s" % (kind, column, sex))
        for lo, hi in seen.get((kind, column, sex), []):
            if lo < upper and hi > lower:
                raise SystemExit("overlapping amendment: %s %s %s" % (kind, column, sex))
        seen.setdefault((kind, column, sex), []).append((lower, upper))
    table = [["MEALKIND", "AGE", "YEARFIR", "YEARLAST", "ELEMENT", "SEX", "RNI", "EAR", "UL", "REMARK"]]
    for kind, lower, upper, column, sex, (ear, rni, ul), remark in rows:
        age = fmt_age(lower) + "岁" + " ~ " + fmt_age(upper) + "岁"
        table.append([kind, age, fmt_age(lower), fmt_age(upper), ELEMENT[column], sex,
                      fmt(rni), fmt(ear), fmt(ul), remark])
    return [["MEALKIND"]] + [[k] for k in kinds], table


def write_csv(name, rows):
    path = os.path.join(OUT_DIR, name)
    tmp = path + ".tmp"
    with open(tmp, "w", encoding="utf-8", newline="") as f:
        w = csv.writer(f, lineterminator="\n")
        w.writerows(rows)
    os.replace(tmp, path)
    return path


def main(argv):
    data_dir = argv[1] if len(argv) > 1 else os.path.normpath(os.path.join(REPO, "..", "shared", "data"))
    dris = Dris(data_dir)
    standard, combos = standard_table(dris)
    kinds, amendments = diet_tables()
    os.makedirs(OUT_DIR, exist_ok=True)
    write_csv("DRIsStand_tb.csv", standard)
    write_csv("DRIsIllKind_tb.csv", kinds)
    write_csv("DRIsIll_tb.csv", amendments)
    print("DRIsStand_tb: %d combinations, %d rows" % (combos, len(standard) - 1))
    print("DRIsIllKind_tb: %d kinds; DRIsIll_tb: %d rows" % (len(kinds) - 1, len(amendments) - 1))
    for c in dris.corrections:
        print("corrected: " + c)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
