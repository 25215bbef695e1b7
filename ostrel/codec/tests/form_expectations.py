#!/usr/bin/env python3
"""Works out what code_forms_test.cpp expects of Pronto hex and Flipper IR
files from the forms' definitions alone, without the readers: run it and
compare its lines with the tables.

Pronto: a carrier period lasts N * 0.241246 us (N, the frequency code, is
word 2); durations are whole microseconds, halves rounded up.

Flipper: the bits of each parsed protocol as Flipper's firmware puts them on
the air (lib/infrared/encoder_decoder/*/infrared_encoder_*.c of
flipperdevices/flipperzero-firmware) against the bits of the kernel scancode
the reader sends for it (drivers/media/rc/ir-*-decoder.c), and the frames of
Samsung32, Kaseikyo, RCA and Pioneer with Flipper's timings, and of NEC42ext
with the kernel's sanyo timings.
"""


def pronto_durations(code, values):
    return [(v * code * 241246 + 500000) // 1000000 for v in values]


def pronto_carrier(code):
    period = code * 241246  # in 10^-6 us
    return (10**12 + period // 2) // period


print("Pronto learned: code, carrier, durations of its words")
for code, values in [(0x6D, [0x10, 0x20, 0x30, 0x40]), (0x73, [0x20, 0x40, 0x60, 0x80]),
                     (0x70, [0x0A, 0x64]), (0x04, [0xF424, 0x0001]), (0xFFFF, [1, 1, 0xFFFF]),
                     (0x09, [0x10, 0x20]), (0x19E, [0x10, 0x20]), (0x08, []), (0x19F, []), (0x01, [])]:
    print(f"  {code:04X}", pronto_carrier(code), pronto_durations(code, values))
def lsb(value, n): return [(value >> i) & 1 for i in range(n)]
def msb(value, n): return [(value >> (n-1-i)) & 1 for i in range(n)]
def rev8(x): return int('{:08b}'.format(x & 0xff)[::-1], 2)

# --- Flipper side
def f_nec(a,c): d = a | (~a & 0xff)<<8 | c<<16 | (~c & 0xff)<<24; return lsb(d,32)
def f_necext(a,c): d = (a & 0xffff) | (c & 0xffff)<<16; return lsb(d,32)
def f_nec42(a,c):
    d1 = (a & 0x1fff) | ((~a & 0x1fff) << 13) | ((c & 0x3f) << 26)
    d2 = ((c & 0xc0) >> 6) | ((~c & 0xff) << 2)
    return lsb(d1 | d2 << 32, 42)
def f_nec42ext(a,c):
    # infrared_encoder_nec_reset: the 26-bit address, then the 16-bit command
    d1 = (a & 0x3ffffff) | ((c & 0x3f) << 26)
    d2 = (c & 0xffc0) >> 6
    return lsb(d1 | d2 << 32, 42)
def f_sirc(a,c,n): 
    mask = {12:0x1f,15:0xff,20:0x1fff}[n]
    return lsb((c & 0x7f) | (a & mask) << 7, n)
def f_rc5(a,c,x):
    d = 1 | (0 if x else 2) | ((rev8(a) >> 3) << 3) | ((rev8(c) >> 2) << 8)  # toggle 0
    return lsb(d, 14)   # logical bits (Flipper inverts only for Manchester polarity)
def f_rc6(a,c):
    d = 1 | (rev8(a) << 5) | (rev8(c) << 13)
    return lsb(d, 21)

# --- kernel side, from the scancode
def k_nec(sc, proto):
    if proto == 'nec':  A=sc>>8&0xff; nA=~A&0xff; C=sc&0xff; nC=~C&0xff
    elif proto == 'necx': A=sc>>16&0xff; nA=sc>>8&0xff; C=sc&0xff; nC=~C&0xff
    else: nA=sc>>24&0xff; A=sc>>16&0xff; nC=sc>>8&0xff; C=sc&0xff
    return lsb(A,8)+lsb(nA,8)+lsb(C,8)+lsb(nC,8)
def k_sanyo(sc):
    A = sc>>8 & 0x1fff; C = sc & 0xff
    return lsb(A,13)+lsb(~A&0x1fff,13)+lsb(C,8)+lsb(~C&0xff,8)
def k_sony(sc, n):
    C = sc & 0x7f; D = sc>>16 & (0xff if n==15 else 0x1f); E = sc>>8 & 0xff
    bits = lsb(C,7) + lsb(D, 8 if n==15 else 5)
    if n == 20: bits += lsb(E,8)
    return bits
def k_rc5(sc):
    S = sc>>8 & 0x1f; C = sc & 0x7f
    return [1, 0 if C & 0x40 else 1, 0] + msb(S,5) + msb(C & 0x3f, 6)
def k_rc6_0(sc):
    return [1,0,0,0,0] + msb(sc>>8 & 0xff, 8) + msb(sc & 0xff, 8)

def nec_norm(A,nA,C,nC):
    if (C ^ nC) != 0xff: return ('nec32', nA<<24|A<<16|nC<<8|C)
    if (A ^ nA) != 0xff: return ('necx', A<<16|nA<<8|C)
    return ('nec', A<<8|C)
def bytes_of(bits):
    return [sum(bits[8*i+j] << j for j in range(8)) for i in range(4)]

cases = []
for a,c in [(0x07,0x02),(0x04,0x08)]:
    p,sc = nec_norm(*bytes_of(f_nec(a,c)))
    cases.append(('NEC',a,c,p,sc,f_nec(a,c),k_nec(sc,p)))
for a,c in [(0x87EE,0xA05D),(0x1234,0xF40B)]:
    p,sc = nec_norm(*bytes_of(f_necext(a,c)))
    cases.append(('NECext',a,c,p,sc,f_necext(a,c),k_nec(sc,p)))
for a,c in [(0x1234,0x56),(0x1fff,0xff)]:
    sc = a<<8|c; cases.append(('NEC42',a,c,'sanyo',sc,f_nec42(a,c),k_sanyo(sc)))
# NEC42ext whose address and command are each a value and its complement:
# the address 0x1234 and the command 0x56 of sanyo.
a42 = 0x1234 | (~0x1234 & 0x1fff) << 13; c42 = 0x56 | (~0x56 & 0xff) << 8
cases.append(('NEC42ext',a42,c42,'sanyo',0x123456,f_nec42ext(a42,c42),k_sanyo(0x123456)))
for n,name,a,c in [(12,'SIRC',0x01,0x15),(15,'SIRC15',0x9a,0x15),(20,'SIRC20',0x1234,0x15)]:
    sc = {12: a<<16|c, 15: a<<16|c, 20: (a&0x1f)<<16 | (a>>5)<<8 | c}[n]
    cases.append((name,a,c,'sony%d'%n,sc,f_sirc(a,c,n),k_sony(sc,n)))
for name,a,c,x in [('RC5',0x1e,0x01,False),('RC5X',0x05,0x41,True),('RC5X',0x05,0x01,True)]:
    sc = a<<8 | (0x40 | (c & 0x3f) if x else c)
    cases.append((name,a,c,'rc5',sc,f_rc5(a,c,x),k_rc5(sc)))
# RC5 commands of 64 to 127, which Flipper's RC5 refuses: sent as its RC5X
# sends them, the second start bit 0 and the command's low 6 bits.
for a,c in [(0x1e,0x7f),(0x00,0x40)]:
    sc = a<<8 | c
    cases.append(('RC5',a,c,'rc5',sc,f_rc5(a,c,True),k_rc5(sc)))
cases.append(('RC6',0x04,0x0c,'rc6_0',0x40c,f_rc6(0x04,0x0c),k_rc6_0(0x40c)))
ok = True
for name,a,c,p,sc,f,k in cases:
    same = f == k
    ok &= same
    print(f"{name:7} address {a:#x} command {c:#x} -> {p}:{sc:#x} {'same bits' if same else 'DIFFERENT'}")
print("all same" if ok else "MISMATCH")

# --- Samsung32, Kaseikyo and RCA frames with Flipper's timings
def pdwm(header, mark, s0, s1, bits):
    out = list(header)
    for b in bits: out += [mark, s1 if b else s0]
    return out + [mark]
def samsung(a,c):
    return pdwm([4500,4500],550,550,1650, lsb(a | a<<8 | c<<16 | (~c&0xff)<<24, 32))
def kaseikyo(addr, cmd):
    id_ = addr>>24 & 3; vendor = addr>>8 & 0xffff; g1 = addr>>4 & 0xf; g2 = addr & 0xf
    d = [vendor & 0xff, vendor >> 8]
    par = d[0]^d[1]; par = (par & 0xf) ^ (par >> 4)
    d.append((par & 0xf) | g1<<4)
    d.append((g2 & 0xf) | (cmd & 0xf)<<4 & 0xff)
    d.append((id_<<6 | cmd>>4) & 0xff)
    d.append(d[2]^d[3]^d[4])
    bits = sum((lsb(x,8) for x in d), [])
    return pdwm([3456,1728],432,432,1296,bits)
def rca(a,c):
    # infrared_encoder_rca_reset: address, command, their complements
    return pdwm([4000,4000],500,1000,2000, lsb(a & 0xf | c<<4 | (~a&0xf)<<12 | (~c&0xff)<<16, 24))
def flipper_message(frame, silence, times):
    # Flipper's encoder: the frame (mark first), then silence and the frame
    # again; marks or spaces in a row are one on the air, and the message
    # ends with its last mark.
    levels = []
    for i in range(times):
        levels += ([(False, silence)] if i else []) + [(j % 2 == 0, d) for j, d in enumerate(frame)]
    out = []
    for mark, d in levels:
        if out and (len(out) % 2 == 1) == mark:
            out[-1] += d
        else:
            out.append(d)
    return out if len(out) % 2 else out[:-1]
def pioneer(a,c):
    # infrared_encoder_pioneer: 33 bits (the 33rd 0), each a mark and a space;
    # then INFRARED_PIONEER_SILENCE before the frame again; sent twice
    # (INFRARED_PIONEER_REPEAT_COUNT_MIN)
    bits = lsb(a | (~a&0xff)<<8 | c<<16 | (~c&0xff)<<24, 33)
    frame = [8500, 4225]
    for b in bits: frame += [500, 1500 if b else 500]
    return flipper_message(frame, 26000, 2)
def nec42ext_sanyo_timings(a,c):
    unit = 563
    return pdwm([16*unit, 8*unit], unit, unit, 3*unit, f_nec42ext(a,c))
print("Samsung32 07/02:", ' '.join(map(str,samsung(0x07,0x02))))
print("Kaseikyo 0x3254 10 / 0x0f3:", ' '.join(map(str,kaseikyo(0x325410, 0x0f3))))
print("RCA 0F/54:", ' '.join(map(str,rca(0x0f, 0x54))))
print("Pioneer AF/54:", ' '.join(map(str,pioneer(0xaf, 0x54))))
print("NEC42ext 0x2345678/0x9abc:", ' '.join(map(str,nec42ext_sanyo_timings(0x2345678, 0x9abc))))
