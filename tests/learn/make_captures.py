#!/usr/bin/env python3
"""Makes the capture files in tests/learn/data from the golden codes.

Run once from anywhere; the files it writes are checked in:

    python3 tests/learn/make_captures.py

Every code comes from the golden files of kestrel-gen (the Gen ALL listings
of the three sample models and the remote buttons of requests.txt), and every
expected name from the caption the listing gives the code. Each code goes
through a receiver model:

  - the code sent two or three times, the gap between repeats 20-60 ms
    added to the code's final space;
  - the first frame joined late or the last one cut off (or neither);
  - every mark 50-200 us longer and every space as much shorter, with up to
    +-30 us of jitter, then counted in 50 us units;
  - one blip of noise: a 50 us mark inside a space or a 50 us space inside a
    mark;
  - no final space: the capture ends with the last mark.

and is written as LIRC mode2 text, ir-ctl text or a learned Pronto code at a
measured carrier. A few codes of other remotes (NEC, RC-5, Sony) and one of
the protocol with a device code no sample model has must get no entry.
"""

import os
import random
import re

HERE = os.path.dirname(os.path.abspath(__file__))
GOLDEN = os.path.join(HERE, "..", "programs", "kestrel-gen", "golden")
DATA = os.path.join(HERE, "data")
PRONTO_CLOCK = 0.241246  # us per unit of a Pronto frequency word


def micros(pronto):
    """The durations of a Pronto code in us, marks positive."""
    words = [int(w, 16) for w in pronto.split()]
    period = words[1] * PRONTO_CLOCK
    return [round(w * period) * (1 if i % 2 == 0 else -1) for i, w in enumerate(words[4:])]


def listing(model):
    """(expected name, code) of every sample of a model's Gen ALL listing."""
    lines = open(os.path.join(GOLDEN, "export_%s.txt" % model), encoding="latin-1").read().splitlines()
    samples = []
    for caption, code in zip(lines[0::2], lines[1::2]):
        ranged = re.match(r"IR Data For Command (.*)\(0x\w+/-?\d+\) \w+ of Range=(.*)", caption)
        if ranged:
            name = "%s = %s" % ranged.groups()
        else:
            name = re.match(r"IR Data For Command (.*?)  \(0x", caption).group(1)
        samples.append(("%s: %s" % (model, name), code))
    return samples


def remote_codes():
    """The golden remote codes, and the other buttons of Tessel10 made from
    Menu's code by changing its function byte and its complement."""
    text = open(os.path.join(GOLDEN, "requests.txt"), encoding="latin-1").read()
    menu = re.search(r"\[remote\] \[Tessel10\] \[Menu\]\n(.*)\n", text).group(1)
    film = re.search(r"\[remote\] \[Tessel20\] \[Film\]\n(.*)\n", text).group(1)
    codes = [("Tessel10: remote Menu", menu), ("Tessel20: remote Film", film)]
    words = menu.split()
    for button, value in (("Up", 6), ("Down", 7), ("Enter", 10), ("Power Toggle", 12)):
        edited = list(words)
        for bit in range(8):  # f:8 then -f:8, least significant bit first
            one = (value >> bit) & 1
            edited[4 + 2 * (1 + 16 + bit) + 1] = "0041" if one else "0015"
            edited[4 + 2 * (1 + 24 + bit) + 1] = "0015" if one else "0041"
        codes.append(("Tessel10: remote " + button, " ".join(edited)))
    return codes


def discrete_code(template, device, value):
    """The golden discrete code template with another device byte and value
    character and the checksum byte (their sum) to match: [2600 -2600], D:8,
    V:8, E:8, [1760 -1760 560 -25], least significant bit first."""
    words = template.split()
    for field, byte in enumerate((device, value, (device + value) & 255)):
        for bit in range(8):
            words[4 + 2 * (1 + 8 * field + bit) + 1] = "0041" if (byte >> bit) & 1 else "0015"
    return " ".join(words)


def foreign_codes():
    """Remotes of other makers: NEC (address 4, command 8), RC-5 (address 0,
    command 12) and Sony 12-bit (address 1, command 21)."""
    nec = [9000, -4500]
    for byte in (0x04, 0xFB, 0x08, 0xF7):
        for bit in range(8):
            nec += [560, -1690 if (byte >> bit) & 1 else -560]
    nec += [560, -40000]
    rc5 = []
    level = 0
    for bit in [1, 1, 0] + [0] * 5 + [0, 0, 1, 1, 0, 0]:
        halves = (-889, 889) if bit else (889, -889)
        for h in halves:
            if rc5 and (rc5[-1] > 0) == (h > 0):
                rc5[-1] += h
            else:
                rc5.append(h)
    if rc5[0] < 0:
        rc5 = rc5[1:]
    rc5.append(-90000)
    sony = [2400, -600]
    for bit in [1, 0, 1, 0, 1, 0, 0] + [1, 0, 0, 0, 0]:
        sony += [1200 if bit else 600, -600]
    sony[-1] = -25000
    return [("none", nec), ("none", rc5), ("none", sony)]


def receive(durations, rng):
    """What a receiver hears of a press that sends durations two or three
    times, as the module's docstring describes."""
    frame = durations[:-1]
    gap = abs(durations[-1]) + rng.randint(20000, 60000)
    copies = rng.choice((2, 3))
    signal = []
    for k in range(copies):
        signal += frame + ([-gap] if k + 1 < copies else [])
    cut = rng.choice(("first", "last", "none"))
    if cut == "first":
        start = rng.randrange(2, len(frame) - 2, 2)  # joined at a mark
        signal = signal[start:]
    elif cut == "last":
        keep = rng.randrange(len(signal) - len(frame) + 4, len(signal) - 2, 2)
        signal = signal[: keep + 1]  # ends with a mark
    excess = rng.randint(50, 200)
    heard = []
    for d in signal:
        d += excess  # a mark longer, a space (negative) shorter
        d += rng.randint(-30, 30)
        units = max(1, round(abs(d) / 50))
        heard.append(units * 50 * (1 if d > 0 else -1))
    inside = [i for i, d in enumerate(heard) if 300 < abs(d) < 10000 and 0 < i < len(heard) - 1]
    i = rng.choice(inside)
    cut_at = rng.randrange(1, abs(heard[i]) // 50) * 50
    sign = 1 if heard[i] > 0 else -1
    heard[i : i + 1] = [sign * cut_at, -sign * 50, sign * (abs(heard[i]) - cut_at)]
    return heard


def write_mode2(path, captures, rng):
    lines = ["Using driver default on device /dev/lirc0", "Trying device: /dev/lirc0",
             "Using device: /dev/lirc0", "space 16777215"]
    for heard, carrier in captures:
        if carrier:
            lines.append("carrier %d" % carrier)
        lines += ["pulse %d" % d if d > 0 else "space %d" % -d for d in heard]
        lines.append("timeout %d" % rng.randint(30000, 125000))
    open(path, "w").write("\n".join(lines) + "\n")


def write_irctl(path, captures, rng):
    lines = []
    for heard, carrier in captures:
        text = " ".join("+%d" % d if d > 0 else "-%d" % -d for d in heard)
        timeout = rng.randint(30000, 125000)
        if carrier:
            lines.append("%s # carrier %dHz, timeout %d" % (text, carrier, timeout))
        else:
            lines.append("%s # timeout %d" % (text, timeout))
    open(path, "w").write("\n".join(lines) + "\n")


def write_pronto(path, captures, rng):
    lines = []
    for n, (heard, carrier) in enumerate(captures, 1):
        carrier = carrier or rng.randint(37500, 39000)
        word = round(1000000 / (carrier * PRONTO_CLOCK))
        period = word * PRONTO_CLOCK
        cycles = [max(1, round(abs(d) / period)) for d in heard] + [round(30000 / period)]
        if n % 3 == 0:
            lines.append("Learned code %d" % n)
        lines.append(" ".join("%04X" % w for w in [0, word, len(cycles) // 2, 0] + cycles))
    open(path, "w").write("\r\n".join(lines) + "\r\n")


def main():
    rng = random.Random(17)
    codes = listing("Tessel10") + listing("Tessel20") + listing("Vorta") + remote_codes()
    power_on = codes[1][1]
    named = [(name, micros(code)) for name, code in codes]
    named.append(("none", micros(discrete_code(power_on, 0x99, ord("1")))))
    named += foreign_codes()
    writers = (("receiver.mode2", write_mode2), ("receiver.irctl", write_irctl),
               ("receiver.pronto", write_pronto))
    files = {name: [] for name, _ in writers}
    expected = []
    for n, (name, durations) in enumerate(named):
        file_name = writers[n % len(writers)][0]
        carrier = rng.choice((0, rng.randint(37000, 39500)))
        files[file_name].append((receive(durations, rng), carrier))
        expected.append("%s\t%d\t%s" % (file_name, len(files[file_name]), name))
    os.makedirs(DATA, exist_ok=True)
    for file_name, write in writers:
        write(os.path.join(DATA, file_name), files[file_name], rng)
    with open(os.path.join(DATA, "receiver_names.tsv"), "w", encoding="latin-1") as out:
        out.write("# FILE, CAPTURE (from 1), the entry its code must be named (none: no entry);\n"
                  "# made by make_captures.py\n")
        out.write("\n".join(expected) + "\n")


if __name__ == "__main__":
    main()
