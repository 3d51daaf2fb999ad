#include "app/batch/Options.h"

#include "core/Numbers.h"

namespace korv::batch {
namespace {

class Args {
 public:
  explicit Args(const std::vector<std::string>& a) : args_(a) {}
  bool More() const { return pos_ < args_.size(); }
  const std::string& Next() { return args_[pos_++]; }
  std::string Value(const std::string& option) {
    if (!More()) throw UsageError("option " + option + " needs a value");
    return Next();
  }
  double Real(const std::string& option) {
    std::string v = Value(option);
    double x = 0;
    if (!TryParseReal(v, x)) throw UsageError("option " + option + ": '" + v + "' is not a number");
    return x;
  }
  double Positive(const std::string& option) {
    double x = Real(option);
    if (!(x > 0)) throw UsageError("option " + option + " must be greater than 0");
    return x;
  }
  // A column by number (1 to 15) or by name.
  std::string Column(const std::string& option) {
    std::string v = Value(option);
    bool digits = !v.empty() && v.find_first_not_of("0123456789") == std::string::npos;
    int c = 0;
    if (digits && (!TryParseInt(v, c) || c < 1 || c > 15))
      throw UsageError("option " + option + ": '" + v + "' is not a column from 1 to 15");
    if (Trim(v).empty()) throw UsageError("option " + option + " needs a column name or number");
    return v;
  }

 private:
  const std::vector<std::string>& args_;
  std::size_t pos_ = 0;
};

AnalyzeOptions parseAnalyze(Args& a) {
  AnalyzeOptions o;
  RoadOptions road;
  bool commonG = false, slotG = false;
  while (a.More()) {
    std::string arg = a.Next();
    if (TakeRoadOption(
            arg, [&] { return a.Value(arg); }, road)) {
    } else if (arg == "--outdir") {
      o.outdir = a.Value(arg);
    } else if (arg == "--g") {
      double g = a.Positive(arg);
      o.g[0] = o.g[1] = o.g[2] = g;
      commonG = true;
    } else if (arg == "--g1" || arg == "--g2" || arg == "--g3") {
      o.g[arg[3] - '1'] = a.Positive(arg);
      slotG = true;
    } else if (arg == "--function") {
      std::string f = a.Value(arg);
      if (f == "H")
        o.functionType = 2;
      else if (f == "S")
        o.functionType = 1;
      else
        throw UsageError("option --function takes H or S, not '" + f + "'");
    } else if (arg == "--evaluation-type") {
      std::string t = a.Value(arg);
      if (t != "Type-A" && t != "Type-B" && t != "Type-C" && t != "Type-D")
        throw UsageError("option --evaluation-type takes Type-A, Type-B, Type-C or Type-D, not '" + t + "'");
      o.evaluationType = t;
    } else if (arg == "--answer") {
      std::string v = a.Value(arg);
      if (v == "yes")
        o.answerYes = true;
      else if (v == "no")
        o.answerYes = false;
      else
        throw UsageError("option --answer takes yes or no, not '" + v + "'");
    } else if (arg == "--json") {
      o.json = true;
    } else if (arg == "--full-precision") {
      o.fullPrecision = true;
    } else if (arg == "--quiet") {
      o.quiet = true;
    } else if (arg == "--table") {
      o.table = a.Value(arg);
    } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
      throw UsageError("unknown option " + arg + " for analyze");
    } else {
      o.inputs.push_back(arg);
    }
  }
  o.smoothness = road.smoothness;
  o.mass = road.mass;
  o.minima = road.minima;
  if (!o.inputs.empty()) o.input = o.inputs.front();
  if (commonG && slotG) throw UsageError("give either --g or --g1/--g2/--g3, not both");
  if (o.input.empty()) throw UsageError("analyze needs a measurement file (*.nT or *.pT)");
  return o;
}

ConvertOptions parseConvert(Args& a) {
  ConvertOptions o;
  while (a.More()) {
    std::string arg = a.Next();
    auto numberText = [&](std::string& field) {
      std::string v = a.Value(arg);
      double x = 0;
      if (!TryParseReal(v, x)) throw UsageError("option " + arg + ": '" + v + "' is not a number");
      field = v;
    };
    if (arg == "--t-column") {
      o.tColumn = a.Column(arg);
    } else if (arg == "--n-column") {
      o.nColumn = a.Column(arg);
    } else if (arg == "--reliability-column") {
      o.reliabilityColumn = a.Column(arg);
    } else if (arg == "--run") {
      o.run = a.Value(arg);
    } else if (arg == "--run-column") {
      o.runColumn = a.Column(arg);
    } else if (arg == "--average") {
      o.average = true;
    } else if (arg == "--drop-refused") {
      o.dropRefused = true;
    } else if (arg == "--kelvin") {
      o.celsius = false;
      o.celsiusGiven = true;
    } else if (arg == "--quantity") {
      o.quantity = a.Value(arg);
      if (o.quantity != "concentration" && o.quantity != "hall-coefficient")
        throw UsageError("option --quantity takes concentration or hall-coefficient, not '" + o.quantity + "'");
    } else if (arg == "--unit") {
      o.unit = a.Value(arg);
      if (o.unit != "cm-3" && o.unit != "m-3" && o.unit != "cm3/C" && o.unit != "m3/C" && o.unit != "cm-2" &&
          o.unit != "m-2")
        throw UsageError("option --unit takes cm-3, m-3, cm3/C, m3/C, cm-2 or m-2, not '" + o.unit + "'");
    } else if (arg == "--hall-factor") {
      o.hallFactor = FormatGeneral(a.Positive(arg));
    } else if (arg == "--celsius") {
      o.celsius = true;
      o.celsiusGiven = true;
    } else if (arg == "--type") {
      o.conductionType = a.Value(arg);
      if (o.conductionType != "n-type" && o.conductionType != "p-type")
        throw UsageError("option --type takes n-type or p-type, not '" + o.conductionType + "'");
    } else if (arg == "--semiconductor") {
      o.semiconductor = a.Value(arg);
    } else if (arg == "--sample") {
      o.sampleNumber = a.Value(arg);
    } else if (arg == "--measurement-name") {
      o.measurementName = a.Value(arg);
    } else if (arg == "--measurement-date") {
      o.measurementDate = a.Value(arg);
    } else if (arg == "--analysis-name") {
      o.analysisName = a.Value(arg);
    } else if (arg == "--analysis-date") {
      o.analysisDate = a.Value(arg);
    } else if (arg == "--comment") {
      o.comment = a.Value(arg);
    } else if (arg == "--thickness") {
      numberText(o.thickness);
    } else if (arg == "--field") {
      numberText(o.magneticField);
    } else if (arg == "--current") {
      numberText(o.current);
    } else if (arg == "--skip-lines") {
      std::string v = a.Value(arg);
      if (!TryParseInt(v, o.skipLines) || o.skipLines < 0)
        throw UsageError("option --skip-lines: '" + v + "' is not a number of lines");
    } else if (arg == "-o" || arg == "--output") {
      o.output = a.Value(arg);
    } else if (arg == "--quiet") {
      o.quiet = true;
    } else if (!arg.empty() && arg[0] == '-') {
      throw UsageError("unknown option " + arg + " for convert");
    } else if (o.input.empty()) {
      o.input = arg;
    } else {
      throw UsageError("convert takes one file, got also '" + arg + "'");
    }
  }
  if (o.input.empty()) throw UsageError("convert needs the file to convert");
  // Columns, quantity, unit and type left open are taken from the file where it tells them.
  const bool hallUnit = o.unit == "cm3/C" || o.unit == "m3/C";
  if (o.quantity.empty() && !o.unit.empty()) o.quantity = hallUnit ? "hall-coefficient" : "concentration";
  const bool hall = o.quantity == "hall-coefficient";
  if (!o.unit.empty() && hall != hallUnit)
    throw UsageError("option --unit " + o.unit + " does not belong to --quantity " + o.quantity);
  if (o.hallFactor != "1" && o.quantity == "concentration")
    throw UsageError("option --hall-factor belongs to --quantity hall-coefficient");
  if (o.average && !o.run.empty()) throw UsageError("option --average reads every run; --run chooses one");
  if (o.output.empty()) throw UsageError("convert needs -o FILE.nT or -o FILE.pT");
  return o;
}

}  // namespace

Command ParseCommandLine(const std::vector<std::string>& args) {
  Command c;
  Args a(args);
  if (!a.More()) throw UsageError("no command given (try korv-batch --help)");
  std::string first = a.Next();
  if (first == "--help" || first == "-h" || first == "help") {
    c.kind = Command::Kind::Help;
  } else if (first == "--version") {
    c.kind = Command::Kind::Version;
  } else if (first == "analyze") {
    c.kind = Command::Kind::Analyze;
    c.analyze = parseAnalyze(a);
  } else if (first == "convert") {
    c.kind = Command::Kind::Convert;
    c.convert = parseConvert(a);
  } else if (first == "one-impurity" || first == "donor-acceptor") {
    c.kind = Command::Kind::Conventional;
    c.conventional = ParseConventional(first, std::vector<std::string>(args.begin() + 1, args.end()));
  } else {
    throw UsageError("unknown command '" + first + "' (try korv-batch --help)");
  }
  return c;
}

bool TakeRoadOption(const std::string& arg, const std::function<std::string()>& value, RoadOptions& road) {
  if (arg != "--smoothness" && arg != "--mass" && arg != "--minima") return false;
  const std::string v = value();
  double x = 0;
  if (!TryParseReal(v, x)) throw UsageError("option " + arg + ": '" + v + "' is not a number");
  if (!(x > 0)) throw UsageError("option " + arg + " must be greater than 0");
  if (arg == "--smoothness")
    road.smoothness = x;
  else if (arg == "--mass")
    road.mass = x;
  else
    road.minima = x;
  return true;
}

std::string UsageText() {
  return std::string(R"(korv-batch: KORV's analyses of Hall-effect measurements from the command line.

Usage:
  korv-batch analyze FILE.nT|FILE.pT [FILE ...] [options]
      Walks the whole analysis: spline, density of states, Fermi level, H1 (H2, H3 while
      the data allow another analysis), simulation and results report, saving every file
      under the name the window proposes. Several files are analysed in turn with the same
      options; one that fails does not stop the others.
      --table FILE.tsv         one row per file (file, sample, semiconductor, type, density
                               and energy of each level, compensating density, status, first
                               warning or error), tab-separated with a row of column names;
                               status "implausible: <what>" (exit status 1) for a level density
                               below 0, above 1e23 cm^-3 or 1000 times the largest measured one
      --full-precision         the table's numbers exact (default: 6 significant digits)
      --outdir DIR             where the files go (default: beside the measurement)
      --smoothness S           smoothness of the spline (default 5000)
      --mass M                 density-of-states effective mass (default: the material's)
      --minima N               number of equivalent band minima (default: the material's)
      --g G                    degeneracy factor of every level (default 2 n-type, 4 p-type)
      --g1 G --g2 G --g3 G     degeneracy factor of each level
      --function H|S           H function (default) or S function
      --evaluation-type Type-A|Type-B|Type-C|Type-D   automatic evaluation type (default Type-B)
      --answer yes|no          answer to the question whether H2/H3 is calculated again
                               with the carried compensating density (default yes)
      --json                   print one JSON object instead of the summary
      --quiet                  print nothing but errors

  korv-batch convert FOREIGN.txt [--t-column COL --n-column COL] [--type n-type|p-type] -o FILE.nT [options]
      Converts a text file of columns into a measurement file, as the conversion window does:
      cells separated by blanks, tabs, commas (quoted cells as in CSV) or semicolons (a decimal
      comma where the numbers need it); comment lines (#, %, ;, //), a preamble or a settings
      block up to a marker line such as [Data], a row of column names and a row of units are
      skipped; the preamble's sample, thickness, field, current and date go into the header.
      A column COL is a number (1 to 15) or a name of that row; left out, the names and units
      propose them. Prints what was read, skipped and refused.
      -o FILE.nT|FILE.pT    the measurement file to write (also --output)
      --quiet               print nothing but errors
      --t-column COL  --n-column COL   the columns of T and of n (or R_H)
      --quantity concentration|hall-coefficient   what the n column holds (default: from the
                               file's units or names, else concentration); n = r_H/(q*|R_H|)
      --unit cm-3|m-3|cm3/C|m3/C|cm-2|m-2   unit of the n column (default: from the file, else
                               cm-3, or cm3/C for R_H); sheet densities are divided by the
                               thickness (from the file or --thickness)
      --hall-factor R       Hall factor r_H (default 1; stated in the file's remark line)
      --type n-type|p-type  conduction type; the signs of R_H or of the densities, or a Type
                            column propose it, and rows that disagree are left out and listed
      --run LABEL           the run to read from a file of several runs (a column named "run", or
                            the first column of repeated text labels); needed when there are several.
                            A number matches by value: --run 0.5 reads the rows with 0.50
      --run-column COL      the column that tells the runs apart (a field or current column)
      --average             average the points of one temperature (repeated sweeps)
      --drop-refused        save the good rows and list the refused ones instead of stopping
      --celsius | --kelvin  temperatures in degrees Celsius or kelvin (default: from the file)
      --reliability-column COL   reliability of each point (default 1)
      --semiconductor NAME  --sample NUMBER  --comment TEXT
      --measurement-name TEXT  --measurement-date TEXT  --analysis-name TEXT  --analysis-date TEXT
      --thickness MICRON  --field TESLA  --current AMPERE
      --skip-lines N        leave out the first N lines (a header the window's user would delete)

)" + ConventionalUsage() +
                     R"(
  korv-batch dhes FILE.nT|FILE.pT [--peaks N] [--presses P1,P2,...] [--outdir DIR] [--json] [--quiet]
      Walks the analysis up to the saved Fermi level, then finds and evaluates N successive
      peaks of the differential Hall-effect spectrum (default 2, at most 4) and saves the
      *.DHES file. Each peak is moved with "Next Peak" until it lies above the previous one
      at a positive signal; --presses gives instead the number of presses of each peak.
      --json prints the inputs, every peak, the messages and the file as one JSON object;
      --quiet prints nothing but errors; --smoothness S  --mass M  --minima N as for analyze.

  korv-batch excited-states FILE.nT|FILE.pT [--dielectric-constant E] [--after-h1] [--outdir DIR]
                            [--json] [--quiet]
      Walks the road of analyze (with --after-h1 only up to saving H1), then re-evaluates H1
      in the excited-states window: types E into its dielectric constant (default: the
      material's), presses "Evaluation" and saves the *.simN and the *.exc.
      --json prints one JSON object; --quiet prints nothing but errors;
      --smoothness S  --mass M  --minima N as for analyze.

  korv-batch curve-fit FILE.nT|FILE.pT [--low-index I --high-index J] [--compensating-density X]
                       [--relative [--merge-unresolved] [--statistics fermi-dirac|boltzmann]
                       [--excited-states auto|none|R|1:auto,3:4] [--excited-degeneracy g-r2|r2]
                       [--dielectric-constant E] [--starts N] [--levels auto|K]]
                       [--outdir DIR] [--json] [--quiet]
      Walks the road of analyze, then the fine adjustment by curve fitting: the fit range
      I..J (indices into the points of reliability above 0.95, default all of them), X typed
      as the compensating density, one "Curve Fitting" (at most 100 accepted steps) and the
      *.cft file saved beside the simulation. --json prints the starting and the adjusted
      values with their standard errors.
      --relative          the bounded fit of ln n instead (relative deviations); the JSON adds
                          "reduced_chi2" and "unresolved" (pairs or single levels)
      --merge-unresolved  merge unresolved levels and fit again until every level is resolved
                          (a merge that raises the BIC is not kept)
      --statistics S      fermi-dirac (default) or boltzmann statistics of the majority carriers
      --excited-states X  hydrogen-like excited states of every level (auto, none or r_max
                          2..10; default auto) or of single rows (1:auto,3:4; the rest auto)
      --excited-degeneracy g-r2|r2  each excited state weighs g r^2 (default) or r^2
      --dielectric-constant E  for Ry* and a* (default: the material's; --mass gives m*)
      --starts N          fixed starts of the global search besides the entered one (>= 12)
      --levels auto|K     the number of levels by the lowest BIC (default) or K = 1..3
      The relative JSON adds "statistics", per level "excited_states", "starts",
      "candidates" and "residuals".
      --quiet             print nothing but errors
      --smoothness S  --mass M  --minima N   as for analyze

  korv-batch --help | --version

Exit status: 0 success, 1 a step of the analysis failed (files written so far are kept),
2 bad usage or an unreadable input; for several files, the worst of them.
)");
}

std::string UsageText(const std::string& command) {
  const std::string all = UsageText();
  const std::string head = "\n  korv-batch " + command;
  std::size_t at = all.find(head + " ");
  if (at == std::string::npos) at = all.find(head + "\n");
  if (at == std::string::npos) {
    // one-impurity and donor-acceptor share a section.
    at = all.find(" " + command + " ");
    if (at != std::string::npos) at = all.rfind("\n  korv-batch ", at);
  }
  if (at == std::string::npos) return all;
  std::size_t end = all.find("\n  korv-batch ", at + 1);
  std::size_t exit = all.find("\nExit status", at + 1);
  end = std::min(end, exit);
  return "Usage:" + all.substr(at, end - at) + "\n" + all.substr(exit + 1);
}

}  // namespace korv::batch
