#!/usr/bin/env python3
"""The klvc.switchers collection over three hosts on this machine (connection
local), each with its own `klvc simulate` on a pseudo-terminal: check mode
sends nothing and reports changed; the first run changes every host; the same
run again changes none and sends nothing; after one title changes on one
host only that host changes, its switcher receives that one line, and diff
mode names the setting.

Usage: many_sites_test.py KLVC_BINARY ANSIBLE_COLLECTIONS_DIR
Exit 77 (skipped) when ansible-playbook is not installed."""

import json
import os
import select
import shutil
import subprocess
import sys
import tempfile
import time

KLVC, COLLECTIONS = sys.argv[1], sys.argv[2]
HOSTS = ["site1", "site2", "site3"]
PLAYBOOK = """\
- hosts: switchers
  gather_facts: false
  tasks:
    - klvc.switchers.settings:
        src: "{{ klvc_src }}"
        port: "{{ klvc_port }}"
        model: A
        klvc: "{{ klvc_program }}"
"""
failures = []


def check(ok, what):
    print(("ok: " if ok else "FAILED: ") + what, flush=True)
    if not ok:
        failures.append(what)


def start_simulator(link, trace, env):
    """A simulated KLV-A on a pseudo-terminal; returns once it answers."""
    sim = subprocess.Popen([KLVC, "simulate", "--link", link, "--model", "A", "--instant"],
                           stdout=trace, stderr=subprocess.PIPE, stdin=subprocess.DEVNULL, env=env)
    said, deadline = b"", time.monotonic() + 10
    while b"Ctrl+C stops it." not in said:
        left = deadline - time.monotonic()
        if left <= 0 or not select.select([sim.stderr], [], [], left)[0]:
            sys.exit("the simulator did not start: " + said.decode(errors="replace"))
        chunk = os.read(sim.stderr.fileno(), 4096)
        if not chunk:
            sys.exit("the simulator ended: " + said.decode(errors="replace"))
        said += chunk
    return sim


def received(trace):
    """The lines a simulator received, from its trace ("> LINE   < ANSWER")."""
    with open(trace, encoding="utf-8", errors="replace") as f:
        return [line[2:].split("   <")[0] for line in f if line.startswith("> ")]


def play(work, env, *options):
    """One ansible-playbook run; per host, whether it changed and the task's result."""
    run = subprocess.run(["ansible-playbook", "-i", "inventory.ini", "site.yml", *options], cwd=work, env=env,
                         stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=120)
    try:
        report = json.loads(run.stdout)
    except ValueError:
        sys.exit("ansible-playbook said no JSON (status %d):\n%s\n%s" % (run.returncode, run.stdout, run.stderr))
    results = report["plays"][0]["tasks"][0]["hosts"]
    if run.returncode != 0:
        print(json.dumps(results, indent=1, ensure_ascii=False))
    check(run.returncode == 0, "ansible-playbook %s exits 0" % " ".join(options))
    return {h: report["stats"][h]["changed"] > 0 for h in HOSTS}, results


def main():
    if not shutil.which("ansible-playbook"):
        print("SKIPPED: ansible-playbook is not installed (Debian's ansible-core provides it)")
        return 77
    work = tempfile.mkdtemp(prefix="klvc-ansible-")
    sims = []
    try:
        env = dict(os.environ, HOME=work, XDG_STATE_HOME=os.path.join(work, "state"),
                   XDG_CONFIG_HOME=os.path.join(work, "config"), LANG="C.UTF-8")
        ansible_env = dict(env, ANSIBLE_COLLECTIONS_PATH=COLLECTIONS, ANSIBLE_STDOUT_CALLBACK="json",
                           ANSIBLE_LOCAL_TEMP=os.path.join(work, "tmp"), ANSIBLE_REMOTE_TEMP=os.path.join(work, "tmp"),
                           ANSIBLE_NOCOLOR="1", ANSIBLE_RETRY_FILES_ENABLED="0")
        inventory = ["[switchers]"]
        for n, host in enumerate(HOSTS, 1):
            link, src = os.path.join(work, host + ".pty"), os.path.join(work, host + ".txt")
            with open(src, "w", encoding="utf-8") as f:
                f.write('title ch01 = "ホール%s"\n' % "０１２３"[n])
            with open(os.path.join(work, host + ".trace"), "w") as trace:
                sims.append(start_simulator(link, trace, env))
            inventory.append("%s ansible_connection=local klvc_port=%s klvc_src=%s" % (host, link, src))
        inventory += ["[switchers:vars]", "ansible_python_interpreter=" + sys.executable, "klvc_program=" + KLVC]
        with open(os.path.join(work, "inventory.ini"), "w") as f:
            f.write("\n".join(inventory) + "\n")
        with open(os.path.join(work, "site.yml"), "w") as f:
            f.write(PLAYBOOK)
        traces = [os.path.join(work, h + ".trace") for h in HOSTS]

        changed, results = play(work, ansible_env, "--check")
        check(all(changed.values()), "check mode reports changed on every host: %s" % changed)
        check(all(results[h]["lines"] == 420 for h in HOSTS), "check mode counts the 420 lines of a KLV-A")
        check(all(received(t) == [] for t in traces), "check mode sends nothing")

        changed, results = play(work, ansible_env)
        check(all(changed.values()), "the first run changes every host: %s" % changed)
        check(all(len(received(t)) == 420 for t in traces), "each switcher received 420 lines")
        check(all(results[h]["lines"] == 420 and results[h]["verdict"].startswith("klvc send-all: ") for h in HOSTS),
              "each result counts the lines and holds klvc's verdict")

        changed, results = play(work, ansible_env)
        check(not any(changed.values()), "the same run again changes nothing: %s" % changed)
        check(all(len(received(t)) == 420 for t in traces), "and sends nothing")

        with open(os.path.join(work, "site2.txt"), "w", encoding="utf-8") as f:
            f.write('title ch01 = "ロビー"\n')
        changed, results = play(work, ansible_env, "--diff")
        check(changed == {"site1": False, "site2": True, "site3": False}, "only site2 changes: %s" % changed)
        after = [received(t) for t in traces]
        check([len(a) for a in after] == [420, 421, 420], "only site2's switcher received a line")
        check(after[1][-1].startswith("CA01"), "that line is channel 1's title: " + after[1][-1])
        check('title ch01: "ホール２" -> "ロビー"' in results["site2"].get("diff", {}).get("prepared", ""),
              "diff mode names the title that changed")
    finally:
        for sim in sims:
            sim.terminate()
            sim.wait(timeout=10)
        shutil.rmtree(work, ignore_errors=True)
    print("%d failed" % len(failures) if failures else "all passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
