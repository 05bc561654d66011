#!/usr/bin/python3
"""Every benchmark answers --help and refuses what it does not understand (status 2) before writing anything.

usage: check_bench_args.py NAME=PROGRAM...   (NAME: scan_bench, open_windows_bench, save_all_bench, put_back_bench,
                                             disc_bench, image_list_bench)
"""
import os
import subprocess
import sys
import tempfile

# (arguments, status); each benchmark also gets --help and an unknown option.
EXTRA = {
    "scan_bench": [(["abc"], 2), (["0"], 2), (["-5"], 2), (["8", "{tmp}", "more"], 2), (["8", "{tmp}/none"], 2)],
    "open_windows_bench": [(["--windows"], 2), (["--windows", "ten"], 2), (["extra"], 2)],
    "save_all_bench": [(["--images", "0"], 2), (["--rounds", "3x"], 2), (["--dir"], 2)],
    "put_back_bench": [(["abc"], 2), (["1"], 2), (["8", "{tmp}", "more"], 2), (["8", "{tmp}/none"], 2)],
    "disc_bench": [(["--mb", "abc"], 2), (["--files", "0"], 2), (["--dir", "{tmp}/none"], 2), (["extra"], 2)],
    "image_list_bench": [(["--images", "0"], 2), (["--images"], 2), (["extra"], 2)],
}


def main():
    failures = 0
    for spec in sys.argv[1:]:
        name, program = spec.split("=", 1)
        for args, want in [(["--help"], 0), (["--no-such-option"], 2)] + EXTRA.get(name, []):
            with tempfile.TemporaryDirectory() as tmp:
                env = dict(os.environ, TMPDIR=tmp, XDG_CONFIG_HOME=tmp, QT_QPA_PLATFORM="offscreen")
                argv = [program] + [a.replace("{tmp}", tmp) for a in args]
                try:
                    result = subprocess.run(argv, cwd=tmp, env=env, capture_output=True, text=True, timeout=30)
                except subprocess.TimeoutExpired:
                    failures += 1
                    print(f"FAIL: {name} {' '.join(args)}: still running after 30 s (it ran the benchmark)")
                    continue
                problems = []
                if result.returncode != want:
                    problems.append(f"status {result.returncode}, not {want}")
                if os.listdir(tmp):
                    problems.append(f"wrote {os.listdir(tmp)}")
                if want == 0 and "usage: " + name not in result.stdout:
                    problems.append("no usage on stdout")
                if want == 2 and (result.stdout or "usage: " + name not in result.stderr):
                    problems.append("a refusal prints nothing but its reason and the usage, on stderr")
                if problems:
                    failures += 1
                    print(f"FAIL: {name} {' '.join(args)}: {'; '.join(problems)}\n{result.stdout}{result.stderr}")
    print(f"{failures} failures" if failures else "every benchmark reads its arguments")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
