"""KORV from Python: read a measurement, analyse it, fit it and plot the result.

    PYTHONPATH=build/python python3 examples/python/plot_analysis.py [FILE.nT] [OUT.png]

The plot shows the measured points, the simulation from the levels that the analysis found
and the relative curve fit's n(T), and is saved as a PNG (default: plot_analysis.png).
"""

import sys
from pathlib import Path

import matplotlib

matplotlib.use("Agg")  # no window: the plot goes to a file
import matplotlib.pyplot as plt
import numpy as np

import korv

here = Path(__file__).resolve().parent
path = Path(sys.argv[1]) if len(sys.argv) > 1 else here.parent / "si_n_phosphorus.nT"
png = Path(sys.argv[2]) if len(sys.argv) > 2 else Path("plot_analysis.png")

m = korv.read_measurement(path)
result = korv.analyze(m)  # nothing is written without outdir=
for level in result["analyses"]:
    print(f"{level['name']}: N = {level['density']:.3e} cm^-3, E = {level['energy_level']:.4f} eV")
print(f"compensating density: {result['compensating_density']:.3e} cm^-3")

fit = korv.curve_fit(m, relative=True, merge_unresolved=True).to_dict()
adjusted = fit["adjusted"]
levels = [{"density": lv["density"]["value"], "energy": lv["energy_level"]["value"], "g": lv["g"]}
          for lv in adjusted["levels"]]
t = np.geomspace(m.temperature.min(), m.temperature.max(), 200)
n_fit = korv.simulate(levels=levels, compensating_density=adjusted["compensating_density"]["value"],
                      temperature=t, semiconductor=m.semiconductor, conduction_type=m.conduction_type)
print(f"relative fit: reduced chi^2 = {fit['reduced_chi2']:.3g}, {len(levels)} level(s)")

fig, ax = plt.subplots(figsize=(7, 5))
ax.semilogy(1000 / m.temperature, m.concentration, "o", mfc="none", label="measured")
st, sn = result.simulation
ax.semilogy(1000 / st, sn, "-", label="simulation (levels of the analysis)")
ax.semilogy(1000 / t, n_fit, "--", label="relative curve fit")
ax.set_xlabel("1000 / T [1/K]")
ax.set_ylabel("majority-carrier concentration [cm$^{-3}$]")
ax.set_title(f"{m.semiconductor} ({m.conduction_type}), sample {m.header['sample_number']}")
ax.legend()
fig.tight_layout()
fig.savefig(png, dpi=100)
print(f"wrote {png}")
