#!/usr/bin/env python3
"""Builds the test templates of this folder byte by byte from the stored
layout of report files, independently of the program's writer.

Run from anywhere: python3 make_templates.py (writes next to itself)."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

def u8(v): return struct.pack('<B', v)
def u16(v): return struct.pack('<H', v)
def i16(v): return struct.pack('<h', v)
def u32(v): return struct.pack('<I', v)
def i32(v): return struct.pack('<i', v)
def f64(v): return struct.pack('<d', v)
def enc(t): return t.encode('cp1251')
def b16(v): return u16(0xFFFF if v else 0)

# Strings and lists, version 23 and later.
def s(t):
    b = enc(t)
    return u16(len(b)) + b + b'\0'

def sl(lines):
    if not lines:
        return u16(0) + b'\0'
    out = u16(len(lines))
    for i, line in enumerate(lines):
        b = enc(line)
        out += u16(len(b)) + b + (b'\r' if i < len(lines) - 1 else b'\0')
    return out

# Strings and lists before version 23.
def zs(t): return enc(t) + b'\0'
def zsl(lines): return enc(''.join(l + '\r' for l in lines)) + b'\0'

CL_BTNFACE = 0x80000000 + 15
CL_TRANSPARENT = 0x1FFFFFFF
DEFAULT_FORMAT = ord('.') + 0x200

def page25(name, size=9, w=2100, h=2970, margins=(0, 0, 0, 0), orient=0, bin_=0xFFFF, prev=False,
           use_margins=True, columns=0, gap=0, ptype=0, border=3, caption='Form', color=CL_BTNFACE,
           bounds=(220, 120, 380, 300), position=4, script=()):
    return (u8(255) + i32(-1) + i32(size) + i32(w) + i32(h) + b''.join(i32(m) for m in margins) + u8(orient) +
            i32(bin_) + b16(prev) + b16(use_margins) + i32(columns) + i32(gap) + u8(ptype) + s(name) + u8(border) +
            s(caption) + u32(color) + b''.join(i32(v) for v in bounds) + u8(position) + sl(list(script)))

def base25(name, minor=0, rect=(0, 0, 100, 18), flags=3, frametyp=0, fw=1, fcolor=0, fstyle=0, fill=CL_TRANSPARENT,
           fmt=DEFAULT_FORMAT, fmtstr='', memo=(), script=(), visible=True, restr=0, tag='', gaps=(2, 1), align=0):
    return (s(name) + u8(2) + u8(minor) + b''.join(i32(v) for v in rect) + u16(flags) + u16(frametyp) + i32(fw) +
            u32(fcolor) + u16(fstyle) + u32(fill) + u32(fmt) + s(fmtstr) + sl(list(memo)) + sl(list(script)) +
            b16(visible) + u16(restr) + s(tag) + i32(gaps[0]) + i32(gaps[1]) + u8(align))

def memo_part25(font='Arial', size=10, style=0, color=0, align=0, charset=204, hl=(2, 0, 0xFFFFFF), hlcond='',
                spacing=(2, 0)):
    return (s(font) + i32(size) + u16(style) + u32(color) + u32(align) + u16(charset) + u16(hl[0]) + u32(hl[1]) +
            u32(hl[2]) + s(hlcond) + i32(spacing[0]) + i32(spacing[1]))

def band_part25(child='', columns=1, colw=200, gap=20, after=1, master=''):
    return s(child) + i32(columns) + i32(colw) + i32(gap) + i32(after) + s(master)

class Stream:
    """A report stream under construction; object records get their end offsets."""
    def __init__(self, head=b''):
        self.data = bytearray(head)

    def add(self, b):
        self.data += b

    def obj(self, code, page, payload_fn, cls=None):
        head = u8(code) + (s(cls) if cls is not None else b'') + u8(page)
        start = len(self.data) + len(head) + 4  # payload start (absolute)
        payload = payload_fn(start)
        self.data += head + u32(start + len(payload)) + payload

def dictionary25(variables=(), aliases=(), sources=(), marker=-2):
    out = u8(254) + i16(marker)
    for lst in (variables, aliases, sources):
        out += u32(len(lst)) + b''.join(s(n) + s(v) for n, v in lst)
    return out

def info(comment='', name='', author='', ver=('', '', '', ''), password='', protected=False,
         created=46000.25, changed=46001.5):
    def istr(t):
        b = enc(t)
        return u16(len(b)) + b
    pw = enc(password).hex().upper().encode('ascii')
    return (istr(comment) + istr(name) + istr(author) + b''.join(istr(v) for v in ver) + u16(len(pw)) + pw +
            u8(88) + u8(1 if protected else 0) + f64(created) + f64(changed))

def header25(printer='\x01', keep=False, double=False):
    return u8(25) + b16(keep) + b16(double) + s(printer)

def write(name, data):
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(bytes(data))

def read(name):
    with open(os.path.join(HERE, name), 'rb') as f:
        return f.read()

def bmp_2x2():
    pixels = bytes([0, 0, 255, 0, 255, 0, 0, 0]) + bytes([255, 0, 0, 255, 255, 255, 0, 0])
    dib = struct.pack('<IiiHHIIiiII', 40, 2, 2, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return b'BM' + struct.pack('<IHHI', 14 + len(dib) + len(pixels), 0, 0, 14 + len(dib)) + dib + pixels

def ico_2x2():
    xor = bytes([0, 0, 255, 255, 0, 255, 0, 255, 255, 0, 0, 255, 255, 255, 255, 255])  # BGRA rows
    and_mask = bytes(8)  # two rows of 4 bytes
    dib = struct.pack('<IiiHHIIiiII', 40, 2, 4, 1, 32, 0, len(xor) + len(and_mask), 0, 0, 0, 0) + xor + and_mask
    return struct.pack('<HHH', 0, 1, 1) + struct.pack('<BBBBHHII', 2, 2, 0, 0, 1, 32, len(dib), 22) + dib

def emf_stub():
    # An enhanced-metafile header record followed by an end record; it is kept
    # as bytes and never decoded by the model.
    header = struct.pack('<II', 1, 88) + struct.pack('<iiii', 0, 0, 10, 10) + struct.pack('<iiii', 0, 0, 264, 264)
    header += struct.pack('<IIIIHHIIII', 0x464D4520, 0x10000, 108, 2, 0, 0, 0, 0, 0, 0)
    header += struct.pack('<iiii', 1024, 768, 320, 240)
    end = struct.pack('<IIIII', 14, 20, 0, 0, 20)
    return header + end

def main():
    # 1. The empty report: one page, empty dictionary and information.
    st = Stream(header25())
    st.add(page25('Page1'))
    st.add(dictionary25())
    st.add(u8(252) + info())
    write('empty.frf', st.data)

    # 2. Every built-in kind, two pages, a dictionary, information texts.
    st = Stream(header25(double=True))
    st.add(page25('Page1', margins=(36, 36, 36, 36), columns=2, gap=10, script=['begin', '  x := 1;', 'end']))
    st.add(page25('Page2', size=256, w=1500, h=1000, orient=1, prev=True, use_margins=False))
    st.obj(2, 0, lambda p: base25('MasterData1', minor=1, rect=(0, 100, 718, 40), flags=0x30, frametyp=3,
                                   fmt=0, fmtstr='frDS') + band_part25(columns=2, colw=300, master='Band0'))
    st.obj(0, 0, lambda p: base25('Memo1', rect=(10, 110, 200, 18), flags=3 | 0x10, frametyp=15, fw=500,
                                   fcolor=0xFF, fstyle=1, fill=0xFFFFFF, fmt=0x01020304, fmtstr='#,##0.00',
                                   memo=['[frDS."Имя"]', 'вторая строка'], script=['if x > 0 then', 'Memo1.Visible := False'],
                                   restr=0x0103, tag='[Tag]', gaps=(3, 4), align=3) +
           memo_part25(font='Times New Roman', size=12, style=3, color=0x800000, align=9, charset=1,
                       hl=(1, 0xFF, 0xC0C0C0), hlcond='Value > 0', spacing=(5, 1)))
    st.obj(0, 0, lambda p: base25('Memo2', rect=(220, 110, 100, 18), fw=12000, visible=False) + memo_part25())
    st.obj(4, 0, lambda p: base25('Line1', rect=(0, 140, 0, 40), flags=1, frametyp=4, fw=2, fill=0xFFFFFF))
    bmp = bmp_2x2()
    st.obj(1, 0, lambda p: base25('Picture1', rect=(400, 100, 50, 50), flags=5, memo=['BlobField']) +
           u8(1) + u8(1) + u32(p + len(base25('Picture1', rect=(400, 100, 50, 50), flags=5, memo=['BlobField'])) + 6 + len(bmp)) + bmp)
    st.obj(3, 1, lambda p: base25('SubReport1', rect=(10, 10, 100, 50)) + i32(1))
    st.add(dictionary25(variables=[(' Категория', ''), ('Переменная', "'текст'"), ('Поле', 'frDS."Имя"')],
                        aliases=[('frDS', 'Выборка'), ('frDS.Имя', 'Имя узла')], sources=[('frDS', 'Данные')]))
    st.add(u8(252) + info(comment='строка 1\r\nстрока 2', name='Отчёт', author='Инженер',
                          ver=('1', '2', '3', '4')))
    write('objects.frf', st.data)

    # 3. Pictures of every kind: JPEG, icon, metafile, and an empty one.
    st = Stream(header25())
    st.add(page25('Page1'))
    for name, kind, blob in (('Picture1', 4, read('picture.jpg')), ('Picture2', 3, ico_2x2()),
                             ('Picture3', 2, emf_stub()), ('Picture4', 0, b'')):
        def payload(p, name=name, kind=kind, blob=blob):
            b = base25(name, rect=(0, 0, 40, 40), flags=5)
            return b + u8(kind) + u8(0) + u32(p + len(b) + 6 + len(blob)) + blob
        st.obj(1, 0, payload)
    st.add(dictionary25())
    st.add(u8(252) + info())
    write('pictures.frf', st.data)

    # 4. A dialog form page and a page with a script.
    st = Stream(header25(keep=True))
    st.add(page25('Page1', ptype=1, border=2, caption='Параметры', color=0xC0C0C0, bounds=(10, 20, 300, 200),
                  position=0))
    st.add(page25('Page2', script=['ShowMessage(1)']))
    st.add(dictionary25(variables=[(' Параметры сервера', ''), ('Машина', "'NT1'")]))
    st.add(u8(252) + info(password='секрет', protected=False))
    write('dialog.frf', st.data)

    old_files()
    missing_addin_files()

def page_old(version, size=9, w=2100, h=2970, orient=0, script=None):
    out = u8(255) + (i32(-1) + i32(size) if script is not None else i32(size)) + i32(w) + i32(h) + i32(0) * 4
    out += u8(orient)
    if version < 23:
        out += bytes(6)
    out += b16(False) + b16(True) + i32(1) + i32(0)
    if script is not None:
        out += (zsl(script) if version < 23 else sl(script))
    return out

def base_old(version, name, rect, memo, fmtstr='', flags=1):
    strf, listf = (zs, zsl) if version < 23 else (s, sl)
    out = s(name) if version == 23 else b''
    out += b''.join(i32(v) for v in rect) + u16(flags) + u16(0) + i32(1) + u32(0) + u16(0) + u32(CL_TRANSPARENT)
    out += u32(DEFAULT_FORMAT) + strf(fmtstr) + listf(memo)
    if version == 23:
        out += sl([]) + b16(True)
    return out

def memo_old(version, font='Arial'):
    strf = zs if version < 23 else s
    return strf(font) + i32(10) + u16(0) + u32(0) + u32(0) + u16(0) + u16(2) + u32(0) + u32(0xFFFFFF) + strf('')

def old_dictionary(version):
    # Old layout: entries, then the names (a category without, a variable with a
    # leading space: the old convention).
    entry = u8(2) + i32(1) + u8(0) + u8(3) + b"'a'" + u8(3) + b'Var'
    names = ['Cat', ' Var']
    return u8(254) + u32(1) + entry + (zsl(names) if version < 23 else sl(names))

def old_files():
    for version in (21, 22, 23):
        strf = zs if version < 23 else s
        out = (u8(version) if version > 21 else b'') + b16(False) + b16(False) + strf('\x01')
        out += page_old(version, script=['a := 1'] if version >= 22 else None)
        out += u8(2) + u8(0) + base_old(version, 'Band1', (0, 20, 700, 40), [], fmtstr='frDS')
        out += u8(0) + u8(0) + base_old(version, 'Memo1', (10, 20, 100, 18), ['Текст', 'строка 2']) + memo_old(version)
        out += u8(0) + u8(0) + base_old(version, 'Memo2', (10, 40, 100, 18), []) + memo_old(version)
        out += old_dictionary(version)
        out += u8(252)
        write('old%d.frf' % version, out)

def missing_addin_files():
    # Version 25: an unregistered add-in between two memos is skipped.
    st = Stream(header25())
    st.add(page25('Page1'))
    st.obj(0, 0, lambda p: base25('Memo1') + memo_part25())
    st.obj(10, 0, lambda p: base25('Unknown1') + b'\x01\x02\x03 payload of its own', cls='TfrSomethingView')
    st.obj(0, 0, lambda p: base25('Memo2') + memo_part25())
    st.add(dictionary25())
    st.add(u8(252) + info())
    write('missing_addin.frf', st.data)
    # Version 22: no end offsets, reading of objects stops at the add-in.
    out = u8(22) + b16(False) + b16(False) + zs('\x01') + page_old(22, script=[])
    out += u8(0) + u8(0) + base_old(22, '', (10, 20, 100, 18), ['A']) + memo_old(22)
    out += u8(10) + zs('TfrSomethingView') + u8(0) + b'garbage that cannot be read'
    write('missing_addin_old.frf', out)

if __name__ == '__main__':
    main()
