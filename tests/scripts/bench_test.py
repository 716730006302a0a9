"""scripts/bench on fake benchmark programs: what it gathers, reports, writes and compares."""

import contextlib
import importlib.machinery
import importlib.util
import io
import json
import os
import stat
import tempfile
import unittest

SCRIPT = os.path.join(os.path.dirname(__file__), "..", "..", "scripts", "bench")


def load_bench():
    loader = importlib.machinery.SourceFileLoader("bench", SCRIPT)
    module = importlib.util.module_from_spec(importlib.util.spec_from_loader("bench", loader))
    loader.exec_module(module)
    return module


bench = load_bench()


def write_program(directory, name, body):
    path = os.path.join(directory, name)
    with open(path, "w") as file:
        file.write("#!/bin/sh\n" + body)
    os.chmod(path, os.stat(path).st_mode | stat.S_IXUSR)


class FigureLines(unittest.TestCase):
    def test_a_figure_with_a_baseline_carries_their_ratio(self):
        figure = bench.parse_figure(
            "figure name=a.b value=30 unit=us baseline=a.floor baseline_value=20\n", "bench_a")
        self.assertEqual(figure["name"], "a.b")
        self.assertEqual(figure["value"], 30.0)
        self.assertEqual(figure["unit"], "us")
        self.assertEqual(figure["baseline"], "a.floor")
        self.assertEqual(figure["baseline_value"], 20.0)
        self.assertAlmostEqual(figure["ratio"], 1.5)
        self.assertEqual(figure["benchmark"], "bench_a")

    def test_a_figure_without_a_baseline_or_with_a_zero_one_has_no_ratio(self):
        alone = bench.parse_figure("figure name=x value=99.5 unit=percent", "b")
        self.assertIsNone(alone["baseline"])
        self.assertIsNone(alone["ratio"])
        zero = bench.parse_figure("figure name=x value=1 unit=ms baseline=y baseline_value=0", "b")
        self.assertEqual(zero["baseline_value"], 0.0)
        self.assertIsNone(zero["ratio"])

    def test_human_text_is_not_a_figure(self):
        for line in ["", "figures of merit follow", "figure value=1 unit=s",
                     "figure name=x value= unit=s", "figure name=x value=1 baseline_value=fast",
                     "frame start lateness median 3 us"]:
            self.assertIsNone(bench.parse_figure(line, "b"), line)


class BenchRun(unittest.TestCase):
    def setUp(self):
        self.directory = tempfile.TemporaryDirectory()
        self.addCleanup(self.directory.cleanup)
        self.bench_dir = os.path.join(self.directory.name, "bench")
        os.mkdir(self.bench_dir)
        for name in ["BENCH_DIR", "SCRIPT_DIR"]:
            self.addCleanup(setattr, bench, name, getattr(bench, name))
        bench.BENCH_DIR = bench.SCRIPT_DIR = self.bench_dir
        # bench_periodic states its first argument, so a quick run shows its short duration.
        write_program(self.bench_dir, "bench_periodic",
                      'echo "ticks on the grid"\n'
                      'echo "figure name=periodic.worst value=${1:-10} unit=ms '
                      'baseline=periodic.floor baseline_value=2"\n')
        write_program(self.bench_dir, "bench_broken", 'echo "figure name=broken.x value=1 unit=s"\n'
                      "exit 3\n")
        write_program(self.bench_dir, "not_a_benchmark", "exit 0\n")
        # A benchmark script under bench/ takes its quick arguments as well.
        write_program(self.bench_dir, "fault_hook_cost",
                      'echo "figure name=fault_check.built_in value=${1:-2}${2:-0} unit=us"\n')

    def run_bench(self, *arguments):
        output = io.StringIO()
        with contextlib.redirect_stdout(output), contextlib.redirect_stderr(io.StringIO()):
            status = bench.main(["--no-build"] + list(arguments))
        return status, output.getvalue()

    def test_report_holds_every_figure_the_machine_and_the_failures(self):
        out = os.path.join(self.directory.name, "figures.json")
        status, text = self.run_bench("--out", out)
        self.assertEqual(status, 1)
        self.assertIn("ticks on the grid", text)
        self.assertNotIn("figure name=", text)
        with open(out) as file:
            report = json.load(file)
        self.assertEqual(report["failed"], ["bench_broken"])
        self.assertIn("cores", report["machine"])
        self.assertTrue(report["date"])
        self.assertFalse(report["quick"])
        by_name = {figure["name"]: figure for figure in report["figures"]}
        self.assertEqual(sorted(by_name), ["broken.x", "fault_check.built_in", "periodic.worst"])
        self.assertEqual(by_name["periodic.worst"]["value"], 10.0)
        self.assertAlmostEqual(by_name["periodic.worst"]["ratio"], 5.0)

    def test_quick_runs_use_short_durations(self):
        out = os.path.join(self.directory.name, "quick.json")
        self.run_bench("--quick", "--out", out)
        with open(out) as file:
            report = json.load(file)
        self.assertTrue(report["quick"])
        values = {figure["name"]: figure["value"] for figure in report["figures"]}
        self.assertEqual(values["periodic.worst"], 1.0)
        self.assertEqual(values["fault_check.built_in"], 11.0)

    def test_comparison_names_changes_new_and_gone_figures(self):
        earlier = os.path.join(self.directory.name, "earlier.json")
        with open(earlier, "w") as file:
            json.dump({"date": "then", "figures": [
                {"name": "periodic.worst", "value": 8.0, "unit": "ms"},
                {"name": "retired.figure", "value": 1.0, "unit": "s"}]}, file)
        _, text = self.run_bench("--compare", earlier)
        comparison = text[text.index("earlier (then)"):]
        rows = {line.split()[0]: line for line in comparison.splitlines()[1:]}
        self.assertIn("+25.0 %", rows["periodic.worst"])
        self.assertTrue(rows["retired.figure"].endswith("gone"))
        self.assertTrue(rows["broken.x"].endswith("new"))


if __name__ == "__main__":
    unittest.main()
