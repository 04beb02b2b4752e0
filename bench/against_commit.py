#!/usr/bin/env python3
"""Whole commands of two builds of marbleset-cli, run alternately on the same generated files.

Usage: against_commit.py BASE_CLI CURRENT_CLI [ROUNDS]

Prints the median CPU time (user + system) of each command for both builds and the change.
The builds run in turn, round after round, so that a busy moment of a shared machine falls on
both alike. A change beyond 5 % is marked; the exit status is 0 either way, as timings on a
shared machine are figures to read, not a verdict.
"""
import os
import random
import statistics
import subprocess
import sys
import tempfile

COMMANDS = [
    ("read, binary PHYLIP 2,000 x 10,000", ["info", "bin.phy"]),
    ("read, quantitative PHYLIP 800 x 3,000", ["info", "--quantitative", "quant.phy"]),
    ("read, CSV table 1,000 x 10,000", ["info", "table.csv"]),
    ("read, VCF 500 x 20,000", ["info", "calls.vcf"]),
    ("distances, binary 2,000 x 10,000", ["distances", "bin.phy", "out.txt"]),
    ("distances, quantitative 800 x 3,000", ["distances", "--quantitative", "quant.phy", "out.txt"]),
    ("distances --average, 300 sets", ["distances", "--average", "multi.phy", "out.txt"]),
    ("distances, 300 matrices", ["distances", "multi.phy", "out.txt"]),
]


def write_files(folder):
    draw = random.Random(7)

    def phylip_row(i, cells):
        return f"{'o' + str(i):<12}" + " ".join(cells) + "\r\n"

    with open(os.path.join(folder, "bin.phy"), "w", newline="") as f:
        f.write("2000 10000\r\n")
        for i in range(2000):
            f.write(phylip_row(i, ("?" if draw.random() < 0.05 else draw.choice("01")
                                   for _ in range(10000))))
    with open(os.path.join(folder, "quant.phy"), "w", newline="") as f:
        f.write("800 3000\r\n")
        for i in range(800):
            f.write(phylip_row(i, (f"{draw.gauss(10, 3):.4f}" for _ in range(3000))))
    with open(os.path.join(folder, "multi.phy"), "w", newline="") as f:
        for _ in range(300):
            f.write("60 500\r\n")
            for i in range(60):
                f.write(phylip_row(i, (draw.choice("01") for _ in range(500))))
    with open(os.path.join(folder, "table.csv"), "w", newline="") as f:
        f.write("OTU," + ",".join(f"L{k}" for k in range(10000)) + "\r\n")
        for i in range(1000):
            f.write(f"o{i}," + ",".join(draw.choice(["0", "1", "1", "NA"])
                                        for _ in range(10000)) + "\r\n")
    with open(os.path.join(folder, "calls.vcf"), "w") as f:
        f.write("##fileformat=VCFv4.2\n##contig=<ID=1>\n"
                '##FORMAT=<ID=GT,Number=1,Type=String,Description="Genotype">\n'
                "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\t"
                + "\t".join(f"s{i}" for i in range(500)) + "\n")
        calls = ["0/0", "0/1", "1/1", "./."]
        for k in range(20000):
            f.write(f"1\t{k + 1}\t.\tA\tG\t.\t.\t.\tGT\t"
                    + "\t".join(draw.choice(calls) for _ in range(500)) + "\n")


def cpu_seconds(tool, arguments, folder):
    process = subprocess.Popen([tool] + arguments, cwd=folder, stdout=subprocess.DEVNULL,
                               stderr=subprocess.PIPE)
    _, status, usage = os.wait4(process.pid, 0)
    problem = process.stderr.read().decode(errors="replace")
    process.stderr.close()
    output = os.path.join(folder, "out.txt")
    if os.path.exists(output):
        os.remove(output)
    if status != 0:
        sys.exit(f"{tool} {' '.join(arguments)} failed: {problem}")
    return usage.ru_utime + usage.ru_stime


def main():
    if len(sys.argv) not in (3, 4):
        sys.exit(__doc__)
    base, current = (os.path.abspath(tool) for tool in sys.argv[1:3])
    rounds = int(sys.argv[3]) if len(sys.argv) == 4 else 11
    with tempfile.TemporaryDirectory() as folder:
        write_files(folder)
        print(f"{'command':40s} {'base':>8s} {'current':>8s}  change  (median CPU s, {rounds} rounds)")
        for label, arguments in COMMANDS:
            before, after = [], []
            for _ in range(rounds):
                before.append(cpu_seconds(base, arguments, folder))
                after.append(cpu_seconds(current, arguments, folder))
            old, new = statistics.median(before), statistics.median(after)
            change = (new / old - 1) * 100
            mark = "  <- more than 5 % slower" if change > 5 else ""
            print(f"{label:40s} {old:8.3f} {new:8.3f}  {change:+5.1f} %{mark}", flush=True)


if __name__ == "__main__":
    main()
