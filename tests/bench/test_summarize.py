"""bench/summarize.py ends with status 1 when a target is missed, 0 when all are met."""

import pathlib
import subprocess
import sys
import tempfile
import unittest

SUMMARIZE = pathlib.Path(__file__).parents[2] / "bench" / "summarize.py"
STEPS = ("dll_load_and_init com mutex_log_tempa window_strings drawing_resources register_class "
         "load_bitmaps create_window create_window_and_controls show_window update_window "
         "pump_until_idle repaint_after").split()


def results(folder, exe_size):
    """One run's figures, the program's the same as its floor's but for the exe's size."""
    files = {"machine.tsv": "cores\t2\n", "startup_parts.tsv": "1\t1\t1\t1\t1\n",
             "gdi.tsv": "after_first_paint\t9\nafter_100_repaints\t9\ncounting_works\t1\n",
             "sizes.tsv": "TirnaUIAuth.exe\t%d\nfloor_window.exe\t1000\n" % exe_size}
    for name in ("signin", "check", "installer"):
        files[name + ".tsv"] = "".join("%s\t0\t5\t6\t7\t1000000\t0\n" % who for who in ("program", "floor"))
    for name in ("floor", "wizard"):
        files["window_parts_%s.txt" % name] = "\t".join(s + "=0.5" for s in STEPS) + "\n"
    for name, text in files.items():
        pathlib.Path(folder, name).write_text(text)


class Verdict(unittest.TestCase):
    def test_exit_status_is_the_verdict(self):
        for exe_size, status in ((1000, 0), (3 * 1024 * 1024, 1)):  # 2 MiB at most
            with tempfile.TemporaryDirectory() as folder:
                results(folder, exe_size)
                run = subprocess.run([sys.executable, SUMMARIZE, folder], capture_output=True, text=True)
                self.assertEqual(run.returncode, status, run.stdout + run.stderr)
                self.assertEqual("**missed**" in run.stdout, status == 1, run.stdout)


if __name__ == "__main__":
    unittest.main()
