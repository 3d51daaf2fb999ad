// The Python module korv: KORV's engine for scripts and notebooks. The analyses run
// korv-batch's own command lines in-process (batch/Commandline.h), so a result's to_dict()
// is the JSON that korv-batch prints, number for number.
#include <gsl/gsl_errno.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <stdlib.h>

#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "analyses/RelativeFit.h"
#include "app/batch/CommandLine.h"
#include "app/batch/ConvertCommand.h"
#include "app/batch/Options.h"
#include "core/Analysis.h"
#include "core/Error.h"
#include "core/HeaderBlocks.h"
#include "core/Version.h"
#include "materials/MaterialTable.h"
#include "presenters/main/MainPresenter.h"

namespace py = pybind11;
namespace fs = std::filesystem;

namespace {

PyObject* korvError = nullptr;  // korv.Error, set when the module is created

// ---- Helpers -------------------------------------------------------------------------

// The shortest text that reads back as the same double: what the command line is given.
std::string Exact(double v) {
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, res.ptr);
}

// A private folder for the files of one call, removed with everything in it at the end.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "korv-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw korv::Error("No temporary folder could be made in " + pattern + ".");
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

// The lines korv-batch wrote to its error stream, without the program's name: the message.
std::string ErrorMessage(const std::string& err) {
  std::istringstream in(err);
  std::string line, message;
  while (std::getline(in, line)) {
    if (line.rfind("korv-batch: ", 0) == 0) line.erase(0, 12);
    if (line.empty()) continue;
    message += (message.empty() ? "" : "\n") + line;
  }
  return message.empty() ? "the command failed" : message;
}

// Raises korv.Error with `message`; `result`, when given, goes along as its attribute.
[[noreturn]] void RaiseKorvError(const std::string& message, py::object result = py::none()) {
  py::object error = py::reinterpret_borrow<py::object>(korvError)(message);
  error.attr("result") = result;
  PyErr_SetObject(korvError, error.ptr());
  throw py::error_already_set();
}

py::array_t<double> ToArray(const std::vector<double>& v) {
  py::array_t<double> a(static_cast<py::ssize_t>(v.size()));
  std::copy(v.begin(), v.end(), a.mutable_data());
  return a;
}

// The first `count` values of `v` (fewer when it holds fewer).
py::array_t<double> Head(const std::vector<double>& v, std::size_t count) {
  return ToArray(std::vector<double>(v.begin(), v.begin() + std::min(count, v.size())));
}

// A one-dimensional float64 array from any sequence; ValueError naming `name` otherwise.
std::vector<double> ToVector(const py::handle& value, const char* name) {
  py::array_t<double, py::array::c_style | py::array::forcecast> a;
  try {
    a = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(value);
  } catch (const py::error_already_set&) {
  }
  if (!a) throw py::value_error(std::string(name) + " is not an array of numbers");
  if (a.ndim() != 1) throw py::value_error(std::string(name) + " must be one-dimensional");
  return std::vector<double>(a.data(), a.data() + a.size());
}

enum class Check { Finite, Positive, NonNegative };

// ValueError with the index of the first element that breaks `check`.
void CheckValues(const std::vector<double>& v, const char* name, Check check) {
  if (v.empty()) throw py::value_error(std::string(name) + " is empty");
  for (std::size_t i = 0; i < v.size(); ++i) {
    const std::string at = std::string(name) + "[" + std::to_string(i) + "] = " + Exact(v[i]);
    if (!std::isfinite(v[i])) throw py::value_error(at + " is not a finite number");
    if (check == Check::Positive && v[i] <= 0) throw py::value_error(at + " is not positive");
    if (check == Check::NonNegative && v[i] < 0) throw py::value_error(at + " is negative");
  }
}

void CheckConductionType(const std::string& type) {
  if (type != "n-type" && type != "p-type")
    throw py::value_error("conduction_type must be \"n-type\" or \"p-type\", not \"" + type + "\"");
}

// The output of one command line run in-process, with the GIL released meanwhile.
struct CommandRun {
  int status = 0;
  std::string out, err;
};

CommandRun Run(const std::vector<std::string>& args, const korv::batch::CommandHooks& hooks = {}) {
  CommandRun run;
  py::gil_scoped_release release;
  std::ostringstream out, err;
  run.status = korv::batch::RunCommandLine(args, out, err, hooks);
  run.out = out.str();
  run.err = err.str();
  return run;
}

// A str or os.PathLike as a path; None as none.
std::optional<std::string> OptionalPath(const py::object& path) {
  if (path.is_none()) return std::nullopt;
  return py::str(py::module_::import("os").attr("fspath")(path)).cast<std::string>();
}

py::object JsonLoads(const std::string& text) { return py::module_::import("json").attr("loads")(text); }

// ---- Measurement --------------------------------------------------------------------

struct Measurement {
  std::vector<double> temperature, concentration, reliability;
  std::string conductionType = "n-type", semiconductor = "Si";
  std::string versionInformation = korv::ui::kVersionInformation;
  std::string originalFile, measurementName, measurementDate, analysisName, analysisDate, sampleNumber, remark;
  double thickness = 0, magneticField = 0, current = 0;
  std::string path;  // the file it was read from; empty for one made from arrays
  std::string importReport;

  // Throws ValueError for arrays that no measurement file can hold.
  void Validate() const {
    CheckValues(temperature, "temperature", Check::Positive);
    CheckValues(concentration, "concentration", Check::Positive);
    CheckValues(reliability, "reliability", Check::NonNegative);
    if (concentration.size() != temperature.size() || reliability.size() != temperature.size())
      throw py::value_error("temperature, concentration and reliability differ in length (" +
                            std::to_string(temperature.size()) + ", " + std::to_string(concentration.size()) + ", " +
                            std::to_string(reliability.size()) + ")");
    CheckConductionType(conductionType);
  }

  void ToRecord(Analysis& a) const {
    a.Temperature = temperature;
    a.Concentration = concentration;
    a.Reliability = reliability;
    a.DataCount = static_cast<int>(temperature.size());
    a.ConductionType = conductionType;
    a.Semiconductor = semiconductor;
    a.VersionInformation = versionInformation;
    a.OriginalFile = originalFile;
    a.MeasurementName = measurementName;
    a.MeasurementDate = measurementDate;
    a.AnalysisName = analysisName;
    a.AnalysisDate = analysisDate;
    a.SampleNumber = sampleNumber;
    a.Remark = remark;
    a.Thickness = thickness;
    a.MagneticField = magneticField;
    a.Current = current;
  }

  static Measurement FromRecord(const Analysis& a) {
    Measurement m;
    m.temperature = a.Temperature;
    m.concentration = a.Concentration;
    m.reliability = a.Reliability;
    m.conductionType = a.ConductionType;
    m.semiconductor = a.Semiconductor;
    m.originalFile = a.OriginalFile;
    m.measurementName = a.MeasurementName;
    m.measurementDate = a.MeasurementDate;
    m.analysisName = a.AnalysisName;
    m.analysisDate = a.AnalysisDate;
    m.sampleNumber = a.SampleNumber;
    m.remark = a.Remark;
    m.thickness = a.Thickness;
    m.magneticField = a.MagneticField;
    m.current = a.Current;
    return m;
  }

  // Writes the measurement file (CR LF, atomically); throws korv::Error when it cannot.
  void Save(const std::string& file) const {
    Analysis a;
    ToRecord(a);
    a.ExperimentalDataFile = file;
    a.SaveMeasurementFile();
  }

  // The file name a copy of it gets in a private folder.
  std::string FileName() const {
    if (!path.empty()) return fs::path(path).filename().string();
    return conductionType == "p-type" ? "measurement.pT" : "measurement.nT";
  }

  py::dict Header() const {
    py::dict h;
    h["version_information"] = versionInformation;
    h["original_file"] = originalFile;
    h["experimental_data_file"] = path;
    h["measurement_name"] = measurementName;
    h["measurement_date"] = measurementDate;
    h["analysis_name"] = analysisName;
    h["analysis_date"] = analysisDate;
    h["sample_number"] = sampleNumber;
    h["semiconductor"] = semiconductor;
    h["conduction_type"] = conductionType;
    h["thickness"] = thickness;
    h["magnetic_field"] = magneticField;
    h["current"] = current;
    h["number_of_data"] = temperature.size();
    h["remark"] = remark;
    return h;
  }
};

// The version line of a measurement file, which the record does not keep.
std::string ReadVersionLine(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  std::string line;
  std::getline(in, line);
  std::getline(in, line);
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
  const std::string label = korv::header::kVersion;
  return line.rfind(label, 0) == 0 ? line.substr(label.size()) : korv::ui::kVersionInformation;
}

Measurement ReadMeasurement(const std::string& file) {
  Measurement m;
  {
    py::gil_scoped_release release;
    Analysis a;
    a.ExperimentalDataFile = file;
    a.LoadMeasurementFile();
    m = Measurement::FromRecord(a);
    m.versionInformation = ReadVersionLine(file);
    m.path = file;
  }
  return m;
}

// ---- Results ---------------------------------------------------------------------------

// What a command's --json printed, as a dict.
struct Result {
  py::object dict;
};

// analyze's result: the JSON and the curves of the record after the road.
struct AnalyzeResult : Result {
  std::vector<double> splineT, splineN, fermi, simulation;
  std::vector<std::vector<double>> h;  // H1..H3 (or S1..S3), empty when not calculated
};

// The command line for `input` (a path or a Measurement): with no outdir the files go to a
// private folder and are dropped from the result.
struct Input {
  std::string path;
  std::string shown;  // what "input" says in the result; None for an unsaved measurement
  bool fromMeasurement = false;
};

Input PrepareInput(const py::object& source, const TempFolder& folder) {
  Input in;
  if (py::isinstance<Measurement>(source)) {
    const Measurement& m = source.cast<const Measurement&>();
    m.Validate();
    in.path = (folder.Path() / m.FileName()).string();
    in.shown = m.path;
    in.fromMeasurement = true;
    py::gil_scoped_release release;
    m.Save(in.path);
  } else {
    in.path = py::str(py::module_::import("os").attr("fspath")(source)).cast<std::string>();
    in.shown = in.path;
  }
  return in;
}

void AddRoad(std::vector<std::string>& args, double smoothness, std::optional<double> mass,
             std::optional<double> minima) {
  args.insert(args.end(), {"--smoothness", Exact(smoothness)});
  if (mass) args.insert(args.end(), {"--mass", Exact(*mass)});
  if (minima) args.insert(args.end(), {"--minima", Exact(*minima)});
}

std::string OutdirFor(const std::optional<std::string>& outdir, const TempFolder& folder) {
  if (!outdir) return (folder.Path() / "out").string();
  return *outdir;
}

// The JSON as korv-batch prints it without --outdir, and with no file written: the files
// listed are empty, the options name no folder.
void ForgetPrivateFolder(py::object& result) {
  if (result.contains("files")) result["files"] = py::dict();
  if (result.contains("file")) result["file"] = py::none();  // dhes: the *.DHES file
  if (result.contains("options") && result["options"].contains("outdir")) result["options"].attr("pop")("outdir");
  if (result.contains("inputs") && result["inputs"].contains("outdir")) result["inputs"]["outdir"] = "";
}

// Runs `args` (with --json and --outdir added), turns the JSON into a dict and raises
// korv.Error for a failure.
py::object RunJson(std::vector<std::string> args, const Input& in, const std::optional<std::string>& outdir,
                   const TempFolder& folder, const korv::batch::CommandHooks& hooks = {}) {
  const std::string dir = OutdirFor(outdir, folder);
  if (!outdir) fs::create_directory(dir);
  args.insert(args.end(), {"--json", "--outdir", dir});
  CommandRun run = Run(args, hooks);
  py::object result = py::none();
  if (!run.out.empty()) {
    result = JsonLoads(run.out);
    const py::object shown = in.shown.empty() ? py::object(py::none()) : py::str(in.shown);
    if (in.fromMeasurement) result["input"] = shown;
    if (!outdir) ForgetPrivateFolder(result);
    if (in.fromMeasurement && result.contains("inputs")) result["inputs"]["file"] = shown;
  }
  if (run.status != 0) RaiseKorvError(ErrorMessage(run.err), result);
  return result;
}

AnalyzeResult Analyze(const py::object& source, double smoothness, std::optional<double> mass,
                      std::optional<double> minima, const py::object& g, const std::string& function,
                      const std::optional<std::string>& evaluationType, const py::object& answer,
                      const py::object& outdirArg) {
  const std::optional<std::string> outdir = OptionalPath(outdirArg);
  TempFolder folder;
  Input in = PrepareInput(source, folder);
  std::vector<std::string> args = {"analyze", in.path};
  AddRoad(args, smoothness, mass, minima);
  if (!g.is_none()) {
    if (py::isinstance<py::float_>(g) || py::isinstance<py::int_>(g)) {
      args.insert(args.end(), {"--g", Exact(g.cast<double>())});
    } else {
      auto values = g.cast<std::vector<std::optional<double>>>();
      if (values.size() > 3) throw py::value_error("g holds at most three degeneracy factors (H1, H2, H3)");
      for (std::size_t k = 0; k < values.size(); ++k)
        if (values[k]) args.insert(args.end(), {"--g" + std::to_string(k + 1), Exact(*values[k])});
    }
  }
  args.insert(args.end(), {"--function", function});
  if (evaluationType) args.insert(args.end(), {"--evaluation-type", *evaluationType});
  if (!answer.is_none()) {
    std::string text =
        py::isinstance<py::bool_>(answer) ? (answer.cast<bool>() ? "yes" : "no") : answer.cast<std::string>();
    args.insert(args.end(), {"--answer", text});
  }
  AnalyzeResult r;
  korv::batch::CommandHooks hooks;
  hooks.analyzed = [&r](const korv::batch::AnalyzeReport&, Analysis& a) {
    const std::size_t n = a.SplineTemperature.size();
    if (n < 2) return;
    r.splineT = a.SplineTemperature;
    r.splineN = a.SplineConcentration;
    if (a.FermiLevel.size() >= n) r.fermi.assign(a.FermiLevel.begin(), a.FermiLevel.begin() + n);
    if (a.SimulatedConcentration.size() >= n)
      r.simulation.assign(a.SimulatedConcentration.begin(), a.SimulatedConcentration.begin() + n);
    for (std::size_t k = 0; k < 3; ++k) {
      const bool calculated = k < a.HValues.size() && a.HValues[k].size() >= n;
      r.h.push_back(calculated ? std::vector<double>(a.HValues[k].begin(), a.HValues[k].begin() + n)
                               : std::vector<double>());
    }
  };
  r.dict = RunJson(args, in, outdir, folder, hooks);
  return r;
}

struct RoadArgs {
  double smoothness = 5000;
  std::optional<double> mass, minima;
  std::optional<std::string> outdir;
};

Result SideCommand(const std::string& command, const py::object& source, std::vector<std::string> own,
                   const RoadArgs& road) {
  TempFolder folder;
  Input in = PrepareInput(source, folder);
  std::vector<std::string> args = {command, in.path};
  AddRoad(args, road.smoothness, road.mass, road.minima);
  args.insert(args.end(), own.begin(), own.end());
  return Result{RunJson(args, in, road.outdir, folder)};
}

void AddIndices(std::vector<std::string>& args, std::optional<int> low, std::optional<int> high) {
  if (low) args.insert(args.end(), {"--low-index", std::to_string(*low)});
  if (high) args.insert(args.end(), {"--high-index", std::to_string(*high)});
}

// A value typed into an edit as given: a string as it is, a number in its shortest form.
std::string Typed(const py::object& value) {
  if (py::isinstance<py::str>(value)) return value.cast<std::string>();
  return Exact(value.cast<double>());
}

// ---- convert -----------------------------------------------------------------------------

// A keyword becomes the long option of the same name ("t_column" -> --t-column): True is a
// flag, False and None leave it out, anything else is its value as text.
std::vector<std::string> OptionArgs(const py::kwargs& options) {
  std::vector<std::string> args;
  for (auto item : options) {
    std::string name = item.first.cast<std::string>();
    for (char& c : name)
      if (c == '_') c = '-';
    py::handle value = item.second;
    if (value.is_none()) continue;
    if (py::isinstance<py::bool_>(value)) {
      if (value.cast<bool>()) args.push_back("--" + name);
      continue;
    }
    if (name == "output" || name == "o" || name == "quiet")
      throw py::type_error("convert() takes the output file as its own argument, not as --" + name);
    std::string text;
    if (py::isinstance<py::float_>(value))
      text = Exact(value.cast<double>());
    else
      text = py::str(value).cast<std::string>();
    args.insert(args.end(), {"--" + name, text});
  }
  return args;
}

Measurement Convert(const py::object& source, const py::object& outputArg, const py::kwargs& options) {
  const std::optional<std::string> output = OptionalPath(outputArg);
  TempFolder folder;
  const std::string path = py::str(py::module_::import("os").attr("fspath")(source)).cast<std::string>();
  std::vector<std::string> args = {"convert", path};
  std::vector<std::string> own = OptionArgs(options);
  args.insert(args.end(), own.begin(), own.end());
  // The type decides the extension that the window proposes; the file name is ours.
  bool pType = false;
  for (std::size_t i = 0; i + 1 < own.size(); ++i)
    if (own[i] == "--type" && own[i + 1] == "p-type") pType = true;
  const std::string target = output ? *output : (folder.Path() / (pType ? "converted.pT" : "converted.nT")).string();
  args.insert(args.end(), {"-o", target});

  korv::batch::ConvertReport report;
  {
    korv::batch::Command command;
    try {
      command = korv::batch::ParseCommandLine(args);
    } catch (const korv::batch::UsageError& e) {
      throw py::value_error(e.what());
    }
    py::gil_scoped_release release;
    try {
      report = korv::batch::RunConvert(command.convert);
    } catch (const std::exception& e) {
      report.exitStatus = 1;
      report.failure = e.what();
    }
  }
  if (report.exitStatus != 0) RaiseKorvError(report.failure);
  Measurement m = ReadMeasurement(report.output.empty() ? target : report.output);
  m.importReport = report.report;
  if (!output) m.path.clear();
  return m;
}

// ---- simulate ------------------------------------------------------------------------------

py::array_t<double> Simulate(const py::list& levels, double compensatingDensity, const py::object& temperature,
                             const std::string& semiconductor, const std::string& conductionType,
                             const std::string& statistics, const py::object& excitedStates,
                             std::optional<double> dosCoefficient, std::optional<double> mass,
                             std::optional<double> dielectricConstant, const std::string& excitedDegeneracy) {
  CheckConductionType(conductionType);
  korv::analyses::ForwardModel model;
  if (statistics == "boltzmann")
    model.statistics = korv::analyses::Statistics::Boltzmann;
  else if (statistics == "fermi-dirac")
    model.statistics = korv::analyses::Statistics::FermiDirac;
  else
    throw py::value_error("statistics=\"" + statistics + "\" is not one of \"boltzmann\", \"fermi-dirac\"");
  if (excitedDegeneracy == "g-r2")
    model.excitedWeight = korv::analyses::ExcitedWeight::GroundTimesR2;
  else if (excitedDegeneracy == "r2")
    model.excitedWeight = korv::analyses::ExcitedWeight::R2;
  else
    throw py::value_error("excited_degeneracy=\"" + excitedDegeneracy + "\" is not one of \"g-r2\", \"r2\"");
  std::vector<double> t = ToVector(temperature, "temperature");
  CheckValues(t, "temperature", Check::Positive);
  if (!std::isfinite(compensatingDensity) || compensatingDensity < 0)
    throw py::value_error("compensating_density = " + Exact(compensatingDensity) + " is not a number of 0 or more");
  // excited_states: None (none), one r_max for every level, or a list with one r_max per level;
  // a level's own "excited" entry wins.
  auto excitedOf = [&](std::size_t i) -> int {
    if (excitedStates.is_none()) return 0;
    if (py::isinstance<py::int_>(excitedStates)) return excitedStates.cast<int>();
    const py::list list = excitedStates.cast<py::list>();
    if (list.size() != levels.size())
      throw py::value_error("excited_states has " + std::to_string(list.size()) + " entries for " +
                            std::to_string(levels.size()) + " levels");
    return list[i].is_none() ? 0 : list[i].cast<int>();
  };
  const double defaultG = conductionType == "p-type" ? 4 : 2;
  for (std::size_t i = 0; i < levels.size(); ++i) {
    const py::dict level = levels[i].cast<py::dict>();
    const std::string at = "levels[" + std::to_string(i) + "]";
    if (!level.contains("density") || !level.contains("energy"))
      throw py::value_error(at + " needs \"density\" and \"energy\"");
    korv::analyses::RelativeDopant d;
    d.density = level["density"].cast<double>();
    d.level = level["energy"].cast<double>();
    d.g = level.contains("g") ? level["g"].cast<double>() : defaultG;
    d.excited = level.contains("excited") ? level["excited"].cast<int>() : excitedOf(i);
    if (!std::isfinite(d.density) || d.density <= 0)
      throw py::value_error(at + "[\"density\"] = " + Exact(d.density) + " is not positive");
    if (!std::isfinite(d.level)) throw py::value_error(at + "[\"energy\"] is not a finite number");
    if (!std::isfinite(d.g) || d.g <= 0) throw py::value_error(at + "[\"g\"] = " + Exact(d.g) + " is not positive");
    if (d.excited < 0 || d.excited > korv::analyses::kMaxExcited)
      throw py::value_error(at + ": the excited states' r_max = " + std::to_string(d.excited) + " is not 0 .. " +
                            std::to_string(korv::analyses::kMaxExcited));
    model.dopants.push_back(d);
  }
  if (model.dopants.empty()) throw py::value_error("levels is empty");
  Analysis a;
  a.Semiconductor = semiconductor;
  a.ConductionType = conductionType;
  const bool known = korv::ApplyMaterialParameters(a);
  if (!known && (!dosCoefficient || !mass || !dielectricConstant))
    throw py::value_error("semiconductor \"" + semiconductor +
                          "\" is not in the material table (korv.materials()); give dos_coefficient, mass and "
                          "dielectric_constant");
  model.compensatingDensity = compensatingDensity;
  model.dosCoefficient = dosCoefficient ? *dosCoefficient : a.DosCoefficient;
  model.mass = mass ? *mass : a.EffectiveMass;
  model.dielectricConstant = dielectricConstant ? *dielectricConstant : a.DielectricConstant;
  std::vector<double> n;
  {
    py::gil_scoped_release release;
    n = korv::analyses::SimulateConcentration(model, t);
  }
  return ToArray(n);
}

py::list Materials() {
  py::list rows;
  for (const korv::MaterialParameters& p : korv::MaterialTable()) {
    py::dict row;
    row["name"] = std::string(p.Name);
    row["conduction_band_coefficient"] = p.ConductionBandCoefficient;
    row["valence_band_coefficient"] = p.ValenceBandCoefficient;
    row["electron_mass"] = p.ElectronMass;
    row["hole_mass"] = p.HoleMass;
    row["electron_minima"] = p.ElectronMinima;
    row["hole_minima"] = korv::MaterialParameters::HoleMinima;
    row["dielectric_constant"] = p.DielectricConstant;
    rows.append(row);
  }
  return rows;
}

const char* kRoadDoc =
    "smoothness, mass and minima are those of the main road (--smoothness, --mass, --minima); "
    "outdir is where the files go (None: nothing is written and the result's \"files\" is empty).";

}  // namespace

PYBIND11_MODULE(korv, m) {
  m.doc() =
      "KORV from Python: the engine of KORV (dopant densities and energy levels from Hall-effect\n"
      "measurements). Every analysis runs the command of korv-batch in-process, so to_dict() of a\n"
      "result equals the JSON that `korv-batch COMMAND --json` prints.";
  m.attr("__version__") = KORV_VERSION;
  // The relative fit switches GSL's abort-on-error handler off around its work and back to
  // what it found; off from the start, every thread finds and restores the same handler.
  gsl_set_error_handler_off();

  static py::exception<korv::Error> error(m, "Error", PyExc_RuntimeError);
  korvError = error.ptr();
  error.doc() = "A failure of an analysis or of a file, with KORV's own message.";
  py::register_exception_translator([](std::exception_ptr p) {
    try {
      if (p) std::rethrow_exception(p);
    } catch (const korv::Error& e) {
      py::object err = py::reinterpret_borrow<py::object>(korvError)(e.what());
      err.attr("result") = py::none();
      PyErr_SetObject(korvError, err.ptr());
    }
  });

  py::class_<Measurement>(m, "Measurement",
                          "A Hall-effect measurement n(T): the points and the header of a *.nT or *.pT file.")
      .def(py::init([](const py::object& temperature, const py::object& concentration, const py::object& reliability,
                       const std::string& conductionType, const std::string& semiconductor,
                       const std::string& sampleNumber, const std::string& measurementName,
                       const std::string& measurementDate, const std::string& analysisName,
                       const std::string& analysisDate, const std::string& remark, double thickness,
                       double magneticField, double current, const std::string& originalFile) {
             Measurement x;
             x.temperature = ToVector(temperature, "temperature");
             x.concentration = ToVector(concentration, "concentration");
             x.reliability = reliability.is_none() ? std::vector<double>(x.temperature.size(), 1.0)
                                                   : ToVector(reliability, "reliability");
             x.conductionType = conductionType;
             x.semiconductor = semiconductor;
             x.sampleNumber = sampleNumber;
             x.measurementName = measurementName;
             x.measurementDate = measurementDate;
             x.analysisName = analysisName;
             x.analysisDate = analysisDate;
             x.remark = remark;
             x.thickness = thickness;
             x.magneticField = magneticField;
             x.current = current;
             x.originalFile = originalFile;
             x.Validate();
             return x;
           }),
           py::kw_only(), py::arg("temperature"), py::arg("concentration"), py::arg("reliability") = py::none(),
           py::arg("conduction_type") = "n-type", py::arg("semiconductor") = "Si", py::arg("sample_number") = "",
           py::arg("measurement_name") = "", py::arg("measurement_date") = "", py::arg("analysis_name") = "",
           py::arg("analysis_date") = "", py::arg("remark") = "", py::arg("thickness") = 0.0,
           py::arg("magnetic_field") = 0.0, py::arg("current") = 0.0, py::arg("original_file") = "",
           "A measurement from arrays (K, cm^-3, reliability 0..1, default 1 everywhere). ValueError names the\n"
           "first bad element: unequal lengths, an empty array, NaN, T <= 0, n <= 0.")
      .def_property_readonly(
          "temperature", [](const Measurement& x) { return ToArray(x.temperature); }, "Temperatures, K (a copy).")
      .def_property_readonly(
          "concentration", [](const Measurement& x) { return ToArray(x.concentration); },
          "Majority-carrier concentrations, cm^-3 (a copy).")
      .def_property_readonly(
          "reliability", [](const Measurement& x) { return ToArray(x.reliability); },
          "Reliability of each point, 0 to 1 (a copy).")
      .def_property_readonly("conduction_type", [](const Measurement& x) { return x.conductionType; })
      .def_property_readonly("semiconductor", [](const Measurement& x) { return x.semiconductor; })
      .def_property_readonly("header", &Measurement::Header,
                             "The header fields of the measurement file as a dict (a copy).")
      .def_property_readonly(
          "path", [](const Measurement& x) { return x.path.empty() ? py::object(py::none()) : py::str(x.path); },
          "The file it was read from, or None.")
      .def_property_readonly(
          "import_report",
          [](const Measurement& x) {
            return x.importReport.empty() ? py::object(py::none()) : py::str(x.importReport);
          },
          "After korv.convert: what was read, skipped and refused; otherwise None.")
      .def(
          "save",
          [](const Measurement& x, const py::object& path) {
            const std::string file = py::str(py::module_::import("os").attr("fspath")(path)).cast<std::string>();
            x.Validate();
            py::gil_scoped_release release;
            x.Save(file);
          },
          py::arg("path"), "Writes the measurement file (*.nT, *.pT) as KORV does: CR LF, atomically.")
      .def("__len__", [](const Measurement& x) { return x.temperature.size(); })
      .def("__repr__", [](const Measurement& x) {
        return "<korv.Measurement " + x.semiconductor + " " + x.conductionType + ", " +
               std::to_string(x.temperature.size()) + " points" + (x.path.empty() ? "" : ", " + x.path) + ">";
      });

  py::class_<Result>(m, "Result", "What a korv-batch command gives with --json.")
      .def(
          "to_dict", [](const Result& r) { return py::module_::import("copy").attr("deepcopy")(r.dict); },
          "The command's JSON as a dict (a copy).")
      .def("__getitem__", [](const Result& r, const py::object& key) { return r.dict[key]; })
      .def("__contains__", [](const Result& r, const py::object& key) { return r.dict.contains(key); })
      .def("__repr__", [](const Result& r) { return "<korv.Result " + py::repr(r.dict).cast<std::string>() + ">"; });

  py::class_<AnalyzeResult, Result>(m, "AnalysisResult",
                                    "korv.analyze's result: the JSON and the curves of the analysis.")
      .def_property_readonly(
          "spline", [](const AnalyzeResult& r) { return py::make_tuple(ToArray(r.splineT), ToArray(r.splineN)); },
          "(T [K], n [cm^-3]) of the spline.")
      .def_property_readonly(
          "fermi_level",
          [](const AnalyzeResult& r) { return py::make_tuple(Head(r.splineT, r.fermi.size()), ToArray(r.fermi)); },
          "(T [K], E_F [eV] below the majority band edge) on the spline's grid.")
      .def_property_readonly(
          "h",
          [](const AnalyzeResult& r) {
            py::dict h;
            for (std::size_t k = 0; k < r.h.size(); ++k)
              if (!r.h[k].empty()) h[py::int_(k + 1)] = py::make_tuple(ToArray(r.splineT), ToArray(r.h[k]));
            return h;
          },
          "{k: (T [K], H_k [cm^-6 eV^-1])} of the analyses calculated (1 to 3; S functions with function=\"S\").")
      .def_property_readonly(
          "simulation",
          [](const AnalyzeResult& r) {
            return py::make_tuple(Head(r.splineT, r.simulation.size()), ToArray(r.simulation));
          },
          "(T [K], n [cm^-3]) simulated from the levels found (empty when the road did not reach it).");

  m.def(
      "read_measurement",
      [](const py::object& path) {
        return ReadMeasurement(py::str(py::module_::import("os").attr("fspath")(path)).cast<std::string>());
      },
      py::arg("path"), "Reads a measurement file (*.nT, *.pT). korv.Error with KORV's message when it cannot.");

  m.def("convert", &Convert, py::arg("path"), py::kw_only(), py::arg("output") = py::none(),
        "Converts a text file of columns into a Measurement as `korv-batch convert` does. The keywords are\n"
        "its long options with '_' for '-' (t_column=2, n_column=\"n\", type=\"p-type\", celsius=True,\n"
        "unit=\"m-3\", ...): True is a flag, None leaves an option out. output: also write the measurement\n"
        "file there (default: nothing is written). The read/skipped/refused report is m.import_report.");

  m.def("analyze", &Analyze, py::arg("measurement"), py::kw_only(), py::arg("smoothness") = 5000.0,
        py::arg("mass") = py::none(), py::arg("minima") = py::none(), py::arg("g") = py::none(),
        py::arg("function") = "H", py::arg("evaluation_type") = py::none(), py::arg("answer") = py::none(),
        py::arg("outdir") = py::none(),
        (std::string("The whole road of `korv-batch analyze` on a Measurement or a file path. g: one degeneracy\n"
                     "factor for every level or a sequence (g1, g2, g3; None keeps a default); function \"H\" or\n"
                     "\"S\"; evaluation_type \"Type-A\"..\"Type-D\"; answer True/False (\"yes\"/\"no\"). ") +
         kRoadDoc + "\nkorv.Error when a step fails; its .result holds the JSON so far.")
            .c_str());

  auto roadArgs = [](double smoothness, std::optional<double> mass, std::optional<double> minima,
                     const py::object& outdir) {
    return RoadArgs{smoothness, mass, minima, OptionalPath(outdir)};
  };

  m.def(
      "one_impurity",
      [roadArgs](const py::object& source, std::optional<int> low, std::optional<int> high, double smoothness,
                 std::optional<double> mass, std::optional<double> minima, const py::object& outdir) {
        std::vector<std::string> own;
        AddIndices(own, low, high);
        return SideCommand("one-impurity", source, own, roadArgs(smoothness, mass, minima, outdir));
      },
      py::arg("measurement"), py::kw_only(), py::arg("low_index") = py::none(), py::arg("high_index") = py::none(),
      py::arg("smoothness") = 5000.0, py::arg("mass") = py::none(), py::arg("minima") = py::none(),
      py::arg("outdir") = py::none(),
      (std::string("`korv-batch one-impurity`: the window \"Only One Impurity\" over the measured points\n"
                   "low_index..high_index. ") +
       kRoadDoc)
          .c_str());

  m.def(
      "donor_acceptor",
      [roadArgs](const py::object& source, const py::object& netDensity, std::optional<int> low,
                 std::optional<int> high, double smoothness, std::optional<double> mass, std::optional<double> minima,
                 const py::object& outdir) {
        std::vector<std::string> own = {"--net-density", Typed(netDensity)};
        AddIndices(own, low, high);
        return SideCommand("donor-acceptor", source, own, roadArgs(smoothness, mass, minima, outdir));
      },
      py::arg("measurement"), py::kw_only(), py::arg("net_density"), py::arg("low_index") = py::none(),
      py::arg("high_index") = py::none(), py::arg("smoothness") = 5000.0, py::arg("mass") = py::none(),
      py::arg("minima") = py::none(), py::arg("outdir") = py::none(),
      (std::string("`korv-batch donor-acceptor`: the window \"One Donor and One Acceptor\"; net_density is\n"
                   "N_D - N_A (n-type) or N_A - N_D (p-type) in cm^-3 (a number or the text to type). ") +
       kRoadDoc)
          .c_str());

  m.def(
      "dhes",
      [roadArgs](const py::object& source, std::optional<int> peaks, std::optional<std::vector<int>> presses,
                 double smoothness, std::optional<double> mass, std::optional<double> minima,
                 const py::object& outdir) {
        std::vector<std::string> own;
        if (peaks) own.insert(own.end(), {"--peaks", std::to_string(*peaks)});
        if (presses) {
          std::string list;
          for (int p : *presses) list += (list.empty() ? "" : ",") + std::to_string(p);
          own.insert(own.end(), {"--presses", list});
        }
        return SideCommand("dhes", source, own, roadArgs(smoothness, mass, minima, outdir));
      },
      py::arg("measurement"), py::kw_only(), py::arg("peaks") = py::none(), py::arg("presses") = py::none(),
      py::arg("smoothness") = 5000.0, py::arg("mass") = py::none(), py::arg("minima") = py::none(),
      py::arg("outdir") = py::none(),
      (std::string("`korv-batch dhes`: N successive peaks of the differential Hall-effect spectrum (default 2);\n"
                   "presses: the \"Next Peak\" presses of each peak. ") +
       kRoadDoc)
          .c_str());

  m.def(
      "excited_states",
      [roadArgs](const py::object& source, std::optional<double> dielectric, bool afterH1, double smoothness,
                 std::optional<double> mass, std::optional<double> minima, const py::object& outdir) {
        std::vector<std::string> own;
        if (dielectric) own.insert(own.end(), {"--dielectric-constant", Exact(*dielectric)});
        if (afterH1) own.push_back("--after-h1");
        return SideCommand("excited-states", source, own, roadArgs(smoothness, mass, minima, outdir));
      },
      py::arg("measurement"), py::kw_only(), py::arg("dielectric_constant") = py::none(), py::arg("after_h1") = false,
      py::arg("smoothness") = 5000.0, py::arg("mass") = py::none(), py::arg("minima") = py::none(),
      py::arg("outdir") = py::none(),
      (std::string("`korv-batch excited-states`: H1 re-evaluated in the excited-states window with the\n"
                   "dielectric constant (default: the material's). ") +
       kRoadDoc)
          .c_str());

  m.def(
      "curve_fit",
      [roadArgs](const py::object& source, std::optional<int> low, std::optional<int> high,
                 const py::object& compensating, bool relative, bool merge, double smoothness,
                 std::optional<double> mass, std::optional<double> minima, const py::object& outdir) {
        std::vector<std::string> own;
        AddIndices(own, low, high);
        if (!compensating.is_none()) own.insert(own.end(), {"--compensating-density", Typed(compensating)});
        if (relative) own.push_back("--relative");
        if (merge) own.push_back("--merge-unresolved");
        return SideCommand("curve-fit", source, own, roadArgs(smoothness, mass, minima, outdir));
      },
      py::arg("measurement"), py::kw_only(), py::arg("low_index") = py::none(), py::arg("high_index") = py::none(),
      py::arg("compensating_density") = py::none(), py::arg("relative") = false, py::arg("merge_unresolved") = false,
      py::arg("smoothness") = 5000.0, py::arg("mass") = py::none(), py::arg("minima") = py::none(),
      py::arg("outdir") = py::none(),
      (std::string("`korv-batch curve-fit`: the fine adjustment by curve fitting after the road of analyze;\n"
                   "relative=True is the bounded fit of ln n, merge_unresolved=True merges unresolved levels. ") +
       kRoadDoc)
          .c_str());

  m.def("simulate", &Simulate, py::kw_only(), py::arg("levels"), py::arg("compensating_density"),
        py::arg("temperature"), py::arg("semiconductor") = "Si", py::arg("conduction_type") = "n-type",
        py::arg("statistics") = "boltzmann", py::arg("excited_states") = py::none(),
        py::arg("dos_coefficient") = py::none(), py::arg("mass") = py::none(),
        py::arg("dielectric_constant") = py::none(), py::arg("excited_degeneracy") = "g-r2",
        "n(T) [cm^-3] of the relative fit's forward model: charge neutrality\n"
        "  n + N_comp = sum_j N_j^+,  N_j^+ = N_j / (1 + g_j(T) exp(eta + E_j/kT)),\n"
        "with n = Nc F_1/2(eta) (statistics=\"fermi-dirac\") or Nc exp(eta) (\"boltzmann\"),\n"
        "Nc = dos_coefficient * T^1.5, and g_j(T) growing with the hydrogen-like excited states\n"
        "r = 2 .. r_max (Ry* from mass and dielectric_constant, default: the material's).\n"
        "levels: a list of {\"density\" [cm^-3], \"energy\" [eV from the majority band edge], \"g\",\n"
        "\"excited\" (r_max)}; g default 2 n-type, 4 p-type; excited_states: None, one r_max for\n"
        "every level or a list per level; excited_degeneracy \"g-r2\" (g r^2) or \"r2\".");

  m.def("materials", &Materials, "The built-in material parameter table as a list of dicts.");
}
