"""The guide's example runs and writes its PNG."""

import os
import runpy
import sys
from pathlib import Path

HERE = Path(__file__).resolve().parent


def test_example_writes_its_png(tmp_path, monkeypatch, capsys):
    png = tmp_path / "plot.png"
    monkeypatch.setattr(sys, "argv", ["plot_analysis.py", str(HERE.parent / "si_n_phosphorus.nT"), str(png)])
    runpy.run_path(str(HERE / "plot_analysis.py"), run_name="__main__")
    assert png.read_bytes()[:8] == b"\x89PNG\r\n\x1a\n"
    assert os.path.getsize(png) > 10000
    out = capsys.readouterr().out
    assert "H1: N = " in out and "relative fit" in out
