"""Reference of the configuration line cipher, written independently of the C++ code.

Everything is computed here: the tables from pi (Machin's formula in integer arithmetic), the digest, the
128-bit block cipher, the block function on the Blowfish tables, the stream layer and base64.
"""
import base64

M = 0xFFFFFFFF


def pi_hex_words(count):
    """The first `count` words of eight fractional hexadecimal digits of pi."""
    digits = count * 8
    guard = 16
    one = 16 ** (digits + guard)

    def atan_inv(x):
        total = term = one // x
        n, sign = 1, -1
        while term:
            term //= x * x
            total += sign * (term // (2 * n + 1))
            sign, n = -sign, n + 1
        return total

    pi = 4 * (4 * atan_inv(5) - atan_inv(239))
    frac = (pi - 3 * one) >> (4 * guard)
    text = '%0*x' % (digits, frac)
    return [int(text[i * 8:i * 8 + 8], 16) for i in range(count)]


TABLE = pi_hex_words(18 + 4 * 256)
INIT_P = TABLE[:18]
INIT_S = [TABLE[18 + 256 * i:18 + 256 * (i + 1)] for i in range(4)]
DIGEST_BUFFER = b''.join(w.to_bytes(4, 'big') for w in TABLE[:64])


def mix(a, b, c, d):
    a = (a + d) & M; d = (d + a) & M; a ^= a >> 7
    b = (b + a) & M; a = (a + b) & M; b ^= (b << 13) & M
    c = (c + b) & M; b = (b + c) & M; c ^= c >> 17
    d = (d + c) & M; c = (c + d) & M; d ^= (d << 9) & M
    a = (a + d) & M; d = (d + a) & M; a ^= a >> 3
    b = (b + a) & M; a = (a + b) & M; b ^= (b << 7) & M
    c = (c + b) & M; b = (b + c) & M; c ^= d >> 15
    d = (d + c) & M; c = (c + d) & M; d ^= (d << 11) & M
    return a, b, c, d


def words_le(data):
    return [int.from_bytes(data[i:i + 4], 'little') for i in range(0, len(data), 4)]


def bytes_le(words):
    return b''.join(w.to_bytes(4, 'little') for w in words)


def block128_init(key, rounds, encrypt):
    rounds = max(4, min(16, rounds))
    k = words_le(key)
    pairs = []
    for s in (0x55555555, 0xAAAAAAAA, 0x33333333, 0xCCCCCCCC):
        a, b, c, d, e, f, g, h = k[0], s, k[1], s, k[2], s, k[3], s
        for _ in range(8):
            a ^= (b << 11) & M; d = (d + a) & M; b = (b + c) & M
            b ^= c >> 2; e = (e + b) & M; c = (c + d) & M
            c ^= (d << 8) & M; f = (f + c) & M; d = (d + e) & M
            d ^= e >> 16; g = (g + d) & M; e = (e + f) & M
            e ^= (f << 10) & M; h = (h + e) & M; f = (f + g) & M
            f ^= g >> 4; a = (a + f) & M; g = (g + h) & M
            g ^= (h << 8) & M; b = (b + g) & M; h = (h + a) & M
            h ^= a >> 9; c = (c + h) & M; a = (a + b) & M
        pairs += [(a, b), (c, d), (e, f), (g, h)]
    if not encrypt:
        pairs[:rounds] = pairs[:rounds][::-1]
    return rounds, pairs


def block128_crypt(ctx, block):
    rounds, pairs = ctx
    w = words_le(block)
    r, l = [w[0], w[1]], [w[2], w[3]]
    for i in range(rounds):
        k0, k1 = pairs[i]
        a, b, c, d = mix(r[0], k0, r[1], k1)
        a, c = c, a
        b, d = d, b
        a, b, c, d = mix(a, b, c, d)
        new = [l[0] ^ a ^ b, l[1] ^ c ^ d]
        l, r = r, new
    return bytes_le(l + r)


def digest(data, size):
    buf = bytearray(DIGEST_BUFFER)
    state = bytearray(bytes_le([0x55555555] * 4))
    bpos = spos = 0

    def feed(b):
        nonlocal bpos, spos, state
        buf[bpos] ^= b
        bpos = (bpos + 1) % 256
        state[spos] ^= b
        spos += 1
        if spos == 8:
            s = words_le(bytes(state))
            a, b2, c, d = s[3], s[2], s[1], s[0]
            for _ in range(4):
                a, b2, c, d = mix(a, b2, c, d)
            state = bytearray(bytes_le([a, b2, c, d]))
            spos = 0

    for b in data:
        feed(b)
    pad = bytes([1, 0, 0, 0, 0, 0, 0, 0])
    for b in pad[:8 - spos]:
        feed(b)
    ctx = block128_init(bytes(state), 8, True)
    out = b''.join(block128_crypt(ctx, bytes(buf[i:i + 16])) for i in range(0, 256, 16))
    return out[:min(256, size)]


def blowfish_f(s, x):
    return ((((s[0][x >> 24] + s[1][(x >> 16) & 0xFF]) & M) ^ s[2][(x >> 8) & 0xFF]) + s[3][x & 0xFF]) & M


def blowfish_block(ctx, block, encrypt):
    p, s = ctx
    x0, x1 = words_le(block)
    f0, f1 = blowfish_f(s, x0), blowfish_f(s, x1)
    if encrypt:
        x0 ^= p[0]
        for i in range(1, 16, 2):
            x1 ^= p[i] ^ f0
            x0 ^= p[i + 1] ^ f1
        x1 ^= p[17]
    else:
        x1 ^= p[17]
        for i in range(16, 1, -2):
            x0 ^= p[i] ^ f1
            x1 ^= p[i - 1] ^ f0
        x0 ^= p[0]
    return bytes_le([x0, x1])


def blowfish_init(key):
    p = list(INIT_P)
    s = [list(box) for box in INIT_S]
    k = 0
    for i in range(18):
        word = 0
        for _ in range(4):
            word = (word << 8) | key[k]
            k = (k + 1) % 16
        p[i] ^= word
    ctx = (p, s)
    block = bytes(8)
    targets = [(p, i) for i in range(0, 18, 2)] + [(box, i) for box in s for i in range(0, 256, 2)]
    for table, i in targets:
        block = blowfish_block(ctx, block, True)
        table[i], table[i + 1] = words_le(block)
    return ctx


_contexts = {}


def crypt_bytes(data, key, encrypt):
    """The stream layer over a whole byte string; raises ValueError where the library raises."""
    key = bytes(key)
    if key not in _contexts:
        _contexts[key] = blowfish_init(key)
    ctx = _contexts[key]
    n = len(data) // 8
    out = []
    if encrypt:
        for i in range(n):
            out.append(blowfish_block(ctx, data[8 * i:8 * i + 8], True))
        rest = data[8 * n:]
        last = rest + bytes(7 - len(rest)) + bytes([len(rest)])
        out.append(blowfish_block(ctx, last, True))
    else:
        if n == 0:
            raise ValueError('Invalid file format')
        for i in range(n - 1):
            out.append(blowfish_block(ctx, data[8 * i:8 * i + 8], False))
        last = blowfish_block(ctx, data[8 * (n - 1):8 * n], False)
        if last[7] > 7:
            raise ValueError('Invalid file format')
        out.append(last[:last[7]])
    return b''.join(out)


PASS_PHRASE = b'morvane cordaLIN'


def encipher_line(text, key=None):
    key = key or digest(PASS_PHRASE, 16)
    return base64.b64encode(crypt_bytes(text, key, True))


def decipher_line(line, key=None):
    key = key or digest(PASS_PHRASE, 16)
    return crypt_bytes(base64.b64decode(line, validate=True), key, False)
