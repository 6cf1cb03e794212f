# Writes the tables of syntax/CellWidth.cpp from the Unicode data of this Python
# (unicodedata): the characters that take no cell (marks, format characters and the
# conjoining Hangul vowels and finals, the bidirectional controls excepted) and those
# that take two (East Asian Wide and Fullwidth, and the unassigned code points of the
# ideograph blocks and planes). Run: python3 syntax/make_cell_widths.py
import unicodedata, sys
def ranges(pred):
    out=[]; start=None
    for cp in range(0x300, 0x110000):
        ok = pred(cp)
        if ok and start is None: start=cp
        if not ok and start is not None: out.append((start,cp-1)); start=None
    if start is not None: out.append((start,0x10FFFF))
    return out
BIDI={0x061C,0x200E,0x200F,*range(0x202A,0x202F),*range(0x2066,0x206A)}
def zero(cp):
    if cp in BIDI: return False
    if 0xD800<=cp<=0xDFFF: return False
    cat=unicodedata.category(chr(cp))
    if cat in ('Mn','Me','Cf'): return True
    if 0x1160<=cp<=0x11FF or 0xD7B0<=cp<=0xD7FF: return True
    return False
def wide(cp):
    if zero(cp) or cp in BIDI: return False
    # Python gives unassigned code points no meaningful width of their own.
    assigned = unicodedata.category(chr(cp)) != 'Cn'
    if assigned and unicodedata.east_asian_width(chr(cp)) in ('W','F'): return True
    for a,b in ((0x3400,0x4DBF),(0x4E00,0x9FFF),(0xF900,0xFAFF),(0x20000,0x2FFFD),(0x30000,0x3FFFD)):
        if a<=cp<=b: return True
    return False
def emit(name, rs):
    print(f"// {len(rs)} ranges")
    print(f"constexpr Range {name}[] = {{")
    line="   "
    for a,b in rs:
        item=f" {{0x{a:04X}, 0x{b:04X}}},"
        if len(line)+len(item)>116: print(line); line="   "
        line+=item
    print(line); print("};")
print(f"// Unicode {unicodedata.unidata_version}")
emit("kZeroWidth", ranges(zero))
emit("kWide", ranges(wide))
