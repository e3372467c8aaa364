"""The shares measure of bench/run.sh: qnReport reading MACHINES machines'
logs where they lie, over the FUSE stand-in for administrative shares
(tests/qnreport/slow_shares.py: every look-up inside a machine's folder and
every open DELAY ms late), with --jobs 1 and with the default number of
readers.

    python3 bench/shares.py QNREPORT WORK MACHINES ROUNDS RESULTS

Writes the machines' logs (20 records each) under WORK, mounts the stand-in,
runs `qnReport --csv --hosts LIST --from MOUNT/{host}/QNLOG/QN.log` once with
--jobs 1 and ROUNDS times with the default, checks that every run gives the
same bytes, and prints two table rows for bench/run.sh. Raw times go to
RESULTS/shares.tsv. Exit status 1 when a run fails or the answers differ;
where FUSE cannot be used (it needs root and /dev/fuse) it prints a row that
says so.
"""

import os
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "qnreport"))
from slow_shares import NoFuse, mounted  # noqa: E402

DELAY_MS = 40
RECORDS = 20
CODES = [0, 0, 3010, 1603, 0, 1618, 0, 0]


def make_machines(source, machines):
    names = []
    for number in range(1, machines + 1):
        name = "PC%05d" % number
        names.append(name)
        folder = os.path.join(source, name, "QNLOG")
        os.makedirs(folder)
        lines = []
        for record in range(RECORDS):
            code = CODES[(number + record) % len(CODES)] if record == RECORDS - 1 else 1618
            lines.append("01-%02d-2007 09:%02d:00,Update=4.1,New=4.2,Status=%s,ReturnCode=%d \r\n"
                         % (1 + record % 28, number % 60, "Success" if code == 0 else "Unknown", code))
        with open(os.path.join(folder, "QN.log"), "w", newline="") as log:
            log.write("".join(lines))
    return names


def run(program, arguments):
    started = time.monotonic()
    child = subprocess.Popen([program] + arguments, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    out, err = child.communicate()
    seconds = time.monotonic() - started
    if child.returncode > 1 or err:
        sys.exit("qnReport failed (%d): %s" % (child.returncode, err.decode(errors="replace")))
    return seconds, out


def main():
    program, work, machines, rounds, results = sys.argv[1:6]
    machines = int(machines)
    rounds = int(rounds)
    source = os.path.join(work, "shares-source")
    mount = os.path.join(work, "shares")
    os.makedirs(mount)
    names = make_machines(source, machines)
    hosts = os.path.join(work, "shares-hosts.txt")
    with open(hosts, "w") as listing:
        listing.write("\n".join(names) + "\n")
    arguments = ["--csv", "--hosts", hosts, "--from", os.path.join(mount, "{host}", "QNLOG", "QN.log")]
    label = "qnReport --from over shares %d ms late, %d machines" % (DELAY_MS, machines)
    try:
        with mounted(source, mount, DELAY_MS):
            many = []
            answers = set()
            for _ in range(rounds):
                seconds, out = run(program, arguments)
                many.append(seconds)
                answers.add(out)
            one, out = run(program, arguments + ["--jobs", "1"])
            answers.add(out)
    except NoFuse as reason:
        print("| %s | skipped: %s | | | | | |" % (label, reason))
        return 0
    with open(os.path.join(results, "shares.tsv"), "w") as tsv:
        tsv.write("".join("default\t%.3f\n" % seconds for seconds in many))
        tsv.write("jobs-1\t%.3f\n" % one)
    if len(answers) != 1:
        sys.exit("qnReport gave different answers with --jobs 1 and the default")
    median = statistics.median(many)
    print("| %s: 32 at once (the default) against one at a time | %.2f s, %.1f ms a machine "
          "(median of %d) | %.1f s, %.0f ms a machine (`--jobs 1`) | %.3f | %.3f | | ≤ 0.1 |"
          % (label, median, median * 1000 / machines, rounds, one, one * 1000 / machines,
             median / one, min(many) / one))
    print("| … speed-up | %.1f× | | | | | ≥ 10× |" % (one / median))
    return 0


if __name__ == "__main__":
    sys.exit(main())
