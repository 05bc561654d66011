#!/usr/bin/env python3
"""Writes the hand-built hostile inputs of this folder, one file per case.

Each file is named <what>_<symptom>.bin and must stay harmless: the replay test
(regression_replay_test.cpp) feeds every .bin here through the candidate tests,
whole scans, conversion, the quantiser and both writers. Inputs found by the
fuzzers are added next to these by hand (minimised), under the same naming.

Run from anywhere: python3 tests/regressions/make_hostile_inputs.py
"""
import os
import random
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def u32(v):
    return struct.pack('<I', v & 0xFFFFFFFF)


def u16(v):
    return struct.pack('<H', v & 0xFFFF)


def noise(n, seed):
    """Bytes that hold no candidate start (0x10 or 0x28)."""
    rng = random.Random(seed)
    return bytes(b ^ 1 if b in (0x10, 0x28) else b for b in (rng.randrange(256) for _ in range(n)))


def block(length, x, y, w, h):
    """A TIM block header: length, position, width and height."""
    return u32(length) + u16(x) + u16(y) + u16(w) + u16(h)


def tim(flag, first_block, rest=b''):
    return u32(0x10) + u32(flag) + first_block + rest


def bih(width, height, bits, clr_used=0, planes=1, compression=0):
    """A BITMAPINFOHEADER."""
    return (u32(40) + u32(width) + u32(height) + u16(planes) + u16(bits) + u32(compression) + u32(0) +
            u32(2835) + u32(2835) + u32(clr_used) + u32(0))


def indexed_image(width_field, height, pixel_bytes):
    return block(12 + pixel_bytes, 0, 0, width_field, height) + bytes((i * 37) & 0xFF for i in range(pixel_bytes))


CASES = {}


def case(name):
    def register(fn):
        CASES[name] = fn
        return fn
    return register


# --- TIM headers -----------------------------------------------------------

@case('tim_clut_length_below_header')
def _():
    # CLUT length 10: (10 - 12) / 2 = -1 entries, and a CLUT height of -1 matches
    # them; the image block header would start inside the CLUT header.
    return tim(8, block(10, 0, 0, 1, -1), indexed_image(4, 4, 32)) + noise(40, 1)


@case('tim_clut_length_negative')
def _():
    # CLUT length -20 at offset 100 puts the image block header 12 bytes before
    # the TIM; a plausible one waits there for a reader that follows the length.
    before = bytearray(noise(100, 2))
    before[88:100] = block(44, 0, 0, 4, 4)
    return bytes(before) + tim(8, block(-20, 0, 0, 16, -1)) + bytes(32)


@case('tim_clut_length_negative_at_start')
def _():
    # The same at the first byte of the file: the header would lie before the file.
    return tim(9, block(-8, 0, 0, 10, -1)) + noise(60, 3)


@case('tim_clut_length_past_lookahead')
def _():
    # Entries and width agree, but the image block lies gigabytes away; then a
    # second CLUT that ends 1.5 MB away, beyond any look-ahead of a small file.
    huge = 2 * 32767 * 32767 + 12
    return (tim(8, block(huge, 0, 0, 0x7FFF, 0x7FFF)) + noise(30, 4) +
            tim(9, block(1500000, 0, 0, 256, 2929)) + noise(30, 5))


@case('tim_palette_count_zero')
def _():
    # A 12-byte CLUT block: 0 entries, 16 colours wide, 0 palettes.
    return tim(9, block(12, 0, 0, 16, 0), indexed_image(2, 2, 8))


@case('tim_palette_count_negative')
def _():
    # 16 entries over a width of -16 give -1, which the height -1 matches.
    return tim(8, block(44, 0, 0, -16, -1), bytes(32) + indexed_image(1, 2, 4))


@case('tim_pixels_past_end_of_file')
def _():
    # A 64 x 64 16-bit TIM of 8,212 bytes cut off after 100.
    return tim(2, block(12 + 2 * 64 * 64, 0, 0, 64, 64), noise(80, 6))


@case('tim4_pixels_past_end_of_file')
def _():
    # A 4-bit TIM whose CLUT is complete but whose pixels stop after 3 bytes.
    return tim(8, block(44, 0, 0, 16, 1), bytes(range(32)) + block(12 + 32 * 32 // 2, 0, 0, 8, 32) + b'\x21\x43\x65')


@case('tim_largest_cut_off')
def _():
    # The largest accepted TIM, 640 x 480 at 16 bits, of which only the header exists.
    return tim(2, block(12 + 2 * 640 * 480, 0, 0, 640, 480))


@case('tim_cut_off_after_larger_hit')
def _():
    # A full 32 x 32 TIM, then a 16 x 16 one cut off after 40 bytes: the hit
    # buffer still holds the first TIM's pixels where the second one is missing.
    first = tim(2, block(12 + 2 * 32 * 32, 0, 0, 32, 32), bytes(0x7F - (i % 64) for i in range(2 * 32 * 32)))
    return first + tim(2, block(12 + 2 * 16 * 16, 0, 0, 16, 16), bytes(range(1, 21)))


# --- TIM headers the real-game rules judge -----------------------------------

@case('tim_wide_clut_of_two_gigabytes')
def _():
    # A 16-bit mode with a CLUT of 32767 x 32767 colours whose length says exactly
    # that (2,147,352,590 bytes): no CLUT lies outside video memory, none is read.
    return tim(0xA, block(12 + 2 * 32767 * 32767, 0, 0, 32767, 32767)) + indexed_image(4, 4, 32) + noise(40, 21)


@case('tim_wide_image_past_video_memory')
def _():
    # Flag bits above the mode, and images one word wider or one line taller
    # than video memory; then a CLUT and an image that each fit but not together.
    return (tim(0x12, block(12 + 2 * 1025 * 2, 0, 0, 1025, 2)) + noise(30, 22) +
            tim(0x5758, block(12 + 2 * 16, 0, 0, 16, 1), bytes(32) + block(12 + 2 * 4 * 513, 0, 0, 4, 513)) +
            noise(30, 23) +
            tim(0x48, block(12 + 2 * 1024, 0, 0, 1024, 1), bytes(2048) + block(12 + 2 * 1024 * 512, 0, 0, 1024, 512)) +
            noise(30, 24))


@case('tim_wide_block_lengths_off_by_one_and_three')
def _():
    # Image blocks 1, 3 and 4 bytes longer than their pixels, and 2 shorter.
    out = b''
    for extra in (1, 3, 4, -2):
        out += tim(2, block(12 + 2 * 4 * 4 + extra, 0, 0, 4, 4), bytes(2 * 4 * 4 + max(extra, 0))) + noise(9, 25)
    return out


@case('tim_wide_modes_without_pixels')
def _():
    # Modes 4 to 7 with a CLUT, and 4- and 8-bit modes without one, each with
    # blocks that would otherwise fit.
    out = b''
    for flag in (0xC, 0xD, 0xE, 0xF, 0x7C40, 0x5B21):
        clut = block(44, 0, 0, 16, 1) + bytes(32) if flag & 8 else b''
        out += tim(flag, clut + block(12 + 2 * 4 * 4, 0, 0, 4, 4), bytes(32)) + noise(11, 26)
    # A 24-bit width that splits a pixel (10 words hold 6 2/3 pixels).
    return out + tim(3, block(12 + 2 * 10 * 4, 0, 0, 10, 4), bytes(80)) + noise(11, 27)


@case('tim_wide_largest_cut_off')
def _():
    # The largest TIM the real-game rules accept, 1,024 x 512 at 16 bits with
    # 2 bytes more, of which only the header exists.
    return tim(2, block(14 + 2 * 1024 * 512, 0, 0, 1024, 512))


@case('noise_dense_wide_flag_words')
def _():
    # TIM ids followed by flag words with stray bits and half-plausible blocks
    # of random lengths: each one is tested and turned away.
    rng = random.Random(23)
    out = bytearray()
    while len(out) < 32768:
        flag = rng.choice([0x8, 0x9, 0xA, 0xB, 0x2, 0x3]) | (rng.randrange(1 << 12) << 4)
        w, h = rng.randrange(1, 1100), rng.randrange(1, 600)
        out += u32(0x10) + u32(flag) + block(rng.randrange(1 << 20), 0, 0, w, h) + bytes(rng.randrange(16))
    return bytes(out[:32768])


# --- bitmap headers --------------------------------------------------------

@case('bmp_clr_used_huge')
def _():
    return bih(4, 4, 8, clr_used=0xFFFFFFFF) + noise(200, 7)


@case('bmp_clr_used_wraps_32_bits')
def _():
    # 4 x biClrUsed is 2^32, which 32-bit arithmetic turns into no table at all.
    return bih(32, 2, 1, clr_used=0x40000000) + noise(40, 8)


@case('bmp_width_negative')
def _():
    return bih(-10, 10, 24) + noise(400, 9)


@case('bmp_width_negative_1bit')
def _():
    # -5 pixels at 1 bit rounds to a row of 4 bytes: the header is found, but no image.
    return bih(-5, 3, 1) + noise(8 + 12, 10)


@case('bmp_width_zero')
def _():
    return bih(0, 10, 8) + noise(1024, 11)


@case('bmp_height_zero')
def _():
    return bih(10, 0, 24) + noise(16, 12)


@case('bmp_top_down_one_row')
def _():
    return bih(7, -1, 24) + noise(24, 13)


@case('bmp_height_min_int')
def _():
    return bih(4, -0x80000000, 8) + noise(1100, 14)


@case('bmp_row_length_overflows_32_bits')
def _():
    # Row lengths of 6 GB (24 bits), 2 GB (8 bits) and 1 GB (4 bits): in 32-bit
    # arithmetic they wrap or turn negative.
    return (bih(0x7FFFFFFF, 1, 24) + noise(50, 15) + bih(0x7FFFFFFD, 1, 8) + bytes(1024) + noise(50, 16) +
            bih(0x7FFFFFFF, 1, 4) + bytes(64) + noise(50, 17))


@case('bmp_size_wraps_to_small')
def _():
    # 4 bytes x 2^30 rows is 2^32 bytes, and 3 x 0x55555556 is 2^32 + 2: both
    # wrap to a few bytes in 32 bits, which would make a bitmap that "fits".
    return bih(32, 0x40000000, 1) + noise(60, 18) + bih(0x55555556, 1, 24) + noise(60, 19)


@case('bmp_24bit_clr_used_not_shown')
def _():
    # A 24-bit bitmap with biClrUsed 5 and its 5 table entries before the pixels,
    # as Windows writes one. Sized without the table it was found, but its pixels
    # lay beyond the bytes read for it, so it never opened.
    return bih(4, 4, 24, clr_used=5) + noise(4 * 5, 20) + noise(12 * 4, 21)


# --- whole files ------------------------------------------------------------

@case('file_empty')
def _():
    return b''


@case('file_five_bytes_tim_id')
def _():
    return u32(0x10) + b'\x08'


@case('file_five_bytes_bitmap_size')
def _():
    return u32(40) + b'\x01'


@case('noise_dense_candidate_bytes')
def _():
    # Every few bytes a TIM id or a bitmap header size followed by zeros and
    # half-plausible fields: every one of them must be tested and turned away.
    rng = random.Random(22)
    out = bytearray()
    while len(out) < 32768:
        kind = rng.randrange(6)
        if kind == 0:
            out += u32(0x10) + u32(rng.choice([2, 3, 8, 9])) + bytes(rng.randrange(12))
        elif kind == 1:
            out += u32(0x10) + bytes(rng.randrange(8))
        elif kind == 2:
            out += u32(40) + bytes(8) + u16(1) + u16(rng.choice([1, 4, 8, 24])) + bytes(rng.randrange(24))
        elif kind == 3:
            out += bytes([0x10, 0, 0, 0, 0x28, 0, 0, 0])
        else:
            out += bytes(rng.choice([0x10, 0x28, 0]) for _ in range(rng.randrange(1, 9)))
    return bytes(out[:32768])


SYNC = bytes([0x00] + [0xFF] * 10 + [0x00])


def raw_sector(lba, mode, data=b'', submode=0x08):
    """A raw CD sector: sync, address, mode (and the Mode 2 subheader), user data, zero error correction."""
    head = SYNC + bytes([(lba >> 16) & 0xFF, (lba >> 8) & 0xFF, lba & 0xFF, mode & 0xFF])
    if mode == 2:
        head += bytes([0, 0, submode, 0]) * 2
    return (head + data).ljust(2352, b'\0')[:2352]


def small_tim():
    """A 4-bit TIM of 16 x 8 pixels: 128 bytes."""
    clut = block(44, 0, 0, 16, 1) + bytes(range(32))
    return tim(8, clut, indexed_image(4, 8, 64))


@case('raw_sync_with_garbage_modes')
def _():
    # Every sector has the sync pattern, none a mode of 1 or 2: no sector holds file data.
    return b''.join(raw_sector(i, 3 + i * 37, small_tim()) for i in range(20))


@case('raw_one_sector')
def _():
    return raw_sector(0, 2, small_tim())


@case('raw_one_byte')
def _():
    return b'\0'


@case('raw_truncated_last_sector')
def _():
    # The last sector ends inside the TIM it holds; the TIM is still found, cut off.
    return b''.join(raw_sector(i, 2, noise(2048, 40 + i)) for i in range(3)) + raw_sector(3, 2, small_tim())[:24 + 70]


@case('raw_truncated_inside_header')
def _():
    return raw_sector(0, 1, small_tim()) + SYNC + bytes([0, 0, 1, 2, 0, 0])


@case('raw_tim_across_form2_sectors')
def _():
    # A TIM whose CLUT and pixels straddle data sectors with Form 2 sectors between them.
    t = bytes(2048 - 30) + small_tim() + bytes(2048)
    return (raw_sector(0, 2, t[:2048]) + raw_sector(1, 2, noise(2324, 9), 0x64) + raw_sector(2, 2, t[2048:4096]) +
            raw_sector(3, 2, noise(2324, 10), 0x64))


# ISO 9660 trees. Each file holds the image's sectors from 16 on (the disc
# reader's fuzz target puts 16 zero sectors before them).
def both32(v):
    return u32(v) + struct.pack('>I', v & 0xFFFFFFFF)


def dir_record(name, lba, size, flags=0, su=b''):
    pad = b'\0' if len(name) % 2 == 0 else b''
    body = (both32(lba) + both32(size) + bytes(7) + bytes([flags, 0, 0]) + u16(1) + struct.pack('>H', 1) +
            bytes([len(name)]) + name + pad + su)
    return bytes([len(body) + 2, 0]) + body


def xa(attributes):
    return bytes(4) + struct.pack('>H', attributes) + b'XA' + bytes(6)


def folder(lba, parent, *records, size=2048):
    return dir_record(b'\0', lba, size, 2) + dir_record(b'\1', parent, 2048, 2) + b''.join(records)


def descriptor(kind, root_lba, root_size=2048, escape=b''):
    d = bytearray(2048)
    d[0] = kind
    d[1:7] = b'CD001\x01'
    d[88:88 + len(escape)] = escape
    r = dir_record(b'\0', root_lba, root_size, 2)
    d[156:156 + len(r)] = r
    return bytes(d)


def disc(sectors):
    """Sectors by LBA (16 and up) into one run, unnamed ones zero."""
    last = max(sectors)
    return b''.join(sectors.get(lba, b'').ljust(2048, b'\0') for lba in range(16, last + 1))


TERMINATOR = b'\xffCD001\x01'


@case('disc_directory_loop')
def _():
    # A folder whose child is its own parent again.
    return disc({16: descriptor(1, 18), 17: TERMINATOR, 18: folder(18, 18, dir_record(b'A', 19, 2048, 2)),
                 19: folder(19, 18, dir_record(b'BACK', 18, 2048, 2))})


@case('disc_record_past_sector')
def _():
    # Records up to near the sector's end, then one whose length runs past it.
    root = folder(18, 18)
    n = 0
    while len(root) < 2048 - 60:
        root += dir_record(b'F%03d.BIN;1' % n, 20, 100)
        n += 1
    last = bytearray(dir_record(b'LAST.BIN;1', 20, 100))
    last[0] = 250
    root = (root + last).ljust(2048, b'\0')[:2048]
    return disc({16: descriptor(1, 18), 17: TERMINATOR, 18: root, 20: noise(100, 1)})


@case('disc_extent_past_end')
def _():
    return disc({16: descriptor(1, 18), 17: TERMINATOR,
                 18: folder(18, 18, dir_record(b'FAR', 5000000, 2048, 2), dir_record(b'HUGE.BIN;1', 19, 0xFFFFFFFF))})


@case('disc_file_past_end')
def _():
    # A cut-off image: the file is still listed.
    return disc({16: descriptor(1, 18), 17: TERMINATOR, 18: folder(18, 18, dir_record(b'HUGE.BIN;1', 19, 0xFFFFFFF0))})


@case('disc_million_entries_claimed')
def _():
    # A root that claims 18,000 sectors of records (a million entries) in a tiny image.
    return disc({16: descriptor(1, 18, 18000 * 2048), 17: TERMINATOR,
                 18: folder(18, 18, *[dir_record(b'F%02d;1' % i, 19, 10) for i in range(50)])})


@case('disc_names_control_and_slash')
def _():
    names = [b'A/B;1', b'\x01\x1b[2J;1', b'..;1', b'.', b';1', b'\x7f\x80\xff']
    return disc({16: descriptor(1, 18), 17: TERMINATOR,
                 18: folder(18, 18, *[dir_record(n, 19, 10) for n in names]), 19: noise(10, 2)})


@case('disc_deeper_than_32')
def _():
    sectors = {16: descriptor(1, 18), 17: TERMINATOR}
    for level in range(40):
        lba = 18 + level
        sectors[lba] = folder(lba, max(18, lba - 1), dir_record(b'D%d' % level, lba + 1, 2048, 2))
    sectors[58] = folder(58, 57)
    return disc(sectors)


@case('disc_nine_levels_deep')
def _():
    sectors = {16: descriptor(1, 18), 17: TERMINATOR}
    for level in range(9):
        lba = 18 + level
        sectors[lba] = folder(lba, max(18, lba - 1), dir_record(b'D%d' % level, lba + 1, 2048, 2))
    sectors[27] = folder(27, 26, dir_record(b'DEEP.TIM;1', 28, 2048))
    sectors[28] = bytes(0x40) + small_tim()
    return disc(sectors)


@case('disc_no_terminator')
def _():
    # Descriptors and nothing to end them, 80 sectors of them.
    sectors = {lba: descriptor(1, 100) for lba in range(16, 96)}
    sectors[100] = folder(100, 100, dir_record(b'A.BIN;1', 101, 5))
    return disc(sectors)


@case('disc_multi_extent_and_xa')
def _():
    return disc({16: descriptor(1, 18), 17: TERMINATOR,
                 18: folder(18, 18, dir_record(b'BIG.BIN;1', 20, 4096, 0x80), dir_record(b'BIG.BIN;1', 30, 100),
                            dir_record(b'MOVIE.STR;1', 40, 4096, 0, xa(0x3000)),
                            dir_record(b'TRACK.DA;1', 50, 2048, 0, xa(0x4000))),
                 20: noise(4096, 3), 30: small_tim()})


@case('disc_joliet_broken_primary_whole')
def _():
    return disc({16: descriptor(1, 19), 17: descriptor(2, 4000000, escape=b'%/E'), 18: TERMINATOR,
                 19: folder(19, 19, dir_record(b'A.BIN;1', 20, 5))})


@case('disc_folder_two_parents')
def _():
    # Two folders list the same subfolder (no loop): it is read once, named by its first path.
    return disc({16: descriptor(1, 18), 17: TERMINATOR,
                 18: folder(18, 18, dir_record(b'A', 19, 2048, 2), dir_record(b'B', 20, 2048, 2)),
                 19: folder(19, 18, dir_record(b'SHARED', 21, 2048, 2)),
                 20: folder(20, 18, dir_record(b'SHARED', 21, 2048, 2)),
                 21: folder(21, 19, dir_record(b'X.TIM;1', 22, len(small_tim()))), 22: small_tim()})


@case('disc_bad_record_then_next_sector')
def _():
    # A two-sector root whose first sector ends in a record running past it: the
    # records before it and the whole next sector are still read.
    first = folder(18, 18)
    n = 0
    while len(first) < 2048 - 60:
        first += dir_record(b'A%03d.BIN;1' % n, 20, 10)
        n += 1
    last = bytearray(dir_record(b'LONG.BIN;1', 20, 10))
    last[0] = 250
    first = (first + last).ljust(2048, b'\0')[:2048]
    second = dir_record(b'B.BIN;1', 21, 10)
    return disc({16: descriptor(1, 18, 2 * 2048), 17: TERMINATOR, 18: first, 19: second,
                 20: noise(10, 4), 21: noise(10, 5)})


def main():
    for name, make in CASES.items():
        with open(os.path.join(HERE, name + '.bin'), 'wb') as f:
            f.write(make())
    print('wrote %d files' % len(CASES))


if __name__ == '__main__':
    main()
