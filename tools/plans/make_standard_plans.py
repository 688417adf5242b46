#!/usr/bin/env python3
"""Writes data/plans/standards.tsv, the standard channel plans Plandor offers
under "New plan from standard", from the published carrier lists and the
band formulas they follow. docs/plans.md names the table behind each band.

Run from the source tree:  python3 tools/plans/make_standard_plans.py
"""
import os

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "..", "data", "plans", "standards.tsv")


def band(prefix, first, last, carrier, step, bandwidth):
    """Channels prefix+first .. prefix+last, carriers carrier, carrier+step, ..."""
    return [(f"{prefix}{n}", carrier + (n - first) * step, bandwidth)
            for n in range(first, last + 1)]


def listed(names, carriers, bandwidth):
    return [(n, c, bandwidth) for n, c in zip(names, carriers)]


def na_cable_std():
    ch = listed(["2", "3", "4", "5", "6"], [55.25, 61.25, 67.25, 77.25, 83.25], 6)
    ch += band("", 95, 99, 91.25, 6, 6)
    ch += band("", 14, 22, 121.25, 6, 6)
    ch += band("", 7, 13, 175.25, 6, 6)
    ch += band("", 23, 94, 217.25, 6, 6)
    ch += band("", 100, 158, 649.25, 6, 6)
    return ch


def na_cable_irc():
    # As STD, with channels 5 and 6 2 MHz higher.
    return [(n, {"5": 79.25, "6": 85.25}.get(n, c), b) for n, c, b in na_cable_std()]


def na_cable_hrc():
    # Every carrier an exact multiple of 6.0003 MHz: the IRC lower edge / 6.
    return [(n, round(round((c - 1.25) / 6) * 6.0003, 4), b) for n, c, b in na_cable_irc()]


def na_broadcast():
    ch = listed(["2", "3", "4", "5", "6"], [55.25, 61.25, 67.25, 77.25, 83.25], 6)
    ch += band("", 7, 13, 175.25, 6, 6)
    ch += band("", 14, 69, 471.25, 6, 6)
    return ch


def ccir_bg():
    ch = listed(["E2", "E3", "E4"], [48.25, 55.25, 62.25], 7)
    ch += band("S", 2, 10, 112.25, 7, 7)
    ch += band("E", 5, 12, 175.25, 7, 7)
    ch += band("S", 11, 20, 231.25, 7, 7)
    ch += band("S", 21, 41, 303.25, 8, 8)
    ch += band("E", 21, 69, 471.25, 8, 8)
    return ch


def oirt_dk():
    ch = listed(["R1", "R2", "R3", "R4", "R5"], [49.75, 59.25, 77.25, 85.25, 93.25], 8)
    ch += band("R", 6, 12, 175.25, 8, 8)
    ch += band("R", 21, 69, 471.25, 8, 8)
    return ch


def china_cable():
    ch = listed(["D1", "D2", "D3", "D4", "D5"], [49.75, 57.75, 65.75, 77.25, 85.25], 8)
    ch += band("Z", 1, 7, 112.25, 8, 8)
    ch += band("D", 6, 12, 168.25, 8, 8)
    ch += band("Z", 8, 38, 224.25, 8, 8)
    ch += band("D", 13, 24, 471.25, 8, 8)
    ch += band("Z", 39, 43, 567.25, 8, 8)
    ch += band("D", 25, 68, 607.25, 8, 8)
    return ch


def japan_vhf():
    ch = band("", 1, 3, 91.25, 6, 6)
    # Channels 7 and 8 overlap by 2 MHz by design.
    ch += listed([str(n) for n in range(4, 13)],
                 [171.25, 177.25, 183.25, 189.25, 193.25, 199.25, 205.25, 211.25, 217.25], 6)
    return ch


def japan_broadcast():
    return japan_vhf() + band("", 13, 62, 471.25, 6, 6)


def japan_cable():
    ch = japan_vhf()
    ch += band("C", 13, 21, 109.25, 6, 6)
    ch += listed(["C22"], [165.25], 6)  # 2 MHz above the raster of C13-C21
    ch += band("C", 23, 63, 223.25, 6, 6)
    return ch


STANDARDS = [
    ("na-std", 4.5, "North America cable STD", "北美有线电视 STD", na_cable_std()),
    ("na-hrc", 4.5, "North America cable HRC", "北美有线电视 HRC", na_cable_hrc()),
    ("na-irc", 4.5, "North America cable IRC", "北美有线电视 IRC", na_cable_irc()),
    ("na-air", 4.5, "North America broadcast", "北美无线广播", na_broadcast()),
    ("ccir-bg", 5.5, "Europe CCIR B/G", "欧洲 CCIR B/G 制", ccir_bg()),
    ("oirt-dk", 6.5, "Europe OIRT D/K", "东欧 OIRT D/K 制", oirt_dk()),
    ("china-dk", 6.5, "China cable D/K", "中国有线电视 D/K 制", china_cable()),
    ("japan-air", 4.5, "Japan broadcast", "日本无线广播", japan_broadcast()),
    ("japan-cable", 4.5, "Japan cable", "日本有线电视", japan_cable()),
]


def number(x):
    text = f"{x:.4f}".rstrip("0").rstrip(".")
    return text


def main():
    lines = [
        "# Standard channel plans. Made by tools/plans/make_standard_plans.py; edit that, not this.",
        "# S<TAB>key<TAB>audio offset MHz<TAB>English name<TAB>Chinese name",
        "# C<TAB>channel name<TAB>vision carrier MHz<TAB>channel bandwidth MHz",
    ]
    for key, audio, english, chinese, channels in STANDARDS:
        channels = sorted(channels, key=lambda c: c[1])
        names = [c[0] for c in channels]
        assert len(set(names)) == len(names), key
        assert all(len(n) <= 3 and n.isascii() for n in names), key
        lines.append("\t".join(["S", key, number(audio), english, chinese]))
        for name, carrier, bw in channels:
            lines.append("\t".join(["C", name, number(carrier), number(bw)]))
    with open(OUT, "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(lines) + "\n")
    for key, _, _, _, channels in STANDARDS:
        print(key, len(channels))


if __name__ == "__main__":
    main()
