#!/usr/bin/env python3
"""Checks the Group Policy template varnhollow.adm as the Group Policy editor
reads it: CLASS MACHINE, CATEGORY / POLICY / PART blocks that nest and close,
every !!name defined under [strings], the one policy that writes Start = 4
when enabled and 3 when disabled under the USBSTOR key, and the program's own
policies under Software\Policies\Varnhollow: RelockMinutes, a number from 1
to 1440, and the switches RelockAtStartup, NoUpdateCheck and NoEmail, 1 when
enabled and 0 when disabled.
    check_adm.py FILE          the template in the sources (UTF-8)
    check_adm.py --shipped FILE  the copy in the release archive: Windows-1252,
                                 CR LF line ends
"""
import re
import sys

KEY = r"SYSTEM\CurrentControlSet\Services\USBSTOR"
POLICY_NAME = "Verrou USB (stockage de masse USB)"
NESTING = {"CATEGORY": {None, "CATEGORY"}, "POLICY": {"CATEGORY"}, "PART": {"POLICY"}}
POLICIES_KEY = r"Software\Policies\Varnhollow"
SWITCHES = ("RelockAtStartup", "NoUpdateCheck", "NoEmail")
# The number the program takes: RelockMinutes, at most a day.
NUMBERS = {"RelockMinutes": ("1", "1440")}


def fail(message):
    print(message)
    sys.exit(1)


def read(path, shipped):
    data = open(path, "rb").read()
    if not shipped:
        return data.decode("utf-8")
    if re.search(rb"(?<!\r)\n", data) or not data.endswith(b"\r\n"):
        fail("the shipped template does not end every line with CR LF")
    try:
        data.decode("utf-8")
        if any(b > 0x7F for b in data):
            fail("the shipped template is UTF-8, not Windows-1252")
    except UnicodeDecodeError:
        pass
    return data.decode("cp1252")


def words(line):
    return re.findall(r'"[^"]*"|\S+', line)


def main(argv):
    shipped = "--shipped" in argv
    paths = [a for a in argv if a != "--shipped"]
    if len(paths) != 1:
        fail(__doc__)
    text = read(paths[0], shipped)

    body, _, strings_part = text.partition("[strings]")
    if not strings_part:
        fail("no [strings] section")
    strings = {}
    for line in strings_part.splitlines():
        if line.strip() and not line.lstrip().startswith(";"):
            name, equals, value = line.partition("=")
            if not equals or not (value.strip().startswith('"') and value.strip().endswith('"')):
                fail(f"a [strings] line is not NAME=\"text\": {line}")
            strings[name.strip()] = value.strip()[1:-1]

    open_blocks = []  # (kind, its name)
    policies = []
    current = None
    classes = []
    for number, line in enumerate(body.splitlines(), 1):
        w = words(line)
        if not w or w[0].startswith(";"):
            continue
        for reference in re.findall(r"!!(\w+)", line):
            if reference not in strings:
                fail(f"line {number}: !!{reference} is not under [strings]")
        keyword = w[0].upper()
        if keyword == "CLASS":
            classes.append(w[1].upper())
        elif keyword in NESTING:
            parent = open_blocks[-1][0] if open_blocks else None
            if parent not in NESTING[keyword]:
                fail(f"line {number}: {keyword} inside {parent or 'nothing'}")
            name = strings.get(w[1][2:], w[1]) if len(w) > 1 else ""
            open_blocks.append((keyword, name))
            if keyword == "POLICY":
                current = {"name": name, "line": number, "parts": []}
                policies.append(current)
            elif keyword == "PART":
                current["parts"].append({"type": w[2].upper() if len(w) > 2 else ""})
        elif keyword == "END":
            if len(w) < 2 or not open_blocks or open_blocks[-1][0] != w[1].upper():
                fail(f"line {number}: {line.strip()} closes {open_blocks[-1][0] if open_blocks else 'nothing'}")
            open_blocks.pop()
        elif current is not None and keyword in ("KEYNAME", "VALUENAME") and open_blocks[-1][0] == "POLICY":
            current[keyword] = w[1].strip('"')
        elif current is not None and keyword in ("VALUEON", "VALUEOFF") and open_blocks[-1][0] == "POLICY":
            current[keyword] = " ".join(w[1:3]).upper()
        elif current is not None and open_blocks[-1][0] == "PART" and keyword in ("VALUENAME", "MIN", "MAX"):
            # MIN, MAX and DEFAULT may share a line.
            for key, value in zip(w[::2], w[1::2]):
                current["parts"][-1][key.upper()] = value.strip('"')
    if open_blocks:
        fail(f"{open_blocks[-1][0]} {open_blocks[-1][1]} is never closed")
    if classes != ["MACHINE"]:
        fail(f"the classes are {classes}, not MACHINE (Computer Configuration) alone")

    lock = [p for p in policies if p["name"] == POLICY_NAME]
    if len(lock) != 1:
        fail(f"policies {[p['name'] for p in policies]}: no single \"{POLICY_NAME}\"")
    lock = lock[0]
    expected = {"KEYNAME": KEY, "VALUENAME": "Start", "VALUEON": "NUMERIC 4", "VALUEOFF": "NUMERIC 3"}
    for keyword, value in expected.items():
        if lock.get(keyword) != value:
            fail(f"the policy's {keyword} is {lock.get(keyword)!r}, expected {value!r}")
    check_program_policies(policies)
    print(f"{paths[0]}: policy \"{POLICY_NAME}\": {KEY}\\Start 4 when enabled, 3 when disabled")
    print(f"{paths[0]}: under {POLICIES_KEY}: {', '.join(list(NUMBERS) + list(SWITCHES))}")


def check_program_policies(policies):
    """Each of the program's own policies once, under its key, of its kind."""
    def written(policy):
        return [policy.get("VALUENAME")] + [part.get("VALUENAME") for part in policy["parts"]]

    for value in list(SWITCHES) + list(NUMBERS):
        holding = [p for p in policies if value in written(p)]
        if len(holding) != 1:
            fail(f"{len(holding)} policies write {value}, expected 1")
        policy = holding[0]
        if (policy.get("KEYNAME") or "").lower() != POLICIES_KEY.lower():
            fail(f"{value} is written under {policy.get('KEYNAME')!r}, expected {POLICIES_KEY!r}")
        if value in SWITCHES:
            if (policy.get("VALUEON"), policy.get("VALUEOFF")) != ("NUMERIC 1", "NUMERIC 0"):
                fail(f"{value}: {policy.get('VALUEON')} / {policy.get('VALUEOFF')}, expected NUMERIC 1 / NUMERIC 0")
        else:
            part = next(part for part in policy["parts"] if part.get("VALUENAME") == value)
            lowest, highest = NUMBERS[value]
            if (part["type"], part.get("MIN"), part.get("MAX")) != ("NUMERIC", lowest, highest):
                fail(f"{value}: part {part['type']} from {part.get('MIN')} to {part.get('MAX')}, "
                     f"expected NUMERIC from {lowest} to {highest}")


if __name__ == "__main__":
    main(sys.argv[1:])
