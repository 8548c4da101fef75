#!/usr/bin/env python3
"""The vexa program against the virtual reader: exit statuses, the error
line, text and JSON output, and changes that later commands read back.

    cli_e2e.py --vexa BUILD/vexa [--runner WRAPPER] [--demo scripts/demo.sh]

Each case runs the program on the virtual reader's default field; the cases
of a sequence share one field file (VEXA_SIM_FIELD, VEXA_SIM_PERSIST), so a
write shows in the read after it. With --demo the demo script is run too.
"""
import argparse
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

GREETING = "Hello from vexa!".encode().hex().upper()
UID = "E004015012345678"
SELECT_APP = "00A4040006F07665786101"
READ_BINARY = "00B0000010"
USAGE, FAILED = 2, 1


def case(args, status=0, out=(), err=None, check=None):
    """args: the command line; out: texts stdout must hold; err: a pattern
    the one stderr line must match; check: a test of the parsed JSON."""
    return {"args": args, "status": status, "out": out, "err": err, "check": check}


SINGLE = [
    case(["scan"], out=["Type A: 3 cards", "04 5C 8A 1A 2B 3C 80", "Ultralight", "Type B: 1 card",
                        "01 23 45 67 89 AB CD EF", "ISO/IEC 15693: 1 tag", "E0 04 01 50 12 34 56 78"]),
    case(["--json", "scan"], check=lambda j: j["ok"] and len(j["type_a"]["cards"]) == 3
         and j["type_a"]["ultralight_uid"] == "045C8A1A2B3C80"
         and j["type_b"]["cards"][0]["id_serial"] == "0123456789ABCDEF"
         and j["iso15693"]["tags"][0]["system_info"]["blocks"] == 28),
    case(["library", "--json"], check=lambda j: j["GetRecData"]["code"] == 0 and j["functions"] == 42),
    case(["reader", "version"], out=["VEXA virtual reader 1.0"]),
    case(["--json", "reader", "serial"], check=lambda j: j["serial"] == "5658415600000001"),
    case(["reader", "led", "--ms", "100", "--times", "2"], out=["LED: 2 x 100 ms"]),
    case(["reader", "buzzer"], out=["buzzer: 1 x 100 ms"]),
    case(["reader", "speed", "115200"], out=["115200 baud"]),
    case(["reader", "speed", "code:9"], FAILED, err=r"SetBandrate returned 1: .*refused a parameter \(detail 0x88\)"),
    case(["reader", "led", "--ms", "15"], USAGE, err=r"not a multiple of 10 ms"),
    case(["--json", "typea", "serial"], check=lambda j: j["serial"] == "3A7F01C4" and j["answering"] == 3),
    case(["--json", "typea", "activate"], check=lambda j: j["uid"] == "3A7F01C4"),
    case(["--json", "typea", "apdu", SELECT_APP], check=lambda j: j["card"] == "08123456"
         and j["exchanges"][0]["sw"] == "9000"),
    case(["--json", "mf", "read", "1"], check=lambda j: j["serial"] == "3A7F01C4"
         and j["blocks"][0]["data"] == GREETING),
    case(["mf", "read", "0", "-n", "4"], out=["Hello from vexa!", "manufacturer", "trailer"]),
    case(["mf", "read", "4", "-k", "000000000000"], FAILED,
         err=r"^vexa mf read: MF_Read returned 1: .*authentication failed \(wrong key\?\) \(detail 0x82\)$"),
    case(["mf", "read", "64"], USAGE, err=r"block 64 is out of range for a 1k card \(0 to 63\)"),
    case(["mf", "read", "4", "-k", "FFFFFFFFFF"], USAGE, err=r"key must be 6 bytes \(12 hex digits\), got 5"),
    case(["mf", "read", "4", "-k", "FFFFFFFFFFF"], USAGE, err=r"odd number of hex digits"),
    case(["--json", "mf", "dump"], check=lambda j: j["readable_sectors"] == 16
         and j["sectors"][1]["blocks"][0]["kind"] == "value" and j["sectors"][1]["blocks"][0]["value"] == 100),
    case(["mf", "dump", "-k", "A0A1A2A3A4A5"], FAILED, err=r"opens no sector"),
    case(["--json", "mf", "value", "show", "4"], check=lambda j: j["value"] == 100),
    case(["mf", "value", "show", "5"], FAILED, err=r"block 5 does not hold a value block"),
    case(["--json", "ul", "request"], check=lambda j: j["uid"] == "045C8A1A2B3C80"),
    case(["ul", "read", "4"], out=["Hell", "exa!"]),
    case(["ul", "write", "1", "00000000"], FAILED, err=r"UL_HLWrite returned 1"),
    case(["--json", "typeb", "request"], check=lambda j: j["pupi"] == "1B2C3D4E"),
    case(["--json", "typeb", "idserial"], check=lambda j: j["serial"] == "0123456789ABCDEF"),
    case(["--json", "typeb", "apdu", SELECT_APP, READ_BINARY],
         check=lambda j: j["exchanges"][1]["data"] == GREETING and j["exchanges"][1]["sw"] == "9000"),
    case(["typeb", "apdu", "00A4"], USAGE, err=r"APDU must be 4 to 249 bytes, got 2"),
    case(["--json", "iso15693", "inventory"], check=lambda j: [t["uid"] for t in j["tags"]] == [UID]),
    case(["--json", "15693", "read", "0", "-n", "4"],
         check=lambda j: "".join(b["data"] for b in j["blocks"]) == GREETING),
    case(["--json", "15693", "sysinfo", "--uid", UID],
         check=lambda j: j["blocks"] == 28 and j["block_size"] == 4 and j["ic_reference"] == "0x01"),
    case(["15693", "sysinfo", "--uid", "E0040150FFFFFFFF"], FAILED,
         err=r"ISO15693_GetSysInfo returned 5: .*no card in the field \(detail 0x80\)"),
    case(["--json", "15693", "raw", "022B"], check=lambda j: j["response"].startswith("000F78563412500104E0")),
    case(["--json", "15693", "security", "0", "-n", "3"],
         check=lambda j: [b["locked"] for b in j["blocks"]] == [False] * 3),
    case(["15693", "lock", "3"], USAGE, err=r"cannot be undone: add --yes"),
    case(["--json", "-v", "mf", "read", "4", "-k", "000000000000"], FAILED,
         check=lambda j: not j["ok"] and j["error"]["function"] == "MF_Read"
         and j["error"]["result"]["detail"]["code"] == "0x82"),
]

SEQUENCES = {
    "classic": [
        case(["mf", "write", "1", "57726974746E2062792074657374732E"], out=["wrote 1 block from block 1"]),
        case(["--json", "mf", "read", "1"], check=lambda j: j["blocks"][0]["data"] == "57726974746E2062792074657374732E"),
        case(["mf", "value", "inc", "4", "5"], out=["it now holds 105"]),
        case(["mf", "value", "dec", "4", "10"], out=["it now holds 95"]),
        case(["mf", "value", "init", "5", "-7"], out=["block 5 now holds the value -7"]),
        case(["--json", "mf", "value", "show", "5"], check=lambda j: j["value"] == -7),
        case(["mf", "value", "restore", "4", "6"], out=["it now holds 95"]),
        case(["--json", "mf", "value", "show", "6"], check=lambda j: j["value"] == 95),
    ],
    "ultralight": [
        case(["ul", "write", "5", "CAFEBABE"], out=["wrote page 5"]),
        case(["--json", "ul", "read", "4"], check=lambda j: j["pages"][1] == {"page": 5, "data": "CAFEBABE"}),
    ],
    "vicinity": [
        case(["15693", "--uid", UID, "write", "5", "11223344"], out=["wrote 1 block from block 5"]),
        case(["--json", "15693", "read", "5", "--uid", UID], check=lambda j: j["blocks"][0]["data"] == "11223344"),
        case(["15693", "lock", "5", "--yes"], out=["block 5 is locked"]),
        case(["--json", "15693", "security", "4", "-n", "2"],
             check=lambda j: [b["locked"] for b in j["blocks"]] == [False, True]),
        case(["15693", "write", "5", "55667788"], FAILED, err=r"locked: it cannot be changed \(detail 0x12\)"),
        case(["15693", "afi", "set", "0x07"], out=["AFI set to 0x07"]),
        case(["15693", "dsfid", "set", "60"], out=["DSFID set to 0x3C"]),
        case(["--json", "15693", "sysinfo"], check=lambda j: j["afi"] == "0x07" and j["dsfid"] == "0x3C"),
        case(["15693", "afi", "lock", "--yes"], out=["the AFI is locked"]),
        case(["15693", "afi", "set", "0x08"], FAILED, err=r"ISO15693_WriteAFI returned 1: .*\(detail 0x12\)"),
    ],
    "reader": [
        case(["reader", "serial", "0102030405060708"], out=["serial number set to 01 02 03 04 05 06 07 08"]),
        case(["--json", "reader", "serial"], check=lambda j: j["serial"] == "0102030405060708"),
        case(["reader", "userinfo", "0", "CAFE"], out=["2 bytes of user information written at offset 0"]),
    ],
}


class Runner:
    def __init__(self, vexa, wrapper):
        self.vexa = vexa
        self.prefix = [wrapper] if wrapper else []
        # The library finds the virtual reader beside itself.
        self.env = dict(os.environ)
        for name in ("VEXA_SIM_FIELD", "VEXA_SIM_PERSIST", "VEXA_SIM_TRACE"):
            self.env.pop(name, None)

    def run(self, args, env=None, vexa=None, cwd=None):
        done = subprocess.run(self.prefix + [vexa or self.vexa] + args, env=env or self.env, cwd=cwd,
                              capture_output=True, text=True, timeout=120)
        return done.returncode, done.stdout.replace("\r\n", "\n"), done.stderr.replace("\r\n", "\n")


def verify(runner, c, env=None, vexa=None, cwd=None):
    """The problems with one run, or an empty list."""
    status, out, err = runner.run(c["args"], env, vexa, cwd)
    problems = []
    if status != c["status"]:
        problems.append(f"exit status {status}, expected {c['status']}")
    for text in c["out"]:
        if text not in out:
            problems.append(f"stdout lacks {text!r}")
    if c["status"] == 0 and err:
        problems.append(f"stderr not empty: {err!r}")
    if c["status"] != 0:
        lines = err.splitlines()
        if len(lines) != 1 or not lines[0].startswith("vexa "):
            problems.append(f"stderr is not one 'vexa ...' line: {err!r}")
        elif c["err"] and not re.search(c["err"], lines[0]):
            problems.append(f"stderr {lines[0]!r} does not match {c['err']!r}")
    if c["check"]:
        try:
            if not c["check"](json.loads(out)):
                problems.append("JSON check failed")
        except (ValueError, KeyError, IndexError, TypeError) as e:
            problems.append(f"JSON check raised {type(e).__name__}: {e}")
    if problems:
        problems.append(f"stdout was:\n{out}")
    return problems


def run_demo(runner, demo):
    env = dict(runner.env)
    if runner.prefix:
        env["VEXA_RUNNER"] = runner.prefix[0]
    done = subprocess.run(["bash", demo, os.path.dirname(os.path.abspath(runner.vexa))], env=env,
                          capture_output=True, text=True, timeout=600)
    out = done.stdout
    wanted = ["$ vexa scan", "Type A: 3 cards", "Hello from vexa!", "Written by demo!", "1 tag",
              "28 blocks of 4 bytes", "status word  9000 (success)", "vexa demo: done"]
    problems = [f"demo exit status {done.returncode}: {done.stderr}"] if done.returncode else []
    problems += [f"demo output lacks {w!r}" for w in wanted if w not in out]
    # The block read back after the write holds what was written.
    reads = [m.start() for m in re.finditer(r"\$ vexa mf read 1", out)]
    if len(reads) != 2 or "Written by demo!" not in out[reads[1]:]:
        problems.append("the second read of block 1 does not show what was written")
    if problems:
        problems.append(f"demo output was:\n{out}")
    return problems


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--vexa", required=True)
    p.add_argument("--runner", help="program that runs vexa (the wine wrapper)")
    p.add_argument("--demo", help="the demo script, run as well")
    p.add_argument("--only-demo", action="store_true", help="run the demo script alone")
    a = p.parse_args()
    runner = Runner(a.vexa, a.runner)
    passed = failed = 0

    def report(name, problems):
        nonlocal passed, failed
        if problems:
            failed += 1
            print(f"FAIL {name}\n  " + "\n  ".join(problems))
        else:
            passed += 1
            print(f"ok   {name}")

    if a.only_demo:
        report("demo script", run_demo(runner, a.demo))
        print(f"{passed} passed, {failed} failed")
        return 1 if failed else 0
    for c in SINGLE:
        report("vexa " + " ".join(c["args"]), verify(runner, c))
    for name, steps in SEQUENCES.items():
        with tempfile.TemporaryDirectory() as work:
            env = dict(runner.env, VEXA_SIM_FIELD=os.path.join(work, "field.json"), VEXA_SIM_PERSIST="1")
            for i, c in enumerate(steps):
                report(f"{name} {i + 1}: vexa " + " ".join(c["args"]), verify(runner, c, env))
    # Without the transport library beside it (nor in the working directory,
    # where Windows looks too), every call fails as no reply.
    with tempfile.TemporaryDirectory() as alone:
        build = os.path.dirname(os.path.abspath(a.vexa))
        for f in os.listdir(build):
            if re.fullmatch(r"vexa(\.exe|\.dll)?|libvexa\.so.*", f):
                shutil.copy(os.path.join(build, f), alone, follow_symlinks=True)
        env = dict(runner.env, LD_LIBRARY_PATH=alone)
        report("no transport library", verify(runner, case(
            ["reader", "version"], FAILED,
            err=r"^vexa reader version: GetVersionNum returned 5: no reply from the reader \(or the "
                r"transport library is missing\)$"), env, os.path.join(alone, os.path.basename(a.vexa)), alone))
    if a.demo:
        report("demo script", run_demo(runner, a.demo))
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
