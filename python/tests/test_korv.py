"""The Python module against korv-batch run as a process: the same JSON to the last digit."""

import concurrent.futures
import json
import math
import os
import shutil
import subprocess
import threading
import time
from pathlib import Path

import numpy as np
import pytest

import korv

BATCH = os.environ["KORV_BATCH"]
DATA = Path(os.environ["KORV_TEST_DATA"])
DATASETS = sorted(p for p in (DATA / "datasets").iterdir() if p.suffix in (".nT", ".pT"))
CLEAN = sorted(p for p in (DATA / "datasets" / "clean").iterdir() if p.suffix in (".nT", ".pT"))


def batch(*args):
    """korv-batch with --json: exit status, the JSON (None when nothing was printed), stderr."""
    run = subprocess.run([BATCH, *map(str, args), "--json"], capture_output=True, text=True, timeout=300)
    return run.returncode, (json.loads(run.stdout) if run.stdout else None), run.stderr


def stderr_message(stderr):
    return "\n".join(line.removeprefix("korv-batch: ") for line in stderr.splitlines() if line)


def korv_dict(call, *args, **kwargs):
    """to_dict() of a call, or the JSON that comes with its korv.Error, and the message."""
    try:
        return call(*args, **kwargs).to_dict(), None
    except korv.Error as e:
        return e.result, str(e)


def same_as_batch(batch_result, korv_result, files_written):
    status, expected, stderr = batch_result
    got, message = korv_result
    if not files_written:
        assert got["files"] == {}
        expected = dict(expected, files={})
        if "file" in expected:
            expected["file"] = None
    assert got == expected  # every field; numbers compare as the same doubles
    assert (message is None) == (status == 0)
    if message is not None:
        assert message == stderr_message(stderr)


@pytest.mark.parametrize("path", DATASETS, ids=lambda p: p.stem)
def test_analyze_equals_batch_json(path, tmp_path):
    batch_dir = tmp_path / "batch"
    expected = batch("analyze", path, "--outdir", batch_dir)
    assert expected[1] is not None, expected[2]
    # Without an outdir nothing is written, and the rest is the JSON field for field.
    same_as_batch(expected, korv_dict(korv.analyze, str(path)), files_written=False)
    # Into the same folder the files are the same too.
    same_as_batch(expected, korv_dict(korv.analyze, path, outdir=batch_dir), files_written=True)


def test_analyze_options_reach_the_road(tmp_path):
    path = DATA / "datasets" / "13_gan_n_two_donors.nT"
    cases = [
        (dict(smoothness=2000, g=[2, None, 4]), ["--smoothness", "2000", "--g1", "2", "--g3", "4"]),
        (dict(mass=0.22, minima=1, function="S"), ["--mass", "0.22", "--minima", "1", "--function", "S"]),
        (dict(g=1.5, evaluation_type="Type-C", answer=False), ["--g", "1.5", "--evaluation-type", "Type-C", "--answer", "no"]),
    ]
    for kwargs, args in cases:
        same_as_batch(batch("analyze", path, *args, "--outdir", tmp_path), korv_dict(korv.analyze, path, **kwargs), False)


SIDE = [
    ("one-impurity", korv.one_impurity, "01_si_n_P_lightcomp.nT", ["--low-index", "5", "--high-index", "40"], dict(low_index=5, high_index=40)),
    ("donor-acceptor", korv.donor_acceptor, "02_si_p_B_comp20.pT", ["--net-density", "8e15"], dict(net_density="8e15")),
    ("dhes", korv.dhes, "13_gan_n_two_donors.nT", ["--peaks", "2"], dict(peaks=2)),
    ("excited-states", korv.excited_states, "17_gan_p_Mg_excited_states.pT", [], {}),
    ("curve-fit", korv.curve_fit, "07_sic4h_n_N_two_sites.nT", ["--relative", "--merge-unresolved"], dict(relative=True, merge_unresolved=True)),
]


@pytest.mark.parametrize("command,call,name,args,kwargs", SIDE, ids=[s[0] for s in SIDE])
def test_side_analysis_equals_batch_json(command, call, name, args, kwargs, tmp_path):
    # Without an outdir: the JSON of korv-batch without --outdir, but with nothing written.
    shutil.copy(DATA / "datasets" / name, tmp_path)
    path = tmp_path / name
    got = korv_dict(call, path, **kwargs)
    assert os.listdir(tmp_path) == [name]
    expected = batch(command, path, *args)
    assert expected[1] is not None, expected[2]
    same_as_batch(expected, got, files_written=False)
    # With one: the same folder, the same files.
    out = tmp_path / "out"
    expected = batch(command, path, *args, "--outdir", out)
    same_as_batch(expected, korv_dict(call, path, outdir=str(out), **kwargs), files_written=True)


def test_nothing_is_written_without_outdir(tmp_path):
    shutil.copy(DATASETS[0], tmp_path)
    before = sorted(os.listdir(tmp_path))
    korv.analyze(tmp_path / DATASETS[0].name)
    korv.curve_fit(tmp_path / DATASETS[0].name)
    korv.read_measurement(tmp_path / DATASETS[0].name)
    assert sorted(os.listdir(tmp_path)) == before


def test_curves_come_from_the_record():
    r = korv.analyze(DATA / "datasets" / "13_gan_n_two_donors.nT")
    t, n = r.spline
    assert len(t) > 10 and t.dtype == np.float64 and np.all(np.diff(t) > 0) and np.all(n > 0)
    ft, ef = r.fermi_level
    assert np.array_equal(ft, t) and np.all(np.diff(ef) > 0)  # deeper with temperature
    assert sorted(r.h) == list(range(1, len(r["analyses"]) + 1)) or set(r.h) >= {1}
    for k, (ht, h) in r.h.items():
        assert np.array_equal(ht, t)
        # The peak of each evaluated H lies where the JSON says.
        if k <= len(r["analyses"]):
            i = int(np.argmin(abs(t - r["analyses"][k - 1]["peak_temperature"])))
            assert h[i] == r["analyses"][k - 1]["peak_value"]
    st, sn = r.simulation
    assert np.array_equal(st, t)
    assert np.all(sn > 0)
    assert np.median(abs(np.log(sn / n))) < 0.1  # the levels found describe the spline


def test_analyze_of_a_measurement_equals_analyze_of_its_file():
    path = DATA / "datasets" / "02_si_p_B_comp20.pT"
    m = korv.read_measurement(path)
    assert m.import_report is None and m.path == str(path)
    assert korv.analyze(m).to_dict() == korv.analyze(path).to_dict()
    fresh = korv.Measurement(temperature=m.temperature, concentration=m.concentration, reliability=m.reliability,
                             conduction_type=m.conduction_type, semiconductor=m.semiconductor)
    got = korv.analyze(fresh).to_dict()
    assert got["input"] is None
    assert got["analyses"] == korv.analyze(path).to_dict()["analyses"]


def test_read_measurement_fields():
    path = DATA / "datasets" / "01_si_n_P_lightcomp.nT"
    m = korv.read_measurement(path)
    lines = path.read_text().splitlines()
    points = np.array([[float(x) for x in line.split()] for line in lines[17:] if line.strip()])
    assert np.array_equal(m.temperature, points[:, 0])
    assert np.array_equal(m.concentration, points[:, 1])
    assert np.array_equal(m.reliability, points[:, 2])
    assert (m.conduction_type, m.semiconductor, len(m)) == ("n-type", "Si", 60)
    h = m.header
    assert h["sample_number"] == "Si-P-01" and h["thickness"] == 380 and h["number_of_data"] == 60
    assert h["version_information"] == "gen.py 1.0 (synthetic data)"


@pytest.mark.parametrize("path", DATASETS[:3], ids=lambda p: p.stem)
def test_save_round_trip_is_byte_identical(path, tmp_path, monkeypatch):
    m = korv.read_measurement(path)
    monkeypatch.chdir(tmp_path)
    m.save(path.name)  # the file names itself as it did
    assert (tmp_path / path.name).read_bytes() == path.read_bytes()


def test_measurement_from_arrays_round_trip(tmp_path):
    t = np.linspace(40, 400, 25)
    m = korv.Measurement(temperature=t, concentration=1e15 * t / 400, conduction_type="p-type",
                         semiconductor="Ge", sample_number="S-7", remark="made in Python")
    m.save(tmp_path / "a.pT")
    back = korv.read_measurement(tmp_path / "a.pT")
    assert np.array_equal(back.temperature, t)
    assert np.array_equal(back.reliability, np.ones(25))
    assert back.header["remark"] == "made in Python" and back.conduction_type == "p-type"
    back.save(tmp_path / "b.pT")
    back2 = korv.read_measurement(tmp_path / "b.pT")
    back2.save(tmp_path / "a.pT")
    assert (tmp_path / "a.pT").read_bytes() == (tmp_path / "b.pT").read_bytes().replace(b"b.pT", b"a.pT")


BAD_ARRAYS = [
    (dict(temperature=[10, 20, 30], concentration=[1e15, 2e15]), "differ in length"),
    (dict(temperature=[], concentration=[]), "temperature is empty"),
    (dict(temperature=[10, 20, math.nan], concentration=[1, 2, 3]), "temperature[2]"),
    (dict(temperature=[10, -20, 30], concentration=[1, 2, 3]), "temperature[1] = -20 is not positive"),
    (dict(temperature=[10, 20, 30, 40], concentration=[1, 2, 3, 0]), "concentration[3] = 0 is not positive"),
    (dict(temperature=[10, 20], concentration=[1, math.inf]), "concentration[1]"),
    (dict(temperature=[10, 20], concentration=[1, 2], reliability=[1, -1]), "reliability[1]"),
    (dict(temperature=[[10, 20]], concentration=[1, 2]), "one-dimensional"),
    (dict(temperature=["a", "b"], concentration=[1, 2]), "temperature"),
    (dict(temperature=[10, 20], concentration=[1, 2], conduction_type="x-type"), "conduction_type"),
]


@pytest.mark.parametrize("kwargs,words", BAD_ARRAYS)
def test_bad_arrays_raise_value_error_naming_the_element(kwargs, words):
    with pytest.raises(ValueError) as e:
        korv.Measurement(**kwargs)
    assert words in str(e.value)


def test_file_and_analysis_failures_raise_korv_error(tmp_path):
    assert issubclass(korv.Error, RuntimeError)
    missing = tmp_path / "missing.nT"
    status, _, stderr = batch("analyze", missing)
    with pytest.raises(korv.Error) as e:
        korv.analyze(missing)
    assert status == 2 and str(e.value) == stderr_message(stderr)
    with pytest.raises(korv.Error) as e:
        korv.read_measurement(missing)
    assert "missing.nT" in str(e.value)

    garbage = tmp_path / "garbage.nT"
    garbage.write_bytes(b"\x00\xff not a measurement\r\n1 2 3\r\n")
    with pytest.raises(korv.Error):
        korv.read_measurement(garbage)
    with pytest.raises(korv.Error):
        korv.dhes(garbage)

    # A measurement without a freeze-out range: H1 has no peak; the error carries the JSON.
    t = np.linspace(50, 400, 30)
    flat = korv.Measurement(temperature=t, concentration=np.full(30, 1e16))
    flat.save(tmp_path / "flat.nT")
    expected = batch("analyze", tmp_path / "flat.nT", "--outdir", tmp_path)
    assert expected[0] == 1
    same_as_batch(expected, korv_dict(korv.analyze, tmp_path / "flat.nT", outdir=str(tmp_path)), True)
    with pytest.raises(korv.Error) as e:
        korv.analyze(flat)
    assert e.value.result["error"] == str(e.value)

    with pytest.raises(korv.Error):
        korv.Measurement(temperature=[10], concentration=[1]).save(tmp_path / "no" / "such" / "dir.nT")


def test_bad_options_raise():
    path = DATASETS[0]
    with pytest.raises(korv.Error) as e:
        korv.analyze(path, function="Q")
    assert str(e.value) == stderr_message(batch("analyze", path, "--function", "Q")[2])
    with pytest.raises(korv.Error):
        korv.analyze(path, smoothness=-1)
    with pytest.raises(ValueError):
        korv.analyze(path, g=[1, 2, 3, 4])
    with pytest.raises(ValueError):
        korv.convert(DATA / "foreign_si_n.csv", no_such_option=3)
    with pytest.raises(TypeError):
        korv.convert(DATA / "foreign_si_n.csv", output_x=None, quiet=1)


def test_convert_passes_the_options_through(tmp_path):
    src = DATA / "foreign_si_n.csv"
    out = tmp_path / "b.nT"
    options = ["--t-column", "1", "--n-column", "2", "--type", "n-type", "--semiconductor", "Si", "--sample", "F-1"]
    run = subprocess.run([BATCH, "convert", src, *options, "-o", out], capture_output=True, text=True)
    assert run.returncode == 0, run.stderr
    m = korv.convert(src, t_column=1, n_column=2, type="n-type", semiconductor="Si", sample="F-1")
    expected = korv.read_measurement(out)
    assert np.array_equal(m.temperature, expected.temperature)
    assert np.array_equal(m.concentration, expected.concentration)
    assert m.header["sample_number"] == "F-1" and m.path is None
    assert run.stdout.startswith(m.import_report)
    # With an output it is written there, the same bytes but for the file's own name.
    m2 = korv.convert(src, output=str(tmp_path / "a.nT"), t_column=1, n_column=2, type="n-type",
                      semiconductor="Si", sample="F-1")
    assert m2.path == str(tmp_path / "a.nT")
    assert (tmp_path / "a.nT").read_bytes() == out.read_bytes().replace(b"b.nT", b"a.nT")
    with pytest.raises(korv.Error):
        korv.convert(tmp_path / "missing.csv", t_column=1, n_column=2, type="n-type")


def dataset_truth(path):
    return json.loads(path.with_suffix(".json").read_text())


@pytest.mark.parametrize("path", CLEAN, ids=lambda p: p.stem)
def test_simulate_reproduces_the_noise_free_data(path):
    truth = dataset_truth(path)
    m = korv.read_measurement(path)
    levels = [{"density": lv["density"], "energy": lv["energy"], "g": lv["g"],
               "excited": lv["excited"]["nmax"] if "excited" in lv else 0} for lv in truth["levels"]]
    excited = [lv["excited"] for lv in truth["levels"] if "excited" in lv]
    n = korv.simulate(levels=levels, compensating_density=truth["compensating_density"],
                      temperature=m.temperature, semiconductor=truth["semiconductor"],
                      conduction_type=truth["conduction_type"],
                      statistics="fermi-dirac" if truth["statistics"] == "fd" else "boltzmann",
                      dos_coefficient=truth["dos_coefficient"],
                      mass=excited[0]["mstar"] if excited else None,
                      dielectric_constant=excited[0]["eps"] if excited else None)
    # The files were made with slightly other values of k and q: kT differs by 4e-5
    # relatively, which e^(-E/kT) turns into up to 1e-3 in the freeze-out range.
    assert np.allclose(n, m.concentration, rtol=1.5e-3, atol=0)


def test_simulate_statistics_and_excited_states_change_the_curve():
    t = np.geomspace(30, 600, 30)
    args = dict(levels=[{"density": 2e18, "energy": 0.03}], compensating_density=2e17, temperature=t,
                semiconductor="ZnO")
    boltzmann = korv.simulate(**args)
    fermi_dirac = korv.simulate(statistics="fermi-dirac", **args)
    # Degenerate electrons: the statistics matter where the Fermi level nears the band, not in
    # the freeze-out range.
    assert abs(fermi_dirac[-1] / boltzmann[-1] - 1) > 5e-3
    assert np.isclose(fermi_dirac[0], boltzmann[0], rtol=1e-3)
    # Excited states raise the effective degeneracy, so fewer levels are ionised.
    assert np.all(korv.simulate(excited_states=4, **args) < boltzmann)
    assert np.array_equal(korv.simulate(excited_states=[4], **args),
                          korv.simulate(**dict(args, levels=[{"density": 2e18, "energy": 0.03, "excited": 4}])))


def test_simulate_solves_the_fits_charge_neutrality():
    t = np.geomspace(20, 600, 40)
    levels = [{"density": 5e16, "energy": 0.018, "g": 2}, {"density": 3e16, "energy": 0.064}]
    nd = 1.5e16
    n = korv.simulate(levels=levels, compensating_density=nd, temperature=t, semiconductor="alpha-GaN")
    coefficient = next(r for r in korv.materials() if r["name"] == "alpha-GaN")["conduction_band_coefficient"]
    kt = 1.38054e-23 * t / 1.6021e-19
    n1 = [coefficient * t**1.5 * np.exp(-lv["energy"] / kt) for lv in levels]
    ionised = sum(lv["density"] / (1 + lv.get("g", 2) * n / x) for lv, x in zip(levels, n1))
    assert np.allclose(n + nd, ionised, rtol=1e-12, atol=0)
    # The same with the coefficient given.
    assert np.array_equal(n, korv.simulate(levels=levels, compensating_density=nd, temperature=t,
                                           dos_coefficient=coefficient))


SIMULATE_ERRORS = [
    (dict(statistics="maxwell"), ValueError, "maxwell"),
    (dict(excited_degeneracy="g2"), ValueError, "g2"),
    (dict(excited_states=11), ValueError, "r_max"),
    (dict(excited_states=[2, 3]), ValueError, "2 entries for 1 levels"),
    (dict(excited_states=[]), ValueError, "excited_states"),
    (dict(semiconductor="Unobtainium"), ValueError, "Unobtainium"),
    (dict(temperature=[100, 0, 200]), ValueError, "temperature[1]"),
    (dict(levels=[]), ValueError, "levels"),
    (dict(levels=[{"density": -1, "energy": 0.05}]), ValueError, "levels[0]"),
    (dict(levels=[{"energy": 0.05}]), ValueError, "levels[0]"),
    (dict(conduction_type="i-type"), ValueError, "conduction_type"),
    (dict(compensating_density=2e16), korv.Error, ""),  # not below the sum of the densities
]


@pytest.mark.parametrize("kwargs,error,words", SIMULATE_ERRORS)
def test_simulate_errors(kwargs, error, words):
    args = dict(levels=[{"density": 1e16, "energy": 0.05}], compensating_density=1e14, temperature=[100, 200])
    args.update(kwargs)
    with pytest.raises(error) as e:
        korv.simulate(**args)
    assert words in str(e.value)


def test_materials_table():
    rows = korv.materials()
    assert len(rows) == 77
    si = next(r for r in rows if r["name"] == "Si")
    assert set(si) == {"name", "conduction_band_coefficient", "valence_band_coefficient", "electron_mass",
                       "hole_mass", "electron_minima", "hole_minima", "dielectric_constant"}
    assert si["electron_minima"] == 6


def test_thread_pool_gives_the_same_results():
    paths = DATASETS * 2
    one_by_one = [korv_dict(korv.analyze, p) for p in paths]
    with concurrent.futures.ThreadPoolExecutor(max_workers=4) as pool:
        pooled = list(pool.map(lambda p: korv_dict(korv.analyze, p), paths))
    assert pooled == one_by_one
    with concurrent.futures.ThreadPoolExecutor(max_workers=3) as pool:
        fits = list(pool.map(lambda p: korv_dict(korv.curve_fit, p, relative=True), paths))
    assert fits == [korv_dict(korv.curve_fit, p, relative=True) for p in paths]


def test_long_calls_release_the_gil():
    done = threading.Event()
    ticks = 0

    def work():
        for _ in range(3):
            korv.analyze(DATASETS[0])
        done.set()

    worker = threading.Thread(target=work)
    worker.start()
    while not done.is_set():
        ticks += 1
        time.sleep(0.001)
    worker.join()
    # Held through the analyses, the GIL would let this loop run only between calls.
    assert ticks > 20


def test_help_shows_signatures():
    assert "smoothness" in korv.analyze.__doc__ and "outdir" in korv.analyze.__doc__
    assert korv.Measurement.save.__doc__
    stubs = Path(korv.__file__).with_name("korv.pyi").read_text()
    for name in ("read_measurement", "convert", "analyze", "one_impurity", "donor_acceptor", "dhes",
                 "excited_states", "curve_fit", "simulate", "materials"):
        assert f"def {name}(" in stubs
        assert callable(getattr(korv, name))
