"""korv.analyze in-process against korv-batch analyze as a process, timed in one run.

    PYTHONPATH=build/python python3 bench/python_vs_process.py [FILE.nT] [--repeat N]

Prints the median and the minimum wall time of each over N runs (default 20). The module
writes nothing; the process writes its files into a temporary folder, as it must.
"""

import argparse
import statistics
import subprocess
import tempfile
import time
from pathlib import Path

import korv

root = Path(__file__).resolve().parent.parent
parser = argparse.ArgumentParser()
parser.add_argument("file", nargs="?", default=str(root / "tests/data/datasets/13_gan_n_two_donors.nT"))
parser.add_argument("--repeat", type=int, default=20)
parser.add_argument("--batch", default=str(root / "build/src/app/korv-batch"))
args = parser.parse_args()


def timed(call):
    times = []
    for _ in range(args.repeat):
        start = time.perf_counter()
        call()
        times.append(time.perf_counter() - start)
    return times


with tempfile.TemporaryDirectory() as out:
    command = [args.batch, "analyze", args.file, "--json", "--outdir", out]
    subprocess.run(command, check=True, capture_output=True)  # warm the file cache
    korv.analyze(args.file)
    process = timed(lambda: subprocess.run(command, check=True, capture_output=True))
    module = timed(lambda: korv.analyze(args.file))

print(f"{Path(args.file).name}, {args.repeat} runs each")
print(f"{'':28}{'median [ms]':>12}{'min [ms]':>10}")
for name, times in (("korv.analyze (in-process)", module), ("korv-batch analyze (process)", process)):
    print(f"{name:28}{statistics.median(times) * 1e3:12.1f}{min(times) * 1e3:10.1f}")
print(f"speed-up (median): {statistics.median(process) / statistics.median(module):.2f}x")
