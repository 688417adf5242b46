#!/usr/bin/env python3
"""Writes data/plans/standards.tsv, the standard channel plans Plandor offers
under "New plan from standard", from the published carrier lists and the
band formulas they follow. docs/plans.md names the tables behind each band
and what was checked against them.

Run from the source tree:  python3 tools/plans/make_standard_plans.py
"""
import os

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "..", "data", "plans", "standards.tsv")

# Japanese and South American digital broadcasting (ISDB-T, ISDB-Tb) puts
# its centre 1/7 MHz above the channel centre.
ISDB_OFFSET = 1 / 7


def band(prefix, first, last, carrier, step, bandwidth, width=0):
    """Channels prefix+first .. prefix+last, carriers carrier, carrier+step, ...
    width pads the number with zeros ("05")."""
    return [(f"{prefix}{n:0{width}d}", carrier + (n - first) * step, bandwidth)
            for n in range(first, last + 1)]


def listed(names, carriers, bandwidth):
    return [(n, c, bandwidth) for n, c in zip(names, carriers)]


def uhf_8mhz():
    # ITU Region 1 UHF: channel n from 470 + 8 (n - 21) MHz.
    return band("", 21, 69, 471.25, 8, 8)


def na_cable_std():
    ch = listed(["2", "3", "4", "5", "6"], [55.25, 61.25, 67.25, 77.25, 83.25], 6)
    ch += band("", 95, 99, 91.25, 6, 6)
    ch += band("", 14, 22, 121.25, 6, 6)
    ch += band("", 7, 13, 175.25, 6, 6)
    ch += band("", 23, 94, 217.25, 6, 6)
    ch += band("", 100, 158, 649.25, 6, 6)
    return ch


def na_cable_irc():
    # 12.5 kHz above STD; channel 1 fills 72-78 MHz, so 5 and 6 move up 2 MHz.
    moved = {"5": 79.25, "6": 85.25}
    ch = [(n, moved.get(n, c) + 0.0125, b) for n, c, b in na_cable_std()]
    return ch + [("1", 73.2625, 6)]


def na_cable_hrc():
    # Every carrier an exact multiple of 6.0003 MHz: the IRC lower edge / 6.
    return [(n, round(round((c - 1.25) / 6) * 6.0003, 4), b) for n, c, b in na_cable_irc()]


def americas_broadcast():
    ch = listed(["2", "3", "4", "5", "6"], [55.25, 61.25, 67.25, 77.25, 83.25], 6)
    ch += band("", 7, 13, 175.25, 6, 6)
    ch += band("", 14, 69, 471.25, 6, 6)
    return ch


def docsis():
    # The STD channels from 108 MHz up, as 6 MHz QAM channels.
    return [c for c in na_cable_std() if c[1] - 1.25 >= 108]


def eurodocsis():
    # 8 MHz QAM channels on the European cable raster (centres 8n + 2 MHz,
    # S21 at 306, E21 at 474), 110..998 MHz; named by their centre in MHz.
    return [(str(centre), centre - 2.75, 8) for centre in range(114, 995, 8)]


def ccir_bg():
    ch = listed(["E2", "E3", "E4"], [48.25, 55.25, 62.25], 7)
    ch += band("S", 2, 10, 112.25, 7, 7)
    ch += band("E", 5, 12, 175.25, 7, 7)
    ch += band("S", 11, 20, 231.25, 7, 7)
    ch += band("S", 21, 41, 303.25, 8, 8)
    ch += band("E", 21, 69, 471.25, 8, 8)
    return ch


def oirt_vhf():
    ch = listed(["R1", "R2", "R3", "R4", "R5"], [49.75, 59.25, 77.25, 85.25, 93.25], 8)
    return ch + band("R", 6, 12, 175.25, 8, 8)


def oirt_dk():
    return oirt_vhf() + band("R", 21, 69, 471.25, 8, 8)


def oirt_cable():
    ch = oirt_vhf()
    ch += band("S", 1, 8, 111.25, 8, 8)
    ch += band("S", 11, 19, 231.25, 8, 8)
    ch += band("S", 20, 40, 303.25, 8, 8)
    return ch + band("R", 21, 69, 471.25, 8, 8)


def china_cable():
    ch = listed(["D1", "D2", "D3", "D4", "D5"], [49.75, 57.75, 65.75, 77.25, 85.25], 8)
    ch += band("Z", 1, 7, 112.25, 8, 8)
    ch += band("D", 6, 12, 168.25, 8, 8)
    ch += band("Z", 8, 37, 224.25, 8, 8)  # Z-37 ends at 463 MHz
    ch += band("D", 13, 24, 471.25, 8, 8)
    ch += band("Z", 38, 42, 567.25, 8, 8)  # 566-606 MHz, between DS-24 and DS-25
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


def pal_i():
    # Irish VHF: band I A-C and band III D-J, 8 MHz each (no letter skipped).
    ch = listed(["A", "B", "C"], [45.75, 53.75, 61.75], 8)
    ch += listed(list("DEFGHIJ"), [175.25 + 8 * i for i in range(7)], 8)
    return ch + uhf_8mhz()


def south_africa():
    return band("", 4, 13, 175.25, 8, 8) + uhf_8mhz()


def australia():
    ch = listed(["0", "1", "2", "3", "4", "5", "5A"],
                [46.25, 57.25, 64.25, 86.25, 95.25, 102.25, 138.25], 7)
    # Band III on the 7 MHz raster from 174 MHz, 9A between 9 and 10.
    ch += listed(["6", "7", "8", "9", "9A", "10", "11", "12"],
                 [175.25 + 7 * i for i in range(8)], 7)
    return ch + band("", 28, 69, 527.25, 7, 7)


def new_zealand():
    ch = listed(["1", "2", "3"], [45.25, 55.25, 62.25], 7)
    ch += band("", 4, 11, 175.25, 7, 7)
    return ch + uhf_8mhz()


def italy():
    ch = listed(["A", "B", "C", "D", "E", "F", "G", "H", "H1", "H2"],
                [53.75, 62.25, 82.25, 175.25, 183.75, 192.25, 201.25, 210.25, 217.25,
                 224.25], 7)
    return ch + uhf_8mhz()


def france():
    # Band III channels 05-10 (vision 176 + 8n MHz) and UHF; band I (L', sound
    # below vision) cannot be described by a positive audio offset.
    return band("", 5, 10, 176.0, 8, 8, width=2) + uhf_8mhz()


ANALOGUE_AND_DIGITAL = "AD"
DIGITAL_ONLY = "D"

# key, variants, audio offset, digital centre offset, English, Chinese, channels
STANDARDS = [
    # Korea's cable uses the same STD table (docs/plans.md).
    ("na-std", ANALOGUE_AND_DIGITAL, 4.5, 0, "North America cable STD", "北美有线电视 STD",
     na_cable_std()),
    ("na-hrc", ANALOGUE_AND_DIGITAL, 4.5, 0, "North America cable HRC", "北美有线电视 HRC",
     na_cable_hrc()),
    ("na-irc", ANALOGUE_AND_DIGITAL, 4.5, 0, "North America cable IRC", "北美有线电视 IRC",
     na_cable_irc()),
    ("na-air", ANALOGUE_AND_DIGITAL, 4.5, 0, "North America, Korea, Taiwan broadcast",
     "北美、韩国、台湾无线广播", americas_broadcast()),
    ("sa-air", ANALOGUE_AND_DIGITAL, 4.5, ISDB_OFFSET, "Brazil (M), Argentina (N) broadcast",
     "巴西 (M)、阿根廷 (N) 无线广播", americas_broadcast()),
    ("docsis", DIGITAL_ONLY, 0, 0, "DOCSIS cable 6 MHz", "DOCSIS 有线 6 MHz", docsis()),
    ("eurodocsis", DIGITAL_ONLY, 0, 0, "EuroDOCSIS cable 8 MHz", "EuroDOCSIS 有线 8 MHz",
     eurodocsis()),
    ("ccir-bg", ANALOGUE_AND_DIGITAL, 5.5, 0, "Europe CCIR B/G", "欧洲 CCIR B/G 制", ccir_bg()),
    ("italy-bg", ANALOGUE_AND_DIGITAL, 5.5, 0, "Italy B/G", "意大利 B/G 制", italy()),
    ("pal-i", ANALOGUE_AND_DIGITAL, 6.0, 0, "UK, Ireland, Hong Kong PAL I",
     "英国、爱尔兰、香港 PAL I 制", pal_i()),
    ("za-i", ANALOGUE_AND_DIGITAL, 6.0, 0, "South Africa PAL I", "南非 PAL I 制",
     south_africa()),
    ("france-l", ANALOGUE_AND_DIGITAL, 6.5, 0, "France SECAM L", "法国 SECAM L 制", france()),
    ("oirt-dk", ANALOGUE_AND_DIGITAL, 6.5, 0, "Europe OIRT D/K", "东欧 OIRT D/K 制", oirt_dk()),
    ("oirt-cable", ANALOGUE_AND_DIGITAL, 6.5, 0, "Europe OIRT D/K cable", "东欧 OIRT D/K 有线电视",
     oirt_cable()),
    ("china-dk", ANALOGUE_AND_DIGITAL, 6.5, 0, "China cable D/K", "中国有线电视 D/K 制",
     china_cable()),
    ("australia", ANALOGUE_AND_DIGITAL, 5.5, 0, "Australia B/G", "澳大利亚 B/G 制", australia()),
    ("nz-bg", ANALOGUE_AND_DIGITAL, 5.5, 0, "New Zealand B/G", "新西兰 B/G 制", new_zealand()),
    ("japan-air", ANALOGUE_AND_DIGITAL, 4.5, ISDB_OFFSET, "Japan broadcast", "日本无线广播",
     japan_broadcast()),
    ("japan-cable", ANALOGUE_AND_DIGITAL, 4.5, ISDB_OFFSET, "Japan cable", "日本有线电视",
     japan_cable()),
]


def number(x, decimals=4):
    return f"{x:.{decimals}f}".rstrip("0").rstrip(".")


def main():
    lines = [
        "# Standard channel plans. Made by tools/plans/make_standard_plans.py; edit that, not this.",
        "# S<TAB>key<TAB>variants (AD analogue and digital, D digital only)<TAB>audio offset MHz"
        "<TAB>digital centre offset MHz<TAB>English name<TAB>Chinese name",
        "# C<TAB>channel name<TAB>vision carrier MHz (lower edge + 1.25)<TAB>channel bandwidth MHz",
    ]
    for key, variants, audio, offset, english, chinese, channels in STANDARDS:
        channels = sorted(channels, key=lambda c: c[1])
        names = [c[0] for c in channels]
        assert len(set(names)) == len(names), key
        assert all(1 <= len(n) <= 3 and n.isascii() for n in names), key
        lines.append("\t".join(["S", key, variants, number(audio), number(offset, 6), english,
                                chinese]))
        for name, carrier, bw in channels:
            lines.append("\t".join(["C", name, number(carrier), number(bw)]))
    with open(OUT, "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(lines) + "\n")
    for key, _, _, _, _, _, channels in STANDARDS:
        print(key, len(channels))


if __name__ == "__main__":
    main()
