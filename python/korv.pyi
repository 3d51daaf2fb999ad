# Type stubs of the korv module (KORV from Python).
from os import PathLike
from typing import Any, Sequence

import numpy as np
import numpy.typing as npt

__version__: str

_Path = str | PathLike[str]
_Array = npt.NDArray[np.float64]
_Curve = tuple[_Array, _Array]

class Error(RuntimeError):
    """A failure of an analysis or of a file, with KORV's own message."""

    result: dict[str, Any] | None

class Measurement:
    """A Hall-effect measurement n(T): the points and the header of a *.nT or *.pT file."""

    def __init__(
        self,
        *,
        temperature: npt.ArrayLike,
        concentration: npt.ArrayLike,
        reliability: npt.ArrayLike | None = None,
        conduction_type: str = "n-type",
        semiconductor: str = "Si",
        sample_number: str = "",
        measurement_name: str = "",
        measurement_date: str = "",
        analysis_name: str = "",
        analysis_date: str = "",
        remark: str = "",
        thickness: float = 0.0,
        magnetic_field: float = 0.0,
        current: float = 0.0,
        original_file: str = "",
    ) -> None: ...
    @property
    def temperature(self) -> _Array: ...
    @property
    def concentration(self) -> _Array: ...
    @property
    def reliability(self) -> _Array: ...
    @property
    def conduction_type(self) -> str: ...
    @property
    def semiconductor(self) -> str: ...
    @property
    def header(self) -> dict[str, Any]: ...
    @property
    def path(self) -> str | None: ...
    @property
    def import_report(self) -> str | None: ...
    def save(self, path: _Path) -> None: ...
    def __len__(self) -> int: ...

class Result:
    """What a korv-batch command gives with --json."""

    def to_dict(self) -> dict[str, Any]: ...
    def __getitem__(self, key: str) -> Any: ...
    def __contains__(self, key: str) -> bool: ...

class AnalysisResult(Result):
    """korv.analyze's result: the JSON and the curves of the analysis."""

    @property
    def spline(self) -> _Curve: ...
    @property
    def fermi_level(self) -> _Curve: ...
    @property
    def h(self) -> dict[int, _Curve]: ...
    @property
    def simulation(self) -> _Curve: ...

def read_measurement(path: _Path) -> Measurement: ...
def convert(path: _Path, *, output: _Path | None = None, **options: Any) -> Measurement: ...
def analyze(
    measurement: Measurement | _Path,
    *,
    smoothness: float = 5000.0,
    mass: float | None = None,
    minima: float | None = None,
    g: float | Sequence[float | None] | None = None,
    function: str = "H",
    evaluation_type: str | None = None,
    answer: bool | str | None = None,
    outdir: _Path | None = None,
) -> AnalysisResult: ...
def one_impurity(
    measurement: Measurement | _Path,
    *,
    low_index: int | None = None,
    high_index: int | None = None,
    smoothness: float = 5000.0,
    mass: float | None = None,
    minima: float | None = None,
    outdir: _Path | None = None,
) -> Result: ...
def donor_acceptor(
    measurement: Measurement | _Path,
    *,
    net_density: float | str,
    low_index: int | None = None,
    high_index: int | None = None,
    smoothness: float = 5000.0,
    mass: float | None = None,
    minima: float | None = None,
    outdir: _Path | None = None,
) -> Result: ...
def dhes(
    measurement: Measurement | _Path,
    *,
    peaks: int | None = None,
    presses: Sequence[int] | None = None,
    smoothness: float = 5000.0,
    mass: float | None = None,
    minima: float | None = None,
    outdir: _Path | None = None,
) -> Result: ...
def excited_states(
    measurement: Measurement | _Path,
    *,
    dielectric_constant: float | None = None,
    after_h1: bool = False,
    smoothness: float = 5000.0,
    mass: float | None = None,
    minima: float | None = None,
    outdir: _Path | None = None,
) -> Result: ...
def curve_fit(
    measurement: Measurement | _Path,
    *,
    low_index: int | None = None,
    high_index: int | None = None,
    compensating_density: float | str | None = None,
    relative: bool = False,
    merge_unresolved: bool = False,
    smoothness: float = 5000.0,
    mass: float | None = None,
    minima: float | None = None,
    outdir: _Path | None = None,
) -> Result: ...
def simulate(
    *,
    levels: Sequence[dict[str, float]],
    compensating_density: float,
    temperature: npt.ArrayLike,
    semiconductor: str = "Si",
    conduction_type: str = "n-type",
    statistics: str = "boltzmann",
    excited_states: int | Sequence[int | None] | None = None,
    dos_coefficient: float | None = None,
    mass: float | None = None,
    dielectric_constant: float | None = None,
    excited_degeneracy: str = "g-r2",
) -> _Array: ...
def materials() -> list[dict[str, Any]]: ...
