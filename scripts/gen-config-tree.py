#!/usr/bin/env python3
"""Writes configuration trees in the XML format the local configuration library serves.

    <config>
      <node name="Kind" Property="text">
        <prop name="Any property name" value="text"/>
        <node .../>
      </node>
    </config>

Modes:
  tree    a synthetic tree of three node levels (Level1/Level2/Leaf) for benchmarks
  lookup  the matching lookup tree (Group/Record), one Record per Leaf key
  demo    the bundled demo configuration (NT server DEMO-NT, TM server TM1)

Every mode uses a fixed seed, so the same arguments give the same bytes.

Examples:
  scripts/gen-config-tree.py tree --leaves 1000000 --out /tmp/cfg/BIG.xml
  scripts/gen-config-tree.py lookup --records 10000 --out /tmp/cfg/KEYS.xml
  scripts/gen-config-tree.py demo            # rewrites examples/config/DEMO-NT
"""

import argparse
import os
import random
import sys

SEED = 20241209


def attr(text):
    """The text as an XML attribute value (without the quotes)."""
    return (str(text).replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")
            .replace('"', "&quot;").replace("\n", "&#10;").replace("\t", "&#9;"))


def attrs(props):
    return "".join(f' {k}="{attr(v)}"' for k, v in props)


class Writer:
    """Writes one XML file node by node, indented, one element per line."""

    def __init__(self, path, comment):
        os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
        self.path = path
        self.tmp = path + ".tmp"
        self.f = open(self.tmp, "w", encoding="utf-8", newline="\n")
        self.f.write('<?xml version="1.0" encoding="UTF-8"?>\n')
        # "--" may not appear inside an XML comment.
        self.f.write(f"<!-- {comment.replace('--', '')} -->\n")
        self.f.write("<config>\n")
        self.depth = 1
        self.nodes = 0

    def open(self, kind, props, extra=()):
        """Starts a node with children. props: attribute properties; extra:
        properties whose names are no XML names, written as <prop> elements."""
        pad = "  " * self.depth
        self.f.write(f'{pad}<node name="{attr(kind)}"{attrs(props)}>\n')
        for k, v in extra:
            self.f.write(f'{pad}  <prop name="{attr(k)}" value="{attr(v)}"/>\n')
        self.depth += 1
        self.nodes += 1

    def close(self):
        self.depth -= 1
        self.f.write("  " * self.depth + "</node>\n")

    def leaf(self, kind, props, extra=()):
        if extra:
            self.open(kind, props, extra)
            self.close()
        else:
            self.f.write("  " * self.depth + f'<node name="{attr(kind)}"{attrs(props)}/>\n')
            self.nodes += 1

    def finish(self):
        self.f.write("</config>\n")
        self.f.close()
        os.replace(self.tmp, self.path)
        return self.nodes


def frac(value):
    """A number as the configuration writes it: a decimal comma."""
    return f"{value:g}".replace(".", ",")


# ---------------------------------------------------------------------------
# Synthetic trees for benchmarks

KINDS = ["ТИ", "ТС", "ТУ"]
WORDS = ["Напряжение", "Ток", "Мощность", "Положение", "Частота", "Температура", "Уровень", "Давление"]
OWNERS = ["Северные сети", "Южные сети", "Горэлектросеть", "Промэнерго", "Энергосбыт"]


def gen_tree(out, leaves, keys, per_level2, per_level1, seed):
    rnd = random.Random(seed)
    w = Writer(out, f"gen-config-tree.py tree --leaves {leaves} --keys {keys} --seed {seed}")
    leaf = 0
    l1 = 0
    while leaf < leaves:
        l1 += 1
        w.open("Level1", [("Number", l1), ("Name", f"Район {l1}")])
        for l2 in range(1, per_level1 + 1):
            if leaf >= leaves:
                break
            w.open("Level2", [("Number", l2), ("Name", f"Объект {l1}.{l2}"), ("Address", rnd.randint(1, 65535))])
            for _ in range(per_level2):
                if leaf >= leaves:
                    break
                leaf += 1
                value = rnd.choice(["1", "0,5", "0.25", "10", frac(rnd.randint(1, 999) / 100)])
                w.leaf("Leaf", [("Number", leaf), ("Name", f"{rnd.choice(WORDS)} {leaf}"),
                                ("Kind", rnd.choice(KINDS)), ("Value", value),
                                ("Key", rnd.randint(1, keys))])
            w.close()
        w.close()
    return w.finish()


def gen_lookup(out, records, per_group, seed):
    rnd = random.Random(seed + 1)
    w = Writer(out, f"gen-config-tree.py lookup --records {records} --seed {seed}")
    key = 0
    group = 0
    while key < records:
        group += 1
        w.open("Group", [("Number", group), ("Name", f"Группа {group}")])
        for _ in range(per_group):
            if key >= records:
                break
            key += 1
            w.leaf("Record", [("Key", key), ("Owner", rnd.choice(OWNERS)),
                              ("Phone", f"({rnd.randint(3000, 8999)}) {rnd.randint(10, 99)}-{rnd.randint(10, 99)}-{rnd.randint(10, 99)}")])
        w.close()
    return w.finish()


# ---------------------------------------------------------------------------
# The demo configuration: a regional power-grid dispatching complex

SUBSTATIONS = [
    "Северная", "Южная", "Заречная", "Береговая", "Лесная", "Промышленная", "Центральная", "Восточная",
    "Западная", "Сосновка", "Ивановская", "Кедровая", "Луговая", "Полевая", "Речная", "Озёрная",
    "Горная", "Степная", "Садовая", "Новая", "Мирная", "Солнечная", "Заводская", "Нагорная",
    "Пригородная", "Тепличная", "Шахтная", "Ольховка", "Берёзовка", "Дубрава", "Рябиновая", "Весенняя",
    "Кировская", "Приречная", "Станционная", "Карьерная",
]
DISTRICTS = ["Северный РЭС", "Центральный РЭС", "Южный РЭС", "Восточный РЭС", "Западный РЭС"]
DEMO_OWNERS = [
    ("АО «Региональные электросети»", "(4852) 30-11-00"),
    ("ООО «Промэнерго»", "(4852) 45-62-18"),
    ("МУП «Горэлектросеть»", "(4852) 72-03-41"),
    ("АО «Тепличный комбинат»", "(48534) 2-17-90"),
    ("ООО «Горнорудная компания»", "(48547) 3-44-05"),
    ("ФГУП «Железнодорожная энергетика»", "(4852) 59-80-33"),
]
# Substations that do not belong to the grid company: index into DEMO_OWNERS.
OWNER_OF = {"Промышленная": 1, "Заводская": 1, "Центральная": 2, "Садовая": 2, "Новая": 2, "Мирная": 2,
            "Тепличная": 3, "Шахтная": 4, "Карьерная": 4, "Станционная": 5}


def gen_demo(folder, seed):
    rnd = random.Random(seed)
    nt = os.path.join(folder, "DEMO-NT")
    tm = os.path.join(nt, "TM_SERVER", "TM1")
    os.makedirs(tm, exist_ok=True)
    with open(os.path.join(nt, "users.txt"), "w", encoding="utf-8", newline="\n") as f:
        f.write("engineer=demo\n")

    w = Writer(os.path.join(tm, "TMCONF.xml"),
               "Demo configuration of a regional dispatching complex; "
               "generated by scripts/gen-config-tree.py demo")
    names = [n for n in SUBSTATIONS]
    channel_no = 0
    point_no = 0
    stations = []
    for ps, place in enumerate(names, start=1):
        voltage = 220 if ps in (1, 7) else (35 if ps % 4 == 0 else 110)
        low = 10 if voltage == 35 else (35 if voltage == 220 else 10)
        title = f"ПС {voltage} кВ {place}"
        stations.append((ps, title))
        w.open("Подстанция", [("Номер", ps), ("Название", title), ("Напряжение", voltage),
                              ("Район", DISTRICTS[(ps - 1) % len(DISTRICTS)])],
               [("Год ввода", rnd.randint(1962, 2015))])
        transformers = 2 if voltage >= 110 or rnd.random() < 0.5 else 1
        neighbours = rnd.sample([n for n in names if n != place], rnd.randint(2, 5))
        lines = [f"ВЛ-{voltage} {n}" for n in neighbours]
        feeders = [f"Ф-{n}" for n in sorted(rnd.sample(range(1, 41), rnd.randint(4, 10)))]
        channels = [("Основной канал", "МЭК 60870-5-104"), ("Резервный канал", "МЭК 60870-5-101")]
        if voltage >= 110:
            channels.append(("Канал РЗА", "МЭК 60870-5-104"))
        if rnd.random() < 0.4:
            channels.append(("Канал учёта", "МЭК 60870-5-101"))
        for ch, (ch_title, protocol) in enumerate(channels, start=1):
            channel_no += 1
            if protocol.endswith("104"):
                address = f"10.{20 + (ps - 1) // 50}.{ps}.{10 + ch}:2404"
            else:
                address = str(100 + ps * 4 + ch)
            w.open("Канал", [("Номер", channel_no), ("Название", f"{ch_title} {title}"),
                             ("Адрес", address), ("Протокол", protocol)],
                   [("Адрес/Протокол", f"{address}/{protocol}")])
            ioa = 1000
            points = []
            if ch_title == "Основной канал":
                for ph in "abc":
                    points.append(("ТИ", f"U{ph} шин {voltage} кВ", "кВ", "1"))
                points.append(("ТИ", "Частота", "Гц", "0,01"))
                for line in lines:
                    points += [("ТИ", f"P {line}", "МВт", "0,1"), ("ТИ", f"Q {line}", "Мвар", "0,1"),
                               ("ТИ", f"Ia {line}", "А", "1"),
                               ("ТС", f"Положение выключателя {line}", "", "1"),
                               ("ТУ", f"Включить выключатель {line}", "", "1"),
                               ("ТУ", f"Отключить выключатель {line}", "", "1")]
                for t in range(1, transformers + 1):
                    points += [("ТИ", f"P Т{t}", "МВт", "0,1"), ("ТИ", f"Q Т{t}", "Мвар", "0,1"),
                               ("ТИ", f"Ток Т{t} ВН", "А", "1"),
                               ("ТИ", f"Температура масла Т{t}", "°С", "0,5"),
                               ("ТИ", f"Положение РПН Т{t}", "", "1"),
                               ("ТС", f"Положение выключателя ВН Т{t}", "", "1")]
                    for ph in "ab":
                        points.append(("ТИ", f"U{ph} шин {low} кВ секция {t}", "кВ", "0.01"))
            elif ch_title == "Резервный канал":
                points.append(("ТИ", f"Ua шин {voltage} кВ", "кВ", "1"))
                for line in lines:
                    points.append(("ТИ", f"P {line}", "МВт", "0,1"))
                for feeder in feeders:
                    points += [("ТИ", f"Ia {feeder}", "А", "0,5"), ("ТС", f"Положение выключателя {feeder}", "", "1")]
            elif ch_title == "Канал РЗА":
                for line in lines:
                    points += [("ТС", f"Срабатывание защиты {line}", "", "1"),
                               ("ТС", f"Неисправность защиты {line}", "", "1"),
                               ("ТС", f"Работа АПВ {line}", "", "1")]
                points += [("ТС", "Срабатывание газовой защиты Т1", "", "1"),
                           ("ТС", "Неисправность цепей оперативного тока", "", "1"),
                           ("ТУ", "Сброс сигнализации", "", "1")]
            else:
                for feeder in feeders:
                    points += [("ТИ", f"Энергия активная {feeder}", "кВт·ч", "1000"),
                               ("ТИ", f"Энергия реактивная {feeder}", "квар·ч", "1000")]
            for kind, p_title, unit, coef in points:
                point_no += 1
                ioa += 1
                props = [("Номер", point_no), ("Название", p_title), ("Тип", kind)]
                if unit:
                    props.append(("Единица", unit))
                props += [("Адрес", ioa), ("Коэффициент", coef)]
                extra = []
                if kind == "ТИ" and unit in ("кВ", "А", "МВт"):
                    nominal = {"кВ": voltage, "А": rnd.choice([300, 600, 1000]), "МВт": rnd.choice([25, 40, 63])}[unit]
                    extra = [("Верхний предел", frac(round(nominal * 1.1, 1))),
                             ("Нижний предел", frac(round(nominal * 0.9, 1) if unit == "кВ" else 0))]
                w.leaf("Точка", props, extra)
            w.close()
        w.close()
    total = w.finish()

    # Owners of the substations, keyed by the substation's number; two
    # substations have no owner record.
    w = Writer(os.path.join(tm, "OWNERS.xml"),
               "Owners of the demo substations; generated by scripts/gen-config-tree.py demo")
    without = set(rnd.sample([ps for ps, _ in stations], 2))
    for ps, title in stations:
        if ps in without:
            continue
        owner, phone = DEMO_OWNERS[OWNER_OF.get(title.split(" кВ ")[1], 0)]
        w.leaf("Объект", [("Номер", ps), ("Владелец", owner), ("Телефон", phone)])
    owners = w.finish()
    return total, owners


def main(argv):
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = p.add_subparsers(dest="mode", required=True)
    t = sub.add_parser("tree", help="synthetic Level1/Level2/Leaf tree")
    t.add_argument("--leaves", type=int, default=10000, help="number of leaves, 10000 to 1000000")
    t.add_argument("--keys", type=int, default=10000, help="leaf keys range from 1 to this number")
    t.add_argument("--per-level2", type=int, default=50, help="leaves under one Level2 node")
    t.add_argument("--per-level1", type=int, default=20, help="Level2 nodes under one Level1 node")
    t.add_argument("--seed", type=int, default=SEED)
    t.add_argument("--out", required=True, help="output XML file")
    lk = sub.add_parser("lookup", help="lookup tree: Group/Record with keys 1..records")
    lk.add_argument("--records", type=int, default=10000)
    lk.add_argument("--per-group", type=int, default=100)
    lk.add_argument("--seed", type=int, default=SEED)
    lk.add_argument("--out", required=True, help="output XML file")
    d = sub.add_parser("demo", help="the bundled demo configuration")
    d.add_argument("--out", default=os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "examples", "config"),
                   help="folder of NT servers (default: examples/config)")
    d.add_argument("--seed", type=int, default=SEED)
    a = p.parse_args(argv)

    if a.mode == "tree":
        if not 10000 <= a.leaves <= 1000000:
            p.error("--leaves must lie between 10000 and 1000000")
        if a.keys < 1 or a.per_level2 < 1 or a.per_level1 < 1:
            p.error("--keys, --per-level2 and --per-level1 must be positive")
        n = gen_tree(a.out, a.leaves, a.keys, a.per_level2, a.per_level1, a.seed)
        print(f"{a.out}: {n} nodes")
    elif a.mode == "lookup":
        if a.records < 1 or a.per_group < 1:
            p.error("--records and --per-group must be positive")
        n = gen_lookup(a.out, a.records, a.per_group, a.seed)
        print(f"{a.out}: {n} nodes")
    else:
        total, owners = gen_demo(os.path.normpath(a.out), a.seed)
        print(f"TMCONF.xml: {total} nodes, OWNERS.xml: {owners} nodes")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
