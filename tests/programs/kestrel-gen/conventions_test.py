"""kestrel-gen and hex2ccf as a user meets them from outside the project:
their messages and exit statuses, what their outputs leave of FIFOs, links
and device nodes, check's warnings, the JSON listings read back by Python,
the bash completion, send's new options through the simulated driver, and
the manual page's list of commands against the command table.

Run by CTest: conventions_test.py PROGRAM_DIR SOURCE_DIR
"""

import json
import os
import re
import stat
import subprocess
import sys
import tempfile
import threading
import unittest

PROGRAMS, SOURCE = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
GEN = os.path.join(PROGRAMS, "kestrel-gen")
HEX2CCF = os.path.join(PROGRAMS, "hex2ccf")
DEVICES = os.path.join(SOURCE, "devices")
COMPLETION = os.path.join(SOURCE, "packaging", "completion", "kestrel-gen.bash")


def run(args, stdin=b"", env=None, cwd=None):
    return subprocess.run([GEN] + args, input=stdin, capture_output=True, env=env, cwd=cwd)


class Conventions(unittest.TestCase):
    def setUp(self):
        self.scratch = tempfile.TemporaryDirectory()
        self.dir = self.scratch.name

    def tearDown(self):
        self.scratch.cleanup()

    def path(self, name):
        return os.path.join(self.dir, name)

    def test_messages_and_statuses(self):
        # args, exit status, a pattern standard error must match whole
        rows = [
            ("unknown command", ["expotr"], 2,
             r"kestrel-gen: 'expotr' is not a command; did you mean 'export'\? "
             r"See 'kestrel-gen --help'\.\n"),
            ("-V", ["-V"], 0, r""),
            ("-d", ["models", "-d", DEVICES], 0, r""),
            ("missing -o", ["plot", "--pronto", "x"], 2,
             r"kestrel-gen: plot needs -o FILE .*\nusage: (.|\n)*"),
            ("bad kind", ["manual", "1", "2", "--kind", "Z"], 2,
             r"kestrel-gen: --kind takes A, D, H or V, not 'Z'\nusage: .*\n"),
            ("pronto kind", ["pronto", "discrete", "1", "1", "Q"], 2,
             r"kestrel-gen: KIND takes A, D, H or V, not 'Q'\n(usage: |       ).*\n.*\n"),
            ("unknown form", ["pronto", "bogus", "1", "1", "V"], 1,
             r"kestrel-gen: The form 'bogus' makes no duration.*\n"),
            ("refused", ["code", "Tessel10", "Power", "Maybe", "-d", DEVICES], 1,
             r"kestrel-gen: The command Power has no value labelled 'Maybe'.*\n"),
            ("jpg", ["plot", "--pronto", "x", "-o", self.path("x.jpg")], 2,
             r"kestrel-gen: the file .* ends neither in \.png nor in \.svg.*\n(.|\n)*"),
        ]
        for name, args, status, err in rows:
            with self.subTest(name):
                r = run(args)
                self.assertEqual(r.returncode, status, r.stderr)
                self.assertRegex(r.stderr.decode(), "^" + err + "$")
        self.assertRegex(run(["-V"]).stdout.decode(), r"^kestrel-gen \d+\.\d+\.\d+\n$")
        r = subprocess.run([HEX2CCF, self.path("missing.hex"), self.path("x.ccf")],
                           capture_output=True)
        self.assertEqual(r.returncode, 1)
        self.assertTrue(r.stderr.startswith(b"hex2ccf: "), r.stderr)

    def test_a_full_standard_output_fails(self):
        for args in (["code", "Tessel10", "Power", "On", "-d", DEVICES], ["models", "-d", DEVICES],
                     ["show", "Tessel10", "-d", DEVICES], ["--help"],
                     ["export", "Tessel10", "-", "--format", "csv", "-d", DEVICES]):
            with self.subTest(args[0]), open("/dev/full", "wb") as full:
                r = subprocess.run([GEN] + args, stdout=full, stderr=subprocess.PIPE)
                self.assertEqual(r.returncode, 1)
                self.assertIn(b"No space left on device", r.stderr)

    def test_dash_and_names_of_stdout_are_the_stream(self):
        r = run(["export", "Tessel10", "-", "--format", "json", "-d", DEVICES])
        self.assertEqual(json.loads(r.stdout)["model"], "Tessel10")
        self.assertTrue(run(["plot", "--pronto", self.code(), "-o", "-"]).stdout
                        .startswith(b"\x89PNG"))
        # A name of the standard output (here a link in the scratch folder to
        # /proc/self/fd/1, as /dev/stdout is one) is the stream: what came
        # before on it stays.
        os.symlink("/proc/self/fd/1", self.path("stdout"))
        with open(self.path("out.csv"), "wb") as out:
            out.write(b"header\n")
            out.flush()
            subprocess.run([GEN, "export", "Tessel10", self.path("stdout"), "--format", "csv",
                            "-d", DEVICES], stdout=out, check=True)
        with open(self.path("out.csv"), "rb") as written:
            self.assertTrue(written.read().startswith(b"header\ncaption,"))

    def code(self):
        return run(["code", "Tessel10", "Power", "On", "-d", DEVICES]).stdout.decode().strip()

    def test_what_outputs_leave_of_fifos_links_and_nodes(self):
        target = self.path("target.json")
        with open(target, "w") as old:
            old.write("old")
        os.chmod(target, 0o640)
        os.symlink("target.json", self.path("link.json"))
        r = run(["export", "Tessel10", self.path("link.json"), "--format", "json", "-d", DEVICES])
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertTrue(os.path.islink(self.path("link.json")))
        self.assertEqual(stat.S_IMODE(os.stat(target).st_mode), 0o640)
        with open(target) as written:
            self.assertEqual(json.load(written)["model"], "Tessel10")

        # A .ccf export and hex2ccf follow a link too.
        open(self.path("real.ccf"), "w").close()
        os.symlink("real.ccf", self.path("codes.ccf"))
        r = run(["export", "Tessel10", self.path("codes.ccf"), "-d", DEVICES])
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertTrue(os.path.islink(self.path("codes.ccf")))
        self.assertGreater(os.path.getsize(self.path("real.ccf")), 72)
        said = r.stderr.decode().splitlines()
        self.assertEqual(said, ["kestrel-gen: wrote '%s' (the button listing)" % self.path("real.txt"),
                                "kestrel-gen: wrote '%s' (the Pronto hex file for the converter)"
                                % self.path("Temp$$.hex"),
                                "kestrel-gen: hex2ccf wrote '%s'" % self.path("real.ccf")])
        r = run(["export", "Tessel10", self.path("real.ccf"), "-d", DEVICES])
        self.assertEqual(r.returncode, 1)
        self.assertIn(b"give --force", r.stderr)
        # The converter's input is rewritten by every run; only the listing is kept.
        os.remove(self.path("real.txt"))
        r = run(["export", "Tessel10", self.path("real.ccf"), "-d", DEVICES])
        self.assertEqual(r.returncode, 0, r.stderr)

        # A FIFO with a reader gets the bytes and stays a FIFO.
        fifo = self.path("plot.svg")
        os.mkfifo(fifo)
        got = []
        def read():
            with open(fifo, "rb") as pipe:
                got.append(pipe.read())
        reader = threading.Thread(target=read)
        reader.start()
        r = run(["plot", "--pronto", self.code(), "-o", fifo])
        reader.join()
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertTrue(stat.S_ISFIFO(os.stat(fifo).st_mode))
        self.assertIn(b"<svg", got[0])
        self.assertIn(b'viewBox="0 0 1000 260"', got[0])

        # A directory is refused; a CCF export, which writes files beside
        # FILE, refuses anything but a regular file and leaves nothing.
        r = run(["export", "Tessel10", self.dir, "--format", "csv", "-d", DEVICES])
        self.assertEqual(r.returncode, 1)
        self.assertIn(b"Is a directory", r.stderr)
        os.mkfifo(self.path("pipe.ccf"))
        r = run(["export", "Tessel10", self.path("pipe.ccf"), "--format", "ccf", "-d", DEVICES])
        self.assertEqual(r.returncode, 1)
        self.assertIn(b"is no regular file", r.stderr)
        self.assertTrue(stat.S_ISFIFO(os.stat(self.path("pipe.ccf")).st_mode))
        self.assertFalse(os.path.exists(self.path("pipe.txt")))

        # A device node made here (as root only) is written in place.
        if os.geteuid() == 0:
            node = self.path("null")
            os.mknod(node, 0o666 | stat.S_IFCHR, os.makedev(1, 3))
            r = run(["export", "Tessel10", node, "--format", "lircd", "-d", DEVICES])
            self.assertEqual(r.returncode, 0, r.stderr)
            self.assertTrue(stat.S_ISCHR(os.stat(node).st_mode))
            r = subprocess.run([HEX2CCF, os.path.join(SOURCE, "tests/programs/hex2ccf/data/small.hex"),
                                node], capture_output=True)
            self.assertEqual(r.returncode, 0, r.stderr)
            self.assertTrue(stat.S_ISCHR(os.stat(node).st_mode))
        self.assertTrue(stat.S_ISCHR(os.stat("/dev/full").st_mode))
        self.assertEqual([n for n in os.listdir(self.dir) if n.endswith(".tmp")], [])

    def test_check_warns_with_file_and_line(self):
        faults = [
            ("Power = 1A2; Enumeration; (0)Off, (1)On",
             'the function code "1A2" is not one or two hexadecimal digits'),
            ("Bad = 1G; Query", 'the function code "1G" is not one or two hexadecimal digits'),
            ("Items = 11; Enumeration; Off, (1)On", 'the enumeration item "Off" is not'),
            ("Level = 12; Integer; 100..0", 'the range "100..0" runs backwards'),
            ("Items = 13; Query", 'the command "Items" of line 8 is defined again'),
            ("[REMOTECODES]", None),
            ("Menu = 300", 'the remote code "300" is not a whole number from 0 to 255; it sends 44'),
            ("Up = -1", "it sends 255"),
            ("Down = abc", "it sends 0"),
            ("Menu = 5", 'the button "Menu" of line 12 is defined again'),
        ]
        lines = ["[SYSTEM]", "MODEL = Faulty", "ALLOWMANUAL = yes", "Colour = red", "[COMMANDS]"]
        lines += [line for line, _ in faults]
        device = self.path("FaultyIR.ini")
        with open(device, "w") as out:
            out.write("\r\n".join(lines) + "\r\n")
        r = run(["check", device])
        self.assertEqual(r.returncode, 0, r.stderr)
        said = r.stdout.decode()
        self.assertIn(device + ':3: warning: ALLOWMANUAL "yes" is neither TRUE nor FALSE', said)
        for number, (_, warning) in enumerate(faults, start=6):
            if warning:
                self.assertRegex(said, re.escape("%s:%d: warning: " % (device, number)) + ".*" +
                                 re.escape(warning))
        self.assertEqual(run(["check", device, "--strict"]).returncode, 1)
        # The sample models give no warning.
        for model in ("Tessel10", "Tessel20", "Vorta"):
            self.assertNotIn(b"warning:", run(["check", model, "-d", DEVICES]).stdout)

        # A note that repeats for every sample comes once, with its count.
        r = run(["export", "Faulty", self.path("x.txt"), "-d", self.dir])
        self.assertEqual(r.stderr.decode(),
                         "kestrel-gen: Illegal call to Hex2Int with value 1A2 (4 times)\n")

    def test_json_listings(self):
        models = json.loads(run(["models", "--json", "-d", DEVICES]).stdout)["models"]
        self.assertEqual(sorted(m["name"] for m in models), ["Tessel10", "Tessel20", "Vorta"])
        self.assertTrue(all(m["folder"] == DEVICES for m in models))
        shown = json.loads(run(["show", "Tessel10", "--json", "-d", DEVICES]).stdout)
        self.assertEqual((shown["model"], shown["firmware"], shown["manualAllowed"]),
                         ("Tessel10", "2.1", True))
        commands = {c["name"]: c for c in shown["commands"]}
        self.assertEqual(commands["Power"]["functionCode"], {"hex": "10", "decimal": 16})
        self.assertEqual(commands["Power"]["values"], [{"code": 0, "label": "Off"},
                                                       {"code": 1, "label": "On"}])
        self.assertEqual(commands["Brightness"]["range"], {"min": "0", "max": "100",
                                                           "integer": True})
        self.assertIsNone(commands["Status"]["values"])
        self.assertEqual(shown["remoteButtons"][0], {"name": "Menu", "code": "5"})
        latin = json.loads(run(["show", "Tessel20", "--json", "-d", DEVICES]).stdout)
        self.assertIn("Cinéma", [v["label"] for c in latin["commands"] if c["values"]
                                 for v in c["values"]])

    def complete(self, line):
        script = ('source "$1"; COMP_LINE=$2; COMP_POINT=${#2}; read -ra COMP_WORDS <<< "$2"; '
                  '[[ $2 == *" " ]] && COMP_WORDS+=(""); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); '
                  'COMP_WORDS[0]="$3"; _kestrel_gen; printf "%s\\n" "${COMPREPLY[@]}"')
        r = subprocess.run(["bash", "-c", script, "bash", COMPLETION, line, GEN],
                           capture_output=True, check=True)
        return r.stdout.decode().splitlines()

    def test_bash_completion(self):
        with open(self.path("Living RoomIR.ini"), "w") as out:
            out.write('[COMMANDS]\nPicture Mode = 13; Enumeration; (0)"Cinema, warm", (1)Vivid\n'

                      "[REMOTECODES]\nPower Toggle = 12\n")
        d = self.dir.replace(" ", "\\ ")
        rows = [
            ("kestrel-gen ex", ["export"]),
            ("kestrel-gen check --st", ["--strict"]),
            ("kestrel-gen code -d %s Liv" % d, ["Living\\ Room"]),
            ("kestrel-gen code -d %s 'Living Room' P" % d, ["Picture\\ Mode"]),
            ("kestrel-gen code -d %s Living\\ Room Picture\\ Mode " % d, ["Cinema,\\ warm", "Vivid"]),
            ("kestrel-gen send --remote -d %s 'Living Room' " % d, ["Power\\ Toggle"]),
            ("kestrel-gen manual 1 2 --kind ", ["A", "D", "H", "V"]),
            ("kestrel-gen help sh", ["show"]),
            ("kestrel-gen code Tessel10 Aspect 4", ["4:3"]),
        ]
        for line, expected in rows:
            with self.subTest(line):
                self.assertEqual(self.complete(line), expected)

    def test_send_repeats_gaps_and_reads_standard_input(self):
        log = self.path("sim.log")
        env = dict(os.environ, KESTREL_UUIRT_LIBRARY=os.path.join(PROGRAMS,
                                                                "libkestrel-sim-uuirt.so"),
                   KESTREL_SIM_LOG=log)
        code = self.code()
        lines = ("%s\n\ndiscrete\t16\t1\tD\n" % code).encode()
        r = run(["send", "-", "--repeat", "2", "--gap", "10"], stdin=lines, env=env)
        self.assertEqual(r.returncode, 0, r.stderr)
        printed = r.stdout.decode().splitlines()
        self.assertEqual(printed[0], code)
        with open(log) as sent:
            codes = [l.split("code=")[1] for l in sent.read().splitlines() if "code=" in l]
        self.assertEqual(codes, [printed[0], printed[0], printed[1], printed[1]])
        os.remove(log)
        r = run(["send", "Tessel10", "Power", "On", "-d", DEVICES, "--dry-run"], env=env)
        self.assertEqual((r.returncode, r.stdout.decode().strip()), (0, code))
        self.assertFalse(os.path.exists(log))
        r = run(["send", "-"], stdin=b"0000 zz\n", env=env)
        self.assertEqual(r.returncode, 1)
        self.assertTrue(r.stderr.startswith(b"kestrel-gen: line 1: not a Pronto code"))
        self.assertEqual(run(["send", "-", "--repeat", "0"]).returncode, 2)

    def test_manual_page_lists_the_table_commands(self):
        table = run(["__complete", "bash", "kestrel-gen "]).stdout.decode().split()[1:]
        with open(os.path.join(SOURCE, "docs", "man", "kestrel-gen.1")) as page:
            text = page.read()
        section = text.split(".SH COMMANDS\n")[1].split("\n.SH ")[0].splitlines()
        listed, depth = [], 0
        for at, line in enumerate(section):
            depth += (line == ".RS") - (line == ".RE")
            if depth == 0 and line in (".TP", ".TQ"):
                name = re.match(r'\.B[IR]? "?([a-z]+)', section[at + 1]).group(1)
                if name not in listed:
                    listed.append(name)
        self.assertEqual(listed, table)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
