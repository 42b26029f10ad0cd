#!/usr/bin/python
# -*- coding: utf-8 -*-
# Sends a switcher's settings with klvc, only what changed since it was last set.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
---
module: settings
short_description: Set a KLV video matrix switcher, sending only what changed
version_added: "1.0.0"
description:
  - Runs C(klvc send-all SRC --changed) on the managed host, which must reach the
    switcher through a serial port, an RS-485 bus or a serial device server.
  - klvc keeps a record of what each switcher last received (under
    C($XDG_STATE_HOME/klvc/sent), else C(~/.local/state/klvc/sent), of the user
    the task runs as) and sends only the lines that differ from it; without a
    record it sends everything. A run answered C(GO) to every line records what
    the switcher now holds; any other run removes the record.
  - A record cannot know of changes made on the switcher's front panel. To send
    everything again, remove the switcher's record from that folder, or run
    C(klvc send-all SRC) once without C(--changed).
  - The task reports C(changed) exactly when lines were sent.
  - In check mode klvc only works out the lines (C(--dry-run)); the task reports
    C(changed) when there are lines to send, and nothing is sent.
  - "In diff mode the task returns what C(klvc file diff --sent) prints, one
    C(key: sent-value -> new-value) per setting."
options:
  src:
    description:
      - The settings on the managed host, in any form klvc takes; a settings
        file (C(*.dat)), the settings text of C(klvc file export), or a titles
        CSV. A text or CSV holds only the settings it names; the others are
        the defaults.
    type: path
    required: true
  port:
    description:
      - The port as klvc takes it; a serial device (best a C(/dev/serial/by-id/...)
        name, which stays with its adapter), C(tcp:HOST:PORT) for a raw TCP port
        of a serial device server, or C(rfc2217:HOST:PORT).
      - The record of what the switcher last received is kept under this name
        (C(HOST:PORT) for a network port), so write it the same way every time.
    type: str
    required: true
  model:
    description: The switcher model, KLV-A to KLV-E.
    type: str
    required: true
    choices: [A, B, C, D, E]
  pace:
    description:
      - C(ack) sends each line as soon as the one before was answered (KLV-E about
        29 s for every setting); C(timed) keeps the pace of the program's own
        dialog (a line every 80 ms, the titles every 500 ms).
    type: str
    choices: [ack, timed]
    default: ack
  rs485:
    description: The switcher is on an RS-485 bus; each line carries its address.
    type: bool
    default: false
  slave:
    description: The RS-485 address of the unit, 0 to 31; needs I(rs485).
    type: int
    default: 0
  klvc:
    description: The klvc program on the managed host; a name is looked up on the PATH.
    type: str
    default: klvc
notes:
  - Units of one RS-485 bus share its port; run their tasks one after another
    (a loop in one task, as in the examples), never in parallel.
  - Supports check mode and diff mode.
author:
  - KLVC developers
"""

EXAMPLES = r"""
- name: One switcher on a USB serial adapter
  klvc.switchers.settings:
    src: /srv/klvc/hall-a.txt
    port: /dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0
    model: C

- name: Every unit of an RS-485 bus, one after another on its port
  klvc.switchers.settings:
    src: "/srv/klvc/{{ item.name }}.dat"
    port: /dev/ttyS0
    model: E
    rs485: true
    slave: "{{ item.slave }}"
  loop:
    - { name: stage-left, slave: 1 }
    - { name: stage-right, slave: 2 }

- name: A switcher behind a serial device server
  klvc.switchers.settings:
    src: /srv/klvc/lobby.txt
    port: tcp:10.20.0.9:4001
    model: A
"""

RETURN = r"""
lines:
  description: The lines sent; in check mode, the lines that would be sent.
  returned: always
  type: int
  sample: 1
verdict:
  description: klvc's own one-line verdict on the run.
  returned: always
  type: str
  sample: "klvc send-all: 1 lines sent to KLV-C, every one answered GO"
rc:
  description: klvc's exit status (0 success, 1 the switcher or the link failed, 2 bad usage or an unreadable file).
  returned: always
  type: int
  sample: 0
cmd:
  description: The command that ran.
  returned: always
  type: list
  elements: str
stderr_lines:
  description: What klvc said on stderr, line by line.
  returned: always
  type: list
  elements: str
"""

import json
import os

from ansible.module_utils.basic import AnsibleModule


def summary_of(stdout):
    """The JSON summary klvc ends its stdout with (--summary), or None."""
    for line in reversed(stdout.splitlines()):
        line = line.strip()
        if not line.startswith("{"):
            continue
        try:
            record = json.loads(line)
        except ValueError:
            return None
        return record if isinstance(record, dict) and record.get("summary") == "send-all" else None
    return None


def last_line(text):
    """klvc's last word on stderr, without the pointer to --help after bad usage."""
    lines = [line for line in text.splitlines() if line.strip() and not line.startswith("Run 'klvc")]
    return lines[-1] if lines else ""


def port_args(params):
    args = ["--port", params["port"]]
    if params["rs485"]:
        args += ["--rs485", "--slave", str(params["slave"])]
    return args


def sent_diff(module, program):
    """What file diff --sent says would change, as Ansible's prepared diff."""
    cmd = [program, "file", "diff", "--sent", module.params["port"]]
    if module.params["rs485"]:
        cmd += ["--slave", str(module.params["slave"])]
    cmd += [module.params["src"]]
    rc, out, err = module.run_command(cmd, environ_update={"LANG": "C.UTF-8"})
    if rc == 0:
        return None
    return {"prepared": out if out.strip() else err}


def main():
    module = AnsibleModule(
        argument_spec=dict(
            src=dict(type="path", required=True),
            port=dict(type="str", required=True),
            model=dict(type="str", required=True, choices=["A", "B", "C", "D", "E"]),
            pace=dict(type="str", default="ack", choices=["ack", "timed"]),
            rs485=dict(type="bool", default=False),
            slave=dict(type="int", default=0),
            klvc=dict(type="str", default="klvc"),
        ),
        supports_check_mode=True,
    )
    p = module.params
    if not 0 <= p["slave"] <= 31:
        module.fail_json(msg="slave takes 0 to 31, not %d" % p["slave"])
    if p["slave"] and not p["rs485"]:
        module.fail_json(msg="slave needs rs485: true")
    program = p["klvc"]
    if os.sep not in program:
        program = module.get_bin_path(program, required=True)
    elif not os.access(program, os.X_OK):
        module.fail_json(msg="klvc: %s is not an executable program on %s" % (program, os.uname()[1]))

    # Before the run: afterwards the record already holds the new settings.
    diff = sent_diff(module, program) if module._diff else None
    cmd = [program, "send-all", p["src"], "--model", p["model"], "--pace", p["pace"]] + port_args(p)
    cmd += ["--changed", "--summary"]
    if module.check_mode:
        cmd.append("--dry-run")
    rc, out, err = module.run_command(cmd, environ_update={"LANG": "C.UTF-8"})
    summary = summary_of(out)
    verdict = summary["verdict"] if summary else last_line(err)
    lines = 0
    if summary:
        lines = summary["lines_planned"] if module.check_mode else summary["lines_sent"]
    result = dict(
        changed=lines > 0,
        lines=lines,
        verdict=verdict,
        rc=rc,
        cmd=cmd,
        stderr_lines=err.splitlines(),
    )
    if diff:
        result["diff"] = diff
    if rc != 0:
        module.fail_json(msg=verdict or "klvc exited with status %d" % rc, **result)
    module.exit_json(**result)


if __name__ == "__main__":
    main()
