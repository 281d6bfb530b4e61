"""Reads the exports back as their own tools would, written from the formats'
published descriptions alone (never from Kestrel's code): Flipper's infrared
file format, python-broadlink's protocol.md, ESPHome's remote_transmitter and
Home Assistant's remote.send_command (through PyYAML), the Girr schema
(through ElementTree), rc_keymap(5) (through tomllib) and ir-ctl(1).

    read_exports.py FORMAT PATH

prints one line per code: name TAB carrier TAB durations (us, marks positive,
Broadlink's units of 269/8192 ms as they stand multiplied out), names in
Latin-1. A file that breaks its format ends the script with a message and
status 1.
"""
import base64
import json
import os
import sys
import tomllib
import xml.etree.ElementTree as ElementTree

import yaml


def fail(message):
    sys.exit(f"{sys.argv[2]}: {message}")


def pronto(text):
    words = [int(word, 16) for word in text.split()]
    period = words[1] * 0.241246
    return round(1e6 / period), [round(w * period) * (1 if i % 2 == 0 else -1)
                                 for i, w in enumerate(words[4:])]


def alternating(numbers):
    return [abs(n) if i % 2 == 0 else -abs(n) for i, n in enumerate(numbers)]


def broadlink(packet):
    """A Broadlink IR packet: 0x26, repeat, length (LE), durations, 0d 05."""
    if packet[0] != 0x26 or packet[1] != 0:
        fail("not an IR packet sent once")
    length = packet[2] | packet[3] << 8
    if length != len(packet) - 4 or packet[-2:] != b"\x0d\x05":
        fail("the length is not that of the encoded bytes, or no 0d 05 ends it")
    units, i = [], 4
    while i < len(packet):
        if packet[i] == 0:
            units.append(packet[i + 1] << 8 | packet[i + 2])
            i += 3
        else:
            units.append(packet[i])
            i += 1
    return 0, alternating([u * 269 * 1000 / 8192 for u in units])


def read(kind, path):
    if kind == "irctl":
        for name in sorted(os.listdir(path)):
            carrier, durations = 0, []
            for line in open(os.path.join(path, name), encoding="ascii"):
                word, value = line.split()
                if word == "carrier":
                    carrier = int(value)
                else:
                    durations.append(int(value) if word == "pulse" else -int(value))
            yield name, carrier, durations
        return
    if kind == "keymap":
        protocol = tomllib.load(open(path, "rb"))["protocols"][0]
        if protocol["protocol"] != "raw":
            fail("not a raw keymap")
        for entry in protocol.get("raw", []):
            yield entry["keycode"], 0, [int(n) for n in entry["raw"].split()]
        return
    text = open(path, encoding="utf-8").read()
    if kind == "flipper":
        lines = text.split("\n")
        if lines[:2] != ["Filetype: IR signals file", "Version: 1"]:
            fail("no Flipper header")
        for block in text.split("#\n")[1:]:
            fields = dict(line.split(": ", 1) for line in block.strip("\n").split("\n"))
            if fields["type"] != "raw" or fields["duty_cycle"] != "0.330000":
                fail("not a raw entry")
            data = [int(n) for n in fields["data"].split()]
            if len(data) > 1024 or not fields["name"].isascii():
                fail("breaks a limit of the format")
            yield fields["name"], int(fields["frequency"]), alternating(data)
    elif kind == "broadlink":
        for name, code in json.loads(text).items():
            yield (name, *broadlink(base64.b64decode(code)))
    elif kind == "homeassistant":
        for script in (yaml.safe_load(text) or {}).values():
            action = script["sequence"][0]
            if action["action"] != "remote.send_command":
                fail("no remote.send_command")
            yield (script["alias"], *broadlink(base64.b64decode(action["data"]["command"][4:])))
    elif kind == "esphome":
        for button in yaml.safe_load(text)["button"]:
            (action, fields), = button["on_press"][0].items()
            if action == "remote_transmitter.transmit_pronto":
                yield (button["name"], *pronto(fields["data"]))
            else:
                yield (button["name"], int(fields["carrier_frequency"].removesuffix("Hz")),
                       fields["code"])
    elif kind == "girr":
        ns = {"g": "http://www.harctoolbox.org/Girr"}
        for command in ElementTree.fromstring(text).iterfind(".//g:command", ns):
            raw = command.find("g:raw", ns)
            durations = []
            for part in raw:
                durations += [int(n) for n in part.text.split()]
            carrier, words = pronto(command.find("g:ccf", ns).text)
            if len(words) != len(durations) or any(
                    abs(a - b) > 1 for a, b in zip(words, durations)):
                fail(f"the ccf and raw forms of {command.get('name')} differ")
            yield command.get("name"), int(raw.get("frequency")), durations


out = "".join(f"{name}\t{carrier}\t{' '.join(str(round(d)) for d in durations)}\n"
              for name, carrier, durations in read(sys.argv[1], sys.argv[2]))
sys.stdout.buffer.write(out.encode("latin-1", "replace"))
