#include "core/Session.h"

#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <set>

#include "core/Error.h"
#include "core/TextEncoding.h"
#include "core/TextFile.h"

namespace korv {

namespace {

using A = Analysis;
constexpr int kAnalyses = 3;  // H1 to H3

std::string where(const JsonValue& j) {
  if (j.line == 0) return "";
  return " (line " + std::to_string(j.line) + ", column " + std::to_string(j.column) + ")";
}

[[noreturn]] void refuse(const std::string& name, const JsonValue& j, const std::string& what) {
  throw Error("The member \"" + name + "\"" + where(j) + " " + what + ".");
}

[[noreturn]] void wrongType(const std::string& name, const JsonValue& j, const std::string& expected) {
  refuse(name, j,
         "must be " + expected + "; it is " +
             (j.IsNull() ? std::string("null") : std::string("a ") + JsonTypeName(j.type())));
}

const JsonValue& objectMember(const JsonValue& parent, const std::string& key, const std::string& name) {
  const JsonValue* j = parent.Find(key);
  if (!j) throw Error("The session has no member \"" + name + "\"" + where(parent) + ".");
  return *j;
}

// The values of the record as JSON and back; text in the measurement's encoding.
struct Codec {
  TextEncoding encoding;

  JsonValue put(double v) const { return JsonValue::Number(v); }
  JsonValue put(int v) const { return JsonValue::Number(v); }
  JsonValue put(bool v) const { return JsonValue::Bool(v); }
  JsonValue put(const std::string& v) const { return JsonValue::String(ToUtf8(v, encoding)); }
  JsonValue put(const std::vector<double>& v) const {
    JsonValue j = JsonValue::Array();
    for (double x : v) j.Push(put(x));
    return j;
  }
  template <class T, std::size_t N>
  JsonValue put(const std::array<T, N>& v) const {
    JsonValue j = JsonValue::Array();
    for (const T& x : v) j.Push(put(x));
    return j;
  }

  void get(const JsonValue& j, const std::string& name, double& out) const {
    if (j.IsNull())
      out = std::numeric_limits<double>::quiet_NaN();
    else if (j.type() == JsonValue::Type::Number)
      out = j.AsNumber();
    else
      wrongType(name, j, "a number");
  }
  void get(const JsonValue& j, const std::string& name, int& out) const {
    if (j.type() != JsonValue::Type::Number) wrongType(name, j, "a whole number");
    const double v = j.AsNumber();
    if (v != std::floor(v) || v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
      refuse(name, j, "must be a whole number; it is " + JsonNumber(v));
    out = static_cast<int>(v);
  }
  void get(const JsonValue& j, const std::string& name, bool& out) const {
    if (j.type() != JsonValue::Type::Bool) wrongType(name, j, "true or false");
    out = j.AsBool();
  }
  void get(const JsonValue& j, const std::string& name, std::string& out) const {
    if (j.type() != JsonValue::Type::String) wrongType(name, j, "a string");
    std::string refused;
    if (!FromUtf8(j.AsString(), encoding, out, &refused))
      refuse(name, j,
             std::string("holds the character '") + refused + "', which " + EncodingName(encoding) +
                 " (the measurement's encoding) cannot hold");
  }
  void get(const JsonValue& j, const std::string& name, std::vector<double>& out) const {
    if (j.type() != JsonValue::Type::Array) wrongType(name, j, "an array of numbers");
    std::vector<double> v(j.Items().size());
    for (std::size_t i = 0; i < v.size(); ++i) get(j.Items()[i], name + "[" + std::to_string(i) + "]", v[i]);
    out = std::move(v);
  }
  template <class T, std::size_t N>
  void get(const JsonValue& j, const std::string& name, std::array<T, N>& out) const {
    if (j.type() != JsonValue::Type::Array) wrongType(name, j, "an array of " + std::to_string(N) + " values");
    if (j.Items().size() != N)
      refuse(name, j, "must hold " + std::to_string(N) + " values; it holds " + std::to_string(j.Items().size()));
    std::array<T, N> v{};
    for (std::size_t i = 0; i < N; ++i) get(j.Items()[i], name + "[" + std::to_string(i) + "]", v[i]);
    out = std::move(v);
  }
};

// Every saved field of the record, section by section; the writer, the reader and the
// apply walk the same list, so what is written is what is read.
template <class V>
void visitRecord(V& v) {
  v.begin("options");
  v.field("evaluationType", &A::AutoEvaluationType);
  v.field("functionType", &A::FunctionType);
  v.field("manualMode", &A::ManualMode);
  v.field("gFactors", &A::DegeneracyFactor);
  v.field("smoothness", &A::Smoothness);
  v.field("electronMass", &A::ElectronMass);
  v.field("holeMass", &A::HoleMass);
  v.field("electronMinima", &A::ElectronMinima);
  v.field("holeMinima", &A::HoleMinima);
  v.field("effectiveMass", &A::EffectiveMass);
  v.field("equivalentMinima", &A::EquivalentMinima);
  v.field("dosCoefficient", &A::DosCoefficient);
  v.field("conductionBandCoefficient", &A::ConductionBandCoefficient);
  v.field("valenceBandCoefficient", &A::ValenceBandCoefficient);
  v.field("dielectricConstant", &A::DielectricConstant);
  v.field("lowestKT", &A::LowestKT);
  v.end();

  v.begin("header");
  v.field("originalFile", &A::OriginalFile);
  v.field("measurementName", &A::MeasurementName);
  v.field("measurementDate", &A::MeasurementDate);
  v.field("analysisName", &A::AnalysisName);
  v.field("analysisDate", &A::AnalysisDate);
  v.field("sampleNumber", &A::SampleNumber);
  v.field("semiconductor", &A::Semiconductor);
  v.field("conductionType", &A::ConductionType);
  v.field("remark", &A::Remark);
  v.field("densityOfStatesRemark", &A::DensityOfStatesRemark);
  v.field("thickness", &A::Thickness);
  v.field("magneticField", &A::MagneticField);
  v.field("current", &A::Current);
  v.end();

  v.begin("files");
  v.field("spline", &A::AnalysisDataFile);
  v.field("fermiLevel", &A::FermiLevelFile);
  v.field("analyses", &A::AnalysisFile);
  v.field("simulation", &A::SimulationFile);
  v.field("experimentalFermiLevel", &A::ExperimentalFermiLevelFile);
  v.field("experimentalAnalyses", &A::ExperimentalAnalysisFile);
  v.end();

  v.begin("spline");
  v.field("firstIndex", &A::FirstIndex);
  v.field("lastIndex", &A::LastIndex);
  v.field("gridCount", &A::GridCount);
  v.field("temperature", &A::SplineTemperature);
  v.field("concentration", &A::SplineConcentration);
  v.end();

  v.begin("fermiLevel");
  v.field("fermiLevel", &A::FermiLevel);
  v.field("experimentalFermiLevel", &A::ExperimentalFermiLevel);
  v.end();

  v.begin("compensation");
  v.field("density", &A::CompensatingDensity);
  v.field("fromAnalysis", &A::CompensationAnalysis);
  v.field("fixed", &A::EvaluationFinished);
  v.field("scaled", &A::ScaledCompensation);
  v.end();

  v.begin("search");
  v.field("lowIndex", &A::SearchLowIndex);
  v.field("highIndex", &A::SearchHighIndex);
  v.field("startIndex", &A::SearchStartIndex);
  v.field("keepStart", &A::KeepSearchStart);
  v.field("levelInRange", &A::LevelInRange);
  v.field("recalculationRequested", &A::RecalculationRequested);
  v.field("recalculationFailed", &A::RecalculationFailed);
  v.field("secondAttempt", &A::SecondAttempt);
  v.field("candidateDeviation", &A::CandidateDeviation);
  v.end();

  for (int k = 0; k < kAnalyses; ++k) {
    v.beginAnalysis(k);
    v.slot("eref", &A::Eref, k);
    v.slot("peakIndex", &A::PeakIndex, k);
    v.slot("density", &A::Density, k);
    v.slot("energyLevel", &A::EnergyLevel, k);
    v.slot("peakDensity", &A::PeakDensity, k);
    v.slot("peakEnergyLevel", &A::PeakEnergyLevel, k);
    v.slot("compensatingDensity", &A::TemporaryCompensatingDensity, k);
    v.slot("checkTemperature", &A::CheckTemperature, k);
    v.slot("checkIndex", &A::CheckIndex, k);
    v.slot("levelRangeMessage", &A::LevelRangeMessage, k);
    v.slot("adoptedLevelRangeMessage", &A::AdoptedLevelRangeMessage, k);
    v.row("h", &A::HValues, k);
    v.row("simulatedH", &A::SimulatedH, k);
    v.row("modelH", &A::ModelH, k);
    v.row("experimentalH", &A::ExperimentalH, k);
    v.end();
  }

  v.begin("simulation");
  v.field("concentration", &A::SimulatedConcentration);
  v.field("fermiLevel", &A::SimulatedFermiLevel);
  v.field("densities", &A::SimDensity);
  v.field("energyLevels", &A::SimEnergyLevel);
  v.field("compensatingDensity", &A::SimCompensatingDensity);
  v.field("useLevel", &A::SimUseLevel);
  v.field("useCompensation", &A::SimUseCompensation);
  v.end();
}

// The top-level members beside the record's sections.
const std::set<std::string, std::less<>> kHeadMembers = {"format", "version", "measurement", "stage", "windows"};

class RecordWriter {
 public:
  RecordWriter(const A& a, Codec codec, JsonValue& root) : a_(a), codec_(codec), root_(root) {}
  void begin(const char* name) {
    name_ = name;
    analysis_ = false;
    current_ = JsonValue::Object();
  }
  // The analyses go together as one array, in the place of the first.
  void beginAnalysis(int k) {
    if (k == 0) analyses_ = &root_.Add("analyses", JsonValue::Array());
    analysis_ = true;
    current_ = JsonValue::Object();
  }
  void end() {
    if (analysis_)
      analyses_->Push(std::move(current_));
    else
      root_.Add(name_, std::move(current_));
  }
  template <class T>
  void field(const char* name, T A::*m) {
    current_.Add(name, codec_.put(a_.*m));
  }
  template <class T>
  void slot(const char* name, A::Slots<T> A::*m, int k) {
    current_.Add(name, codec_.put((a_.*m)[k]));
  }
  void row(const char* name, A::RowTable A::*m, int k) { current_.Add(name, codec_.put((a_.*m)[k])); }

 private:
  const A& a_;
  Codec codec_;
  JsonValue& root_;
  JsonValue current_;
  JsonValue* analyses_ = nullptr;  // root_ gains no member while the analyses are written
  std::string name_;
  bool analysis_ = false;
};

class RecordReader {
 public:
  RecordReader(const JsonValue& root, Codec codec, A& a) : root_(root), codec_(codec), a_(a) {}

  void begin(const char* name) {
    prefix_ = name;
    section_ = root_.Find(name);
    if (section_ && section_->type() != JsonValue::Type::Object) wrongType(prefix_, *section_, "an object");
  }
  void beginAnalysis(int k) {
    prefix_ = "analyses[" + std::to_string(k) + "]";
    section_ = nullptr;
    const JsonValue* list = root_.Find("analyses");
    if (!list) return;
    if (list->type() != JsonValue::Type::Array) wrongType("analyses", *list, "an array");
    if (list->Items().size() > static_cast<std::size_t>(kAnalyses))
      refuse("analyses", *list,
             "holds " + std::to_string(list->Items().size()) + " analyses; there are at most " +
                 std::to_string(kAnalyses));
    if (static_cast<std::size_t>(k) >= list->Items().size()) return;
    section_ = &list->Items()[k];
    if (section_->type() != JsonValue::Type::Object) wrongType(prefix_, *section_, "an object");
  }
  void end() {
    if (!section_) return;
    for (const auto& [key, value] : section_->Members())
      if (!known_.count(key)) refuse(prefix_ + "." + key, value, "is not known to this version of KORV");
    known_.clear();
  }
  template <class T>
  void field(const char* name, T A::*m) {
    if (const JsonValue* j = member(name)) codec_.get(*j, prefix_ + "." + name, a_.*m);
  }
  template <class T>
  void slot(const char* name, A::Slots<T> A::*m, int k) {
    if (const JsonValue* j = member(name)) codec_.get(*j, prefix_ + "." + name, (a_.*m)[k]);
  }
  void row(const char* name, A::RowTable A::*m, int k) {
    if (const JsonValue* j = member(name)) codec_.get(*j, prefix_ + "." + name, (a_.*m)[k]);
  }

 private:
  const JsonValue* member(const char* name) {
    known_.insert(name);
    return section_ ? section_->Find(name) : nullptr;
  }
  const JsonValue& root_;
  Codec codec_;
  A& a_;
  std::string prefix_;
  const JsonValue* section_ = nullptr;
  std::set<std::string, std::less<>> known_;
};

class RecordCopy {
 public:
  RecordCopy(const A& from, A& to) : from_(from), to_(to) {}
  void begin(const char*) {}
  void beginAnalysis(int) {}
  void end() {}
  template <class T>
  void field(const char*, T A::*m) {
    to_.*m = from_.*m;
  }
  template <class T>
  void slot(const char*, A::Slots<T> A::*m, int k) {
    (to_.*m)[k] = (from_.*m)[k];
  }
  void row(const char*, A::RowTable A::*m, int k) { (to_.*m)[k] = (from_.*m)[k]; }

 private:
  const A& from_;
  A& to_;
};

// The indices the windows use to reach into the arrays must lie inside them.
void checkIndex(const JsonValue& root, const std::string& section, const std::string& key, int value, int low,
                int high) {
  if (value >= low && value <= high) return;
  const JsonValue* s = root.Find(section);
  const JsonValue* j = s && s->type() == JsonValue::Type::Object ? s->Find(key) : nullptr;
  refuse(
      section + "." + key, j ? *j : root,
      "is " + std::to_string(value) + "; it must lie between " + std::to_string(low) + " and " + std::to_string(high));
}

void checkConsistency(const JsonValue& root, const A& a) {
  const int points = std::max(0, a.DataCount);
  const int grid = static_cast<int>(a.SplineTemperature.size());
  if (a.FunctionType != 1 && a.FunctionType != 2) checkIndex(root, "options", "functionType", a.FunctionType, 1, 2);
  checkIndex(root, "spline", "firstIndex", a.FirstIndex, 0, std::max(0, points - 1));
  checkIndex(root, "spline", "lastIndex", a.LastIndex, 0, std::max(0, points - 1));
  checkIndex(root, "spline", "gridCount", a.GridCount, 0, grid);
  if (a.SplineConcentration.size() != a.SplineTemperature.size()) {
    const JsonValue* s = root.Find("spline");
    refuse("spline.concentration", s ? *s : root,
           "holds " + std::to_string(a.SplineConcentration.size()) + " values, \"spline.temperature\" " +
               std::to_string(a.SplineTemperature.size()) + "; they must hold as many");
  }
  checkIndex(root, "compensation", "fromAnalysis", a.CompensationAnalysis, -1, kAnalyses - 1);
  // The peak search's working indices outlive the stage clears; the search sets them
  // again before it reads the grid with them.
  constexpr int kMaxIndex = std::numeric_limits<int>::max();
  checkIndex(root, "search", "lowIndex", a.SearchLowIndex, 0, kMaxIndex);
  checkIndex(root, "search", "highIndex", a.SearchHighIndex, 0, kMaxIndex);
  checkIndex(root, "search", "startIndex", a.SearchStartIndex, 0, kMaxIndex);
  for (int k = 0; k < kAnalyses; ++k) {
    const std::string section = "analyses[" + std::to_string(k) + "]";
    const JsonValue* list = root.Find("analyses");
    const JsonValue& at = list && static_cast<std::size_t>(k) < list->Items().size() ? list->Items()[k] : root;
    for (auto [key, value] :
         {std::pair<const char*, int>{"peakIndex", a.PeakIndex[k]}, {"checkIndex", a.CheckIndex[k]}})
      if (value < 0 || value > grid) {
        const JsonValue* j = at.type() == JsonValue::Type::Object ? at.Find(key) : nullptr;
        refuse(section + "." + key, j ? *j : at,
               "is " + std::to_string(value) + "; it must lie between 0 and " + std::to_string(grid));
      }
  }
}

}  // namespace

std::string WriteSession(const Analysis& a, const std::string& measurementText, const SessionExtras& extras) {
  const TextEncoding encoding = DetectEncoding(measurementText);
  JsonValue root = JsonValue::Object();
  root.Add("format", JsonValue::String(kSessionFormat));
  root.Add("version", JsonValue::Number(kSessionVersion));
  JsonValue& m = root.Add("measurement", JsonValue::Object());
  m.Add("path", JsonValue::String(DisplayText(a.ExperimentalDataFile)));
  m.Add("encoding", JsonValue::String(EncodingName(encoding)));
  m.Add("text", JsonValue::String(ToUtf8(measurementText, encoding)));
  root.Add("stage", JsonValue::String(extras.stage));
  RecordWriter w(a, Codec{encoding}, root);
  visitRecord(w);
  JsonValue& windows = root.Add("windows", JsonValue::Array());
  for (const auto& s : extras.windows) {
    JsonValue& j = windows.Push(JsonValue::Object());
    j.Add("window", JsonValue::String(s.window));
    j.Add("open", JsonValue::Bool(s.open));
    j.Add("settings", s.settings.type() == JsonValue::Type::Object ? s.settings : JsonValue::Object());
  }
  return WriteJson(root);
}

Session ReadSession(std::string_view text) {
  const JsonValue root = ReadJson(text);
  if (root.type() != JsonValue::Type::Object)
    throw Error("The text is not a KORV session: it is a JSON " + std::string(JsonTypeName(root.type())) +
                ", not an object with \"format\": \"korv-session\".");
  const JsonValue* format = root.Find("format");
  if (!format || format->type() != JsonValue::Type::String || format->AsString() != kSessionFormat)
    throw Error("The text is not a KORV session: it has no \"format\": \"korv-session\"" +
                (format ? where(*format) : std::string()) + ".");
  const JsonValue& version = objectMember(root, "version", "version");
  int v = 0;
  Codec{TextEncoding::Utf8}.get(version, "version", v);
  if (v > kSessionVersion)
    throw Error("The session has version " + std::to_string(v) + ": it needs a KORV that reads session version " +
                std::to_string(v) + " (this one reads version " + std::to_string(kSessionVersion) + ").");
  if (v < 1) refuse("version", version, "is " + std::to_string(v) + "; session versions begin at 1");
  for (const auto& [key, value] : root.Members())
    if (!kHeadMembers.count(key) && key != "options" && key != "header" && key != "files" && key != "spline" &&
        key != "fermiLevel" && key != "compensation" && key != "search" && key != "analyses" && key != "simulation")
      refuse(key, value, "is not known to this version of KORV");

  Session s;
  const JsonValue& m = objectMember(root, "measurement", "measurement");
  if (m.type() != JsonValue::Type::Object) wrongType("measurement", m, "an object");
  for (const auto& [key, value] : m.Members())
    if (key != "path" && key != "encoding" && key != "text")
      refuse("measurement." + key, value, "is not known to this version of KORV");
  const Codec utf8{TextEncoding::Utf8};
  utf8.get(objectMember(m, "path", "measurement.path"), "measurement.path", s.measurementPath);
  std::string encodingName = "UTF-8";
  if (const JsonValue* e = m.Find("encoding")) {
    utf8.get(*e, "measurement.encoding", encodingName);
    if (encodingName != EncodingName(TextEncoding::Utf8) && encodingName != EncodingName(TextEncoding::Windows1252))
      refuse("measurement.encoding", *e,
             "must be \"UTF-8\" or \"Windows-1252\"; it is \"" + Printable(encodingName) + "\"");
  }
  const TextEncoding encoding =
      encodingName == EncodingName(TextEncoding::Utf8) ? TextEncoding::Utf8 : TextEncoding::Windows1252;
  const Codec codec{encoding};
  const JsonValue& textMember = objectMember(m, "text", "measurement.text");
  codec.get(textMember, "measurement.text", s.measurementText);

  if (const JsonValue* stage = root.Find("stage")) utf8.get(*stage, "stage", s.extras.stage);
  if (const JsonValue* windows = root.Find("windows")) {
    if (windows->type() != JsonValue::Type::Array) wrongType("windows", *windows, "an array");
    for (std::size_t i = 0; i < windows->Items().size(); ++i) {
      const JsonValue& j = windows->Items()[i];
      const std::string name = "windows[" + std::to_string(i) + "]";
      if (j.type() != JsonValue::Type::Object) wrongType(name, j, "an object");
      for (const auto& [key, value] : j.Members())
        if (key != "window" && key != "open" && key != "settings")
          refuse(name + "." + key, value, "is not known to this version of KORV");
      SideWindowSession w;
      utf8.get(objectMember(j, "window", name + ".window"), name + ".window", w.window);
      for (const auto& other : s.extras.windows)
        if (other.window == w.window)
          refuse(name + ".window", j, "names the window \"" + Printable(w.window) + "\" a second time");
      if (const JsonValue* open = j.Find("open")) utf8.get(*open, name + ".open", w.open);
      if (const JsonValue* settings = j.Find("settings")) {
        if (settings->type() != JsonValue::Type::Object) wrongType(name + ".settings", *settings, "an object");
        w.settings = *settings;
      }
      s.extras.windows.push_back(std::move(w));
    }
  }

  Analysis& a = *s.record_;
  a.ExperimentalDataFile = s.measurementPath;
  try {
    a.LoadMeasurementText(s.measurementText);
  } catch (const Error& e) {
    throw Error("The measurement in the session" + where(textMember) +
                " does not read as a measurement file: " + e.what());
  }
  RecordReader reader(root, codec, a);
  visitRecord(reader);
  checkConsistency(root, a);
  return s;
}

void Session::ApplyTo(Analysis& a) const {
  a.ResetAll();
  a.ExperimentalDataFile = measurementPath;
  // The text read when the session was checked, so it reads again.
  a.LoadMeasurementText(measurementText);
  RecordCopy copy(*record_, a);
  visitRecord(copy);
}

void SaveSession(const std::string& path, const Analysis& a, const std::string& measurementText,
                 const SessionExtras& extras) {
  WriteFileAtomically(path, WriteSession(a, measurementText, extras));
}

Session LoadSession(const std::string& path) {
  std::string text;
  {
    std::ifstream in(path, std::ios::binary);
    if (!in || std::filesystem::is_directory(path))
      throw Error("The session '" + path + "' cannot be opened: " +
                  (in ? std::string("it is a folder") : std::string(std::strerror(errno))) + ".");
    char buf[65536];
    while (in) {
      in.read(buf, sizeof buf);
      text.append(buf, static_cast<std::size_t>(in.gcount()));
      if (text.size() > TextFileReader::kMaxFileSize)
        throw Error("The session '" + path + "' cannot be opened: it is larger than 64 MiB.");
    }
    if (in.bad()) throw Error("The session '" + path + "' cannot be read.");
  }
  try {
    return ReadSession(text);
  } catch (const Error& e) {
    throw Error("The session '" + path + "' cannot be opened. " + e.what());
  }
}

}  // namespace korv
